#include "RemoteSession.h"

#include "core/Reports.h"

namespace session {

namespace {

// Runs a one-shot procedure: cleared before it runs, so it may set itself again.
template <typename Fn, typename... Args>
void runOnce(Fn &slot, Args &&...args)
{
    Fn fn = std::move(slot);
    slot = nullptr;
    if (fn) fn(std::forward<Args>(args)...);
}

}  // namespace

RemoteSession::RemoteSession(core::TimerFactory &timers, SessionLine &line)
    : m_waitTimer(timers.createTimer()), m_initTimer(timers.createTimer()), m_line(line)
{
    m_waitTimer->setCallback([this] { waitTimerTick(); });
    m_initTimer->setSingleShot(true);
    m_initTimer->setCallback([this] { initTimedOut(); });
}

RemoteSession::~RemoteSession() = default;

void RemoteSession::sessionInit()
{
    // A port that does not open, or a connection that will not drop, is a failed
    // init: the panel must hear of it instead of waiting for ever.
    if (!m_line.openPort(m_comPort)) {
        initDone(QString());
        return;
    }
    if (m_line.isConnected()) hangUpNow();
    if (m_line.isConnected()) {
        initDone(QString());
        return;
    }
    const int run = ++m_initRun;
    m_initTimer->start(InitTimeoutMs);
    m_line.modemTestAndInit([this, run](const QString &portText) {
        if (run == m_initRun) initDone(portText);
    });
}

void RemoteSession::initTimedOut()
{
    ++m_initRun;
    initDone(QString());
}

void RemoteSession::initDone(const QString &portText)
{
    m_initTimer->stop();
    ++m_initRun;
    m_modemReady = !portText.isEmpty();
    if (m_modemReady) emit initSucceeded(portText);
    else emit initFailed();
}

bool RemoteSession::askDialNumber()
{
    if (!inputQuery) return false;
    QString text = m_dialNumber;
    if (!inputQuery(QStringLiteral("dial"), QStringLiteral("test"), text)) return false;
    m_dialNumber = text;
    return true;
}

bool RemoteSession::sessionDial(const QString &number)
{
    m_connected = false;
    m_dialErrorText.clear();
    m_dialError.reset();
    m_inDial = true;
    const bool accepted = m_line.dial(number, [this](const QString &name) { onDialed(name); },
                                      [this](const QString &text) { onDialError(text); });
    m_inDial = false;
    // Refused because a connection already stands in data mode: leave it standing,
    // a later time-out would otherwise hang it up.
    if (!accepted) return false;
    if (m_dialError || m_connected) {
        // Decided before the wait could start: end it now, not after the time-out.
        m_waitDone = [this] { dialWaitDone(); };
        waitDone();
        return true;
    }
    const int seconds = m_dialTimeout > 0 ? qMin(m_dialTimeout, MaxDialTimeout) : DefaultDialTimeout;
    sendModemCommand([this] { dialWaitDone(); }, QString(), seconds * 1000);
    return true;
}

void RemoteSession::onDialed(const QString &name)
{
    m_partnerName = name;
    m_connected = true;
    m_linkedPending = true;
    m_waitTag = 1;
}

void RemoteSession::onDialError(const QString &text)
{
    m_connected = false;
    m_partnerName.clear();
    m_dialErrorText = text;
    if (!text.isEmpty()) core::reports().debug(QStringLiteral("mst_main> ") + text);
    if (m_inDial) {
        m_dialError = text;
        return;
    }
    waitDone();
}

void RemoteSession::connectChange(bool on)
{
    // A carrier lost while linked ends the session, so the panel stops showing a
    // partner that is gone; during a dial wait the dial's own ending covers it.
    if (on || !m_connected || waitRunning()) return;
    m_connected = false;
    core::reports().debug(QStringLiteral("mst_main> NC"));
    m_line.hangUp();
    emit sessionEnded();
}

void RemoteSession::dialWaitDone()
{
    if (m_connected && m_linkedPending) {
        m_partnerText = m_partnerName;
        emit partnerLinked(m_partnerName);
        return;
    }
    m_line.hangUp();
    emit sessionEnded();
}

void RemoteSession::sendModemCommand(std::function<void()> done, const QString &command, int waitMs)
{
    if (!command.isEmpty()) m_line.sendString(command.toLatin1() + '\r');
    m_waitTimer->stop();
    m_waitTag = qMax(0, waitMs) / TickMs;
    m_waitDone = std::move(done);
    emit gaugeMaxChanged(m_waitTag);
    emit gaugePositionChanged(m_waitTag);
    emit timeTextChanged(QStringLiteral("[%1 sec]").arg(qMax(0, waitMs) / 1000.0, 0, 'f', 2));
    m_waitTimer->start(TickMs);
}

void RemoteSession::waitTimerTick()
{
    --m_waitTag;
    if (m_waitTag > 0) {
        emit gaugePositionChanged(m_waitTag);
        return;
    }
    waitDone();
}

void RemoteSession::waitDone()
{
    m_waitTimer->stop();
    m_waitTag = 0;
    emit gaugePositionChanged(0);
    runOnce(m_waitDone);
    emit waitEnded();
}

bool RemoteSession::waitRunning() const
{
    return m_waitTimer->isActive();
}

void RemoteSession::hangUpNow()
{
    // Hung up is not connected, even when the partner arrived a moment ago: the
    // wait then ends as a session end, not with a partner on a dead line.
    m_connected = false;
    m_line.hangUp();
    if (waitRunning()) m_waitTag = 1;
}

void RemoteSession::setSpeaker(bool on)
{
    // The one-second wait on the gauge keeps the dial button locked until the
    // modem has taken the command; no need to block the event loop as well.
    sendModemCommand(nullptr, on ? QStringLiteral("ATL2") : QStringLiteral("ATL0"), 1000);
}

void RemoteSession::sessionHangUp()
{
    core::reports().debug(QStringLiteral("mst_main> halt"));
    emit hangingUp();
    hangUpNow();
}

void RemoteSession::stopMst(const LogProc &log)
{
    const auto say = [&log](const char *text) { if (log) log(QString::fromLatin1(text)); };
    if (m_modemReady) {
        say("StopMst/modem.hangup");
        hangUpNow();
    }
    if (!m_closing) return;
    say("StopMst/leds.unlink");
    emit ledsUnlinked();
    say("StopMst/mst.panel.unlink");
    emit panelUnlinked();
    say("StopMst/FCanClose:=True");
    m_canClose = true;
}

void RemoteSession::sessionHalt(const LogProc &log)
{
    if (m_halted) return;
    m_halted = true;
    stopMst(log);
    m_waitTimer->stop();
    m_initTimer->stop();
    ++m_initRun;
    m_line.haltTransfers();
    m_line.closePort();
}

bool RemoteSession::closeRequest()
{
    if (!m_canClose) return false;
    stopMst([](const QString &text) { core::reports().debug(text); });
    sessionHalt([](const QString &text) { core::reports().write(text); });
    return true;
}

}  // namespace session
