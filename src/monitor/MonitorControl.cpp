#include "MonitorControl.h"

#include "core/Bytes.h"

#include <QMetaMethod>

namespace monitor {

namespace {
const QByteArray Hello = core::bytes({0xF1, 0x00});
const QByteArray HelloOk = core::bytes({0xF1, 0x01});
constexpr int ResetCountdownStart = 5;
constexpr int ModemHelloTries = 2;
constexpr int ConfigBlockLength = 16;
}  // namespace

MonitorControl::MonitorControl(core::TimerFactory &timers, MonitorTextLists texts, const MonitorPartners &partners,
                               QObject *parent)
    : QObject(parent), m_texts(std::move(texts)), m_partners(partners), m_userTimer(timers.createTimer()),
      m_sleepTimer(timers.createTimer())
{
    m_userTimer->setInterval(PollCycle::TickMs);
    m_userTimer->setCallback([this] { userTimerTick(); });
    m_sleepTimer->setCallback([this] { sleepTimerTick(); });
}

MonitorControl::~MonitorControl() { *m_alive = false; }

QString MonitorControl::text(const char *section, int number) const
{
    return m_partners.texts.text(QString::fromLatin1(section), number);
}

void MonitorControl::sayTrace(const QString &text) const
{
    m_partners.reports.writeIf(core::ReportMonitor, QStringLiteral("unt43> ") + text);
}

void MonitorControl::sayLog(const QString &text) const { m_partners.reports.write(text); }

void MonitorControl::setReloads(const std::array<int, PollCycle::SlotCount> &ticks)
{
    for (int i = 0; i < PollCycle::SlotCount; ++i) m_cycle.setReload(i, ticks[i]);
}

void MonitorControl::loadTask(int task)
{
    m_cycle.setTaskBits(task);
    m_autorun = task & 32;
    if (m_autorun) releaseMonitor();
    else holdMonitor();
}

bool MonitorControl::put(int answerLength, core::AnswerProc onAnswer, const QByteArray &telegram,
                         core::DropProc onDropped)
{
    // The queue may answer after this object has gone (program end).
    std::weak_ptr<bool> alive = m_alive;
    return m_partners.channel.put(
        answerLength,
        [alive, onAnswer = std::move(onAnswer)](const QByteArray &answer) {
            if (!alive.expired() && onAnswer) onAnswer(answer);
        },
        telegram,
        [alive, onDropped = std::move(onDropped)] {
            if (!alive.expired() && onDropped) onDropped();
        });
}

// --- attaching and the hello ---

void MonitorControl::linkToZbl(int mode)
{
    m_linkMode = LinkMode(mode);
    sayTrace(QStringLiteral("link_to_zbl"));
}

void MonitorControl::linkToMst(int mode)
{
    sayTrace(QStringLiteral("link_to_mst"));
    m_linkMode = LinkMode(mode);
}

void MonitorControl::onLinkUp(const QString &name)
{
    m_linkSeen = true;
    // A new session gets its own hello retries.
    m_modemRetries = 0;
    m_linkName = name.toUpper();
    const QString linked = text("monitor_43", 8) + QLatin1Char(' ') + m_linkName;
    emit linkedTextChanged(linked);
    sayLog(linked);
    if (showLinkDisplay) showLinkDisplay(true);
    emit statusText(6, m_linkName);
    m_partners.host.showMessageField(QStringLiteral("<HALLO>") + m_linkName);
    m_partners.queue.transferStart(HelloDelayMs);
    sayTrace(QStringLiteral("Start-Delay (%1)").arg(HelloDelayMs));
    put(2, [this](const QByteArray &answer) { helloAnswer(answer); }, Hello);
}

QString MonitorControl::installationCodeRead(const QString &code)
{
    const QString label = text("monitor_43", 8) + QLatin1Char(' ') + code;
    emit linkedTextChanged(label);
    emit statusText(6, label);
    return label;
}

void MonitorControl::helloAnswer(const QByteArray &answer)
{
    if (answer != HelloOk) {
        m_partners.host.showMessageField(QStringLiteral("<HALLO> FEHLER"));
        return;
    }
    m_partners.host.showMessageField(QString());
    emit partnerLinked(m_linkName);
    if (m_autorun) {
        sayTrace(QStringLiteral("Automatischer Start"));
        monitorStart();
    }
}

void MonitorControl::modemRestart(const QString &message)
{
    m_partners.host.showMessageField(message);
    sayLog(message);
    if (m_modemRetries >= ModemHelloTries) {
        m_partners.session.stopSession();
        return;
    }
    ++m_modemRetries;
    m_partners.session.kavcomSend(Hello, [this](const QByteArray &answer) { modemHelloAnswer(answer); });
}

void MonitorControl::modemHelloAnswer(const QByteArray &answer)
{
    if (answer == HelloOk) {
        m_modemRetries = 0;
        monitorStart();
        return;
    }
    if (++m_modemRetries >= ModemHelloTries) {
        m_partners.session.stopSession();
        return;
    }
    m_partners.session.kavcomSend(Hello, [this](const QByteArray &a) { modemHelloAnswer(a); });
}

// --- starting ---

void MonitorControl::monitorStart()
{
    m_partners.host.setReportVisible(false);
    m_partners.queue.transferFlush();
    if (shaftExists()) destroyShaft();
    m_loopStarted = false;
    holdMonitor();
    m_cycle.clearReady();
    if (m_partners.link.isLinked()) {
        emit monitorTabWanted();
        requestConfiguration();
        m_userTimer->start();
    } else if (m_partners.host.confirmConnect()) {
        m_partners.host.clickLinkDisplay();
    }
}

void MonitorControl::startMonitorLoop()
{
    m_loopStarted = true;
    m_userTimer->start();
    const auto info = [this](InfoRequest r) { emit infoRequested(r); };
    info(InfoRequest::Version);
    runSlot(PollCycle::OperatingHours);
    runSlot(PollCycle::TripCounter);
    info(InfoRequest::TopFloor);
    info(InfoRequest::GroupAddress);
    runSlot(PollCycle::FaultCount);
    info(InfoRequest::Telephone);
    info(InfoRequest::InstallationCode);
    runSlot(PollCycle::NewestFault);
    info(InfoRequest::InstallationCode);
    info(InfoRequest::Telephone);
    releaseMonitor();
    m_cycle.setReady(PollCycle::LiftState, true);
    m_cycle.setReady(PollCycle::AckLamps, true);
}

void MonitorControl::restartMonitor()
{
    emit restarting();
    startMonitorLoop();
}

// --- the cycle ---

void MonitorControl::userTimerTick()
{
    if (m_cycle.held()) {
        emit loopLabelChanged(QStringLiteral("LoopStop"));
        return;
    }
    if (m_shaft) m_shaft->tick();
    emit loopLabelChanged(QStringLiteral("user[%1]").arg(m_cycle.nextSlot()));
    const int due = m_cycle.visit();
    diagnostics();
    if (due >= 0) runSlot(due);
}

void MonitorControl::diagnostics()
{
    // Built 20 times a second: only for a window that shows them.
    if (!isSignalConnected(QMetaMethod::fromSignal(&MonitorControl::diagnosticsChanged))) return;
    QString ready = QStringLiteral("user"), ticks = QStringLiteral("tick");
    for (int i = 0; i < 5; ++i) {
        ready += QStringLiteral(" %1").arg(int(m_cycle.slot(i).ready));
        ticks += QStringLiteral(" %1").arg(m_cycle.slot(i).countdown);
    }
    emit diagnosticsChanged(ready, ticks);
}

void MonitorControl::runSlot(int slot)
{
    if (slot < 0 || slot >= PollCycle::SlotCount) return;
    const bool enabled = m_cycle.slot(slot).enabled;
    if (slot >= PollCycle::FaultCount) {
        if (!enabled) {
            faultAnswer(slot, QString());
            return;
        }
        m_cycle.setReady(slot, false);
        if (slot == PollCycle::NewestFault) m_faultField.resetOffset();
        std::weak_ptr<bool> alive = m_alive;
        const auto onText = [this, alive, slot](const QString &t) {
            if (!alive.expired()) faultAnswer(slot, t);
        };
        const auto dropped = [this, slot] { faultAnswer(slot, QString()); };
        if (slot == PollCycle::FaultCount) m_partners.faults.requestFaultCount(onText, dropped);
        else m_partners.faults.requestNewestFault(onText, dropped);
        return;
    }
    if (!enabled) {
        slotAnswer(slot, false);
        return;
    }
    bool accepted = false;
    const auto dropped = [this, slot] { slotDropped(slot); };
    switch (slot) {
    case PollCycle::LiftState:
        accepted = put(7, [this](const QByteArray &a) { liftStateAnswer(a); }, core::bytes({0xF1, 0x60}), dropped);
        break;
    case PollCycle::AckLamps:
        accepted = put(10, [this](const QByteArray &a) { ackLampsAnswer(a); }, core::bytes({0xF3, 0x55, 0x1C, 0x00}), dropped);
        break;
    case PollCycle::OperatingHours:
        accepted = put(9, [this](const QByteArray &a) { counterAnswer(PollCycle::OperatingHours, operatingHoursText(a)); },
                       core::bytes({0xF1, 0x42}), dropped);
        break;
    case PollCycle::TripCounter:
        accepted = put(9, [this](const QByteArray &a) { counterAnswer(PollCycle::TripCounter, tripCounterText(a)); },
                       core::bytes({0xF1, 0x40}), dropped);
        break;
    }
    if (accepted) m_cycle.setReady(slot, false);
    else m_cycle.refused(slot);
    if (!accepted) emit slotChanged(slot);
}

void MonitorControl::slotDropped(int slot)
{
    m_cycle.refused(slot);
    emit slotChanged(slot);
}

void MonitorControl::slotAnswer(int slot, bool withText)
{
    m_cycle.answered(slot, withText);
    emit slotChanged(slot);
}

void MonitorControl::armSlot(int slot)
{
    m_cycle.setReady(slot, true);
    if (slot == PollCycle::FaultCount || slot == PollCycle::NewestFault) {
        m_cycle.setReady(PollCycle::FaultCount, true);
        m_cycle.setReady(PollCycle::NewestFault, true);
    }
}

void MonitorControl::setSlotEnabled(int slot, bool on)
{
    m_cycle.setEnabled(slot, on);
    if (slot == PollCycle::FaultCount || slot == PollCycle::NewestFault) {
        m_cycle.setEnabled(PollCycle::FaultCount, on);
        m_cycle.setEnabled(PollCycle::NewestFault, on);
    }
    armSlot(slot);
}

void MonitorControl::valueClicked(int slot)
{
    switch (slot) {
    case PollCycle::LiftState:
        runSlot(slot);
        return;
    case PollCycle::OperatingHours:
    case PollCycle::TripCounter:
    case PollCycle::FaultCount:
    case PollCycle::NewestFault: {
        const bool faults = slot >= PollCycle::FaultCount;
        const int first = faults ? int(PollCycle::FaultCount) : slot;
        setSlotEnabled(first, !m_cycle.slot(first).enabled);
        emit slotChanged(first);
        runSlot(first);
        if (faults) runSlot(PollCycle::NewestFault);
        return;
    }
    default:
        return;
    }
}

void MonitorControl::liftStateAnswer(const QByteArray &answer)
{
    if (const auto state = decodeLiftState(m_texts, answer)) {
        emit liftStateDecoded(*state);
        if (m_shaft) {
            m_shaft->setMessage(state->stateText);
            if (state->directionPicture >= 0) m_shaft->setDirection(state->directionPicture);
            m_shaft->setFloor(state->floor);
            m_shaft->setTarget(state->target);
            if (state->safety >= 0) m_shaft->setSafetyState(state->safety);
            m_shaft->setDoor(0, state->doorA);
            m_shaft->setDoor(1, state->doorB);
            m_shaft->setTravel(state->travelBits);
        }
    }
    slotAnswer(PollCycle::LiftState, true);
}

void MonitorControl::showCallLamps(const QByteArray &answer)
{
    if (m_shaft)
        for (const CallLamp &lamp : decodeAckLamps(answer))
            m_shaft->setCallLamp(lamp.floor, lamp.side, lamp.enabled ? 1 : 0, lamp.which);
}

void MonitorControl::ackLampsAnswer(const QByteArray &answer)
{
    showCallLamps(answer);
    slotAnswer(PollCycle::AckLamps, true);
}

void MonitorControl::counterAnswer(int slot, const QString &value)
{
    emit valueShown(slot, value);
    slotAnswer(slot, true);
}

// With "16 Fehler" off the text is empty: the count field empties and the entry
// field keeps only its number, so no stale fault stays on show.
void MonitorControl::faultAnswer(int slot, const QString &value)
{
    QString shown = value;
    if (slot == PollCycle::NewestFault) shown = m_faultField.entryText(value);
    else if (m_cycle.slot(slot).enabled) m_faultField.countAnswer(value);
    emit valueShown(slot, shown);
    slotAnswer(slot, !value.isEmpty());
}

// --- hold, stop button, reset ---

void MonitorControl::holdMonitor()
{
    m_cycle.hold();
    sayTrace(QStringLiteral("Monitor Stop Button"));
    emit holdChanged();
}

void MonitorControl::releaseMonitor()
{
    if (m_cycle.release()) sayTrace(QStringLiteral("Release Monitor Stop Button"));
    emit holdChanged();
}

void MonitorControl::stopButtonClicked(bool pressed)
{
    if (pressed) holdMonitor();
    else m_cycle.clearHold();
    emit holdChanged();
    const bool running = m_partners.link.isLinked() && m_loopStarted;
    if (!running && !m_closing && !m_halting) monitorStart();
}

void MonitorControl::resetController()
{
    holdMonitor();
    sayTrace(QStringLiteral("Reset <F110>"));
    m_partners.queue.transferFlush();
    put(0, nullptr, core::bytes({0xF1, 0x10}));
    m_resetting = true;
    m_resetCountdown = ResetCountdownStart;
    emit resetCountdownChanged(m_resetCountdown);
    m_sleepTimer->start(m_resetTimeoutMs);
}

// Counts on below 0 while the hello goes unanswered; the forced restart runs once, at 0.
void MonitorControl::sleepTimerTick()
{
    m_sleepTimer->stop();
    --m_resetCountdown;
    emit resetCountdownChanged(m_resetCountdown);
    // Forced: the controller may never answer the hello, the loop comes back regardless.
    if (m_resetCountdown == 0) restartAnswer(HelloOk);
    sayTrace(QStringLiteral("<nach Reset>"));
    m_partners.queue.transferFlush();
    put(2, [this](const QByteArray &answer) { restartAnswer(answer); }, Hello);
    m_sleepTimer->start(RestartWaitMs);
}

void MonitorControl::restartAnswer(const QByteArray &answer)
{
    if (answer == HelloOk) {
        m_sleepTimer->stop();
        sayTrace(QStringLiteral("<Monitor Restart>"));
        releaseMonitor();
        m_resetting = false;
        restartMonitor();
    } else if (m_resetCountdown > 0) {
        sleepTimerTick();
    }
}

void MonitorControl::autorunClicked(bool on)
{
    m_autorun = on;
    m_partners.queue.transferFlush();
    // The flush dropped the slots' requests: the loop's start re-arms them, and
    // no hold from before may keep it from running.
    m_cycle.clearHold();
    m_cycle.clearReady();
    emit holdChanged();
    if (m_keepShaft) {
        startMonitorLoop();
    } else {
        destroyShaft();
        m_loopStarted = false;
        requestConfiguration();
    }
    emit linkedTextChanged(text("monitor_43", 7));
    emit monitorTabWanted();
}

void MonitorControl::monitorHalt()
{
    sayLog(QStringLiteral("unit43.monitor> halt"));
    disconnect(this, &MonitorControl::partnerLinked, nullptr, nullptr);
    disconnect(this, &MonitorControl::statusText, nullptr, nullptr);
    m_halting = true;
    stopButtonClicked(m_cycle.held());
    m_halting = false;
    m_userTimer->stop();
    m_sleepTimer->stop();
}

void MonitorControl::linkLostReset()
{
    // The lamp turns red at every port open too; only a link that stood can be lost.
    if (!m_linkSeen) return;
    m_linkSeen = false;
    holdMonitor();
    m_partners.queue.transferFlush();
    destroyShaft();
    emit valuesCleared();
}

void MonitorControl::linkChanged(bool up)
{
    if (!up) {
        emit linkedTextChanged(text("monitor_43", 7));
        return;
    }
    emit linkedTextChanged(text("monitor_43", 6));
    if (m_linkMode == LocalLink && !m_resetting) onLinkUp(QStringLiteral(" STEUERUNG"));
}

// --- the shaft from the controller's configuration ---

void MonitorControl::requestConfiguration()
{
    m_config.fill(0);
    m_ko = 0;
    put(ConfigBlockLength, [this](const QByteArray &a) { configAnswer(0, a); }, core::bytes({0xF3, 0x55, 0x1A, 0x00}));
}

void MonitorControl::configAnswer(int block, const QByteArray &answer)
{
    if (answer.isEmpty()) return;
    const auto copy = [this, &answer](int from, int to, int first) {
        for (int i = from; i <= to && i < answer.size(); ++i) m_config[first + i - from] = quint8(answer[i]);
    };
    switch (block) {
    case 0: {
        const int topFloor = answer.size() > 1 ? quint8(answer[1]) : 0;
        if (topFloor < 1 || topFloor > 39) return;
        m_ko = topFloor;
        copy(2, 15, 0);
        break;
    }
    case 1: copy(1, 15, 14); break;
    default:
        copy(1, 10, 29);
        makeShaftFromConfig(m_ko, m_config);
        startMonitorLoop();
        return;
    }
    put(ConfigBlockLength, [this, block](const QByteArray &a) { configAnswer(block + 1, a); },
        core::bytes({0xF3, 0x55, 0x1A, quint8(block + 1)}));
}

void MonitorControl::makeShaftFromConfig(int topFloor, const ShaftView::Config &config)
{
    m_partners.host.setReportVisible(false);
    if (m_shaft) m_shaft->build(topFloor, config);
    emit shaftBuilt(topFloor);
}

void MonitorControl::makeShaftFromSysMod(int topFloor, const ShaftView::Config &config)
{
    if (shaftExists()) {
        if (m_shaft) m_shaft->show();
        return;
    }
    makeShaftFromConfig(topFloor, config);
    if (m_partners.link.isLinked()) startMonitorLoop();
}

void MonitorControl::sendCall(int floor, int side, int mode)
{
    sayTrace(QStringLiteral("SendRuf"));
    put(2,
        [this](const QByteArray &answer) {
            sayTrace(QStringLiteral("GetRuf") + QString::fromLatin1(answer.left(5).toHex().toUpper()));
            if (answer.size() > 1 && quint8(answer[0]) != 0 && quint8(answer[1]) == 1) requestAckLamps();
        },
        callTelegram(floor, side, mode));
}

// Out of turn after a call: asked whatever the check box says, the slot's flag untouched.
void MonitorControl::requestAckLamps()
{
    put(10, [this](const QByteArray &answer) { showCallLamps(answer); }, core::bytes({0xF3, 0x55, 0x1C, 0x00}));
}

}  // namespace monitor
