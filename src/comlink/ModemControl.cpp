#include "ModemControl.h"

#include "core/Bytes.h"

namespace comlink {

namespace {
constexpr quint8 SOH = 0x01;
const QByteArray SyncReply = core::bytes({0x06, 0x15, 0x15});

void progress(ComPort &port, const QString &text)
{
    port.trafficLine('>', QByteArray("MyComport/") + text.toLatin1());
}
}  // namespace

const QByteArray ModemControl::Notification = core::bytes({0x03, 0x0C, 0x05, 0x13});
const QByteArray ModemControl::NameRequest = core::bytes({0x04, 0x28, 0xFF, 0x90, 0xBA});
const QByteArray ModemControl::NameAnswerHeader = core::bytes({0x28, 0xFF, 0x91});

ModemControl::ModemControl(ComPort &port, FramedLink &framedLink, core::TimerFactory &timers)
    : m_port(port), m_framedLink(framedLink), m_modem(port, timers), m_dialogueTimer(timers.createTimer()),
      m_stepTimer(timers.createTimer())
{
    m_stepTimer->setSingleShot(true);
    m_modem.onConnected = [this] { onModemConnected(); };
    m_modem.onLineSpeed = [this](const QString &speed) {
        setStatus(QStringLiteral("LineSpeed: ") + speed);
        m_port.appLog(QStringLiteral("CONNECT ") + speed);
    };
    m_modem.onConnectFailed = [this](const QString &reason) { onConnectFailed(reason); };
    m_port.onModemHangup = [this] { m_modem.hangUpNow(); };
}

ModemControl::~ModemControl()
{
    m_port.onModemHangup = nullptr;
}

// ---- one conversation at a time

void ModemControl::converse(std::function<void()> action, bool dial)
{
    if (m_busy) {
        m_waiting.push_back({dial, std::move(action)});
        return;
    }
    action();
}

void ModemControl::endConversation()
{
    m_busy = false;
    while (!m_busy && !m_waiting.empty()) {
        auto next = std::move(m_waiting.front().action);
        m_waiting.pop_front();
        next();
    }
}

void ModemControl::after(int ms, std::function<void()> step)
{
    m_stepTimer->setCallback(std::move(step));
    m_stepTimer->start(ms);
}

// ---- initialisation and test

void ModemControl::modemInit()
{
    converse([this] {
        m_busy = true;
        // The modem's "OK" after its own initialisation: give it time before the next command.
        runInit([this] { after(InitWaitMs, [this] { endConversation(); }); });
    });
}

void ModemControl::modemTestAndInit(TextProc onReady)
{
    converse([this, onReady = std::move(onReady)] {
        m_busy = true;
        runInit([this, onReady] { beginTest(onReady); });
    });
}

void ModemControl::modemTest(TextProc onReady)
{
    converse([this, onReady = std::move(onReady)] {
        m_busy = true;
        beginTest(onReady);
    });
}

void ModemControl::runInit(std::function<void()> then)
{
    m_port.setModemUsed(true);
    const ModemSettings s = readSettings ? readSettings() : ModemSettings{};
    m_port.setAskModemCmd(s.askModem);
    m_port.setEchoOffCmd(s.echoOff);
    // Replies must reach the text path, not a framing hook left from an earlier call.
    if (!m_port.dataMode()) releaseLine();
    progress(m_port, QStringLiteral("Modem-Init-Strings senden"));
    sendCommand(s.echoOff);
    sendCommand(s.i1);
    after(InitWaitMs, [this, s, then] {
        sendCommand(s.i2);
        after(InitWaitMs, [this, s, then] {
            sendCommand(s.i3);
            after(InitWaitMs, [this, then] {
                m_modem.initialise();
                then();
            });
        });
    });
}

void ModemControl::sendCommand(const QString &command)
{
    // An empty free command would only be a bare CR.
    if (!command.isEmpty()) m_port.sendString(command.toLatin1() + '\r');
}

void ModemControl::beginTest(TextProc onReady)
{
    m_onReady = std::move(onReady);
    m_port.updateView([](ComPort::View &v) {
        v.modemIdentity = ComPort::ModemIdentity::NotRead;
        v.modemId.clear();
        v.modemOpen = false;
    });
    m_port.onLine = nullptr;
    progress(m_port, QStringLiteral("wait-0"));
    after(TestWaitMs, [this] { testAfterWait(); });
}

void ModemControl::testAfterWait()
{
    progress(m_port, QStringLiteral("wait-1"));
    // A line without control lines (pseudo-terminal) lights neither.
    const ControlLines lines = m_port.controlLines();
    progress(m_port, QStringLiteral("lit: ") + (lines.known && lines.dcd ? QStringLiteral("lit3") : QString())
                         + (lines.known && lines.dsr ? QStringLiteral("lit4") : QString()));
    if (!m_port.isOpen() || m_port.portClosed()) {
        progress(m_port, QStringLiteral("wait-3"));
        finishTest({});
        return;
    }
    progress(m_port, QStringLiteral("wait-2"));
    setStatus({});
    m_port.clearLastLine();
    sendAwaitingOk(QByteArrayLiteral("AT\r"), [this] { testFirstOk(); });
}

void ModemControl::sendAwaitingOk(const QByteArray &command, std::function<void()> onOk)
{
    m_port.onOk = std::move(onOk);
    m_port.sendString(command);
    after(ReplyTimeoutMs, [this] {
        progress(m_port, QStringLiteral("kein OK"));
        finishTest({});
    });
}

void ModemControl::testFirstOk()
{
    m_port.updateView([this](ComPort::View &v) {
        v.status = QStringLiteral("Modem %1").arg(m_port.comNumber());
        v.portLabel = m_port.portText() + QStringLiteral("/MODEM");
        v.modemOpen = true;
    });
    m_port.memoText(QStringLiteral("*****"));
    sendAwaitingOk(m_port.askModemCmd().toUpper().toLatin1() + '\r', [this] { testSecondOk(); });
}

void ModemControl::testSecondOk()
{
    // The status label holds the last line before "OK": the modem's identification.
    m_port.updateView([](ComPort::View &v) {
        v.modemIdentity = ComPort::ModemIdentity::Read;
        v.modemId = v.status;
    });
    finishTest(m_port.view().portLabel);
}

void ModemControl::finishTest(const QString &portText)
{
    m_stepTimer->stop();
    m_port.onOk = nullptr;
    if (auto ready = std::exchange(m_onReady, {})) ready(portText);
    if (m_port.onModemReady) m_port.onModemReady(portText);
    if (!portText.isEmpty() && m_port.onPortText) m_port.onPortText(portText);
    endConversation();
}

// ---- dialling and connection

bool ModemControl::dial(const QString &number, TextProc onLinked, TextProc onError)
{
    if (m_port.dataMode()) {
        if (onError) onError({});
        return false;
    }
    m_port.setModemUsed(true);  // so that the end of the program hangs up
    converse([this, number, onLinked = std::move(onLinked), onError = std::move(onError)] {
        startDial(number, onLinked, onError);
    }, true);
    return true;
}

void ModemControl::startDial(const QString &number, TextProc onLinked, TextProc onError)
{
    releaseLine();
    m_framedLink.onLinkError = std::move(onError);
    m_port.onLinked = std::move(onLinked);
    m_port.onConnected = [this](bool) { retarget(SyncStartMs, false, [this] { startSyncAfterConnect(); }); };
    setStatus(number);
    m_port.appLog(QStringLiteral("wähle: ") + number);
    if (m_modem.callInProgress()) m_modem.cancelCall();
    // Without a line the modem cannot answer: no point waiting for the dial time-out.
    if (!m_port.isOpen() || m_port.portClosed()) {
        onConnectFailed(QStringLiteral("port closed"));
        return;
    }
    m_modem.dial(number);
}

void ModemControl::onModemConnected()
{
    m_dialogueTimer->stop();
    m_port.connectLedChange(true);
}

void ModemControl::onConnectFailed(const QString &reason)
{
    m_dialogueTimer->stop();
    setStatus(QStringLiteral("Modem Connect Fehler"));
    m_port.appLog(QStringLiteral("MODEM CONNECT FEHLER"));
    m_port.trace(QStringLiteral("modem: ") + reason);
    linkError(QStringLiteral("port>Modem Connect Fehler"));
}

void ModemControl::hangUp()
{
    releaseLine();
    m_dialogueTimer->stop();
    std::erase_if(m_waiting, [](const Waiting &w) { return w.dial; });
    // The dial's procedures end with its call.
    m_framedLink.onLinkError = nullptr;
    m_port.onConnected = nullptr;
    m_modem.cancelCall();
    // The line is dropped now, so the next dial is not refused as "in data mode".
    if (m_port.dataMode() || m_port.isConnected()) m_port.connectLedChange(false);
    if (m_modem.hangingUp()) return;
    converse([this] {
        m_busy = true;
        m_modem.hangUp([this] { endConversation(); });
    });
}

// ---- synchronisation, notification, partner name

void ModemControl::startSyncAfterConnect()
{
    m_dialogueTimer->stop();
    m_port.dataModeSwitch(true);
    startSync();
}

void ModemControl::startSync()
{
    m_syncTries = SyncProbes;
    m_port.memoText(QStringLiteral("start-sync"));
    m_framedLink.kavcomReset();
    m_port.rxHook = [this](int count) { syncReceive(count); };
    m_syncBuffer.clear();
    m_port.sendChar(SOH);
    retarget(SyncTickMs, true, [this] { syncTick(); });
}

void ModemControl::startSyncTest(TextProc onError)
{
    m_framedLink.onLinkError = std::move(onError);
    startSync();
}

void ModemControl::syncTick()
{
    if (--m_syncTries > 0) m_port.sendChar(SOH);
    else syncFailed();
}

void ModemControl::syncReceive(int count)
{
    m_syncBuffer += m_port.readChars(count);
    --m_syncTries;
    if (m_syncBuffer.size() < 3) return;
    m_dialogueTimer->stop();
    if (m_syncBuffer.contains(SyncReply)) {
        m_port.memoText(QStringLiteral("** MST.SYNC **"));
        m_port.rxHook = [this](int n) {
            m_port.readChars(n);
            m_port.memoText(QStringLiteral("** es sollte nichts kommen !! **"));
        };
        retarget(NotifyDelayMs, false, [this] { notifyPartner(); });
        return;
    }
    // A noisy line must end the attempts even though each batch restarts the tick.
    if (m_syncTries <= 0) {
        syncFailed();
        return;
    }
    m_syncBuffer = m_syncBuffer.right(SyncReply.size() - 1);  // a reply split over two batches
    retarget(SyncTickMs, true, [this] { syncTick(); });
    m_port.sendChar(SOH);
}

void ModemControl::syncFailed()
{
    m_dialogueTimer->stop();
    m_port.rxHook = nullptr;
    m_port.onLinked = nullptr;
    linkError(QStringLiteral("MST.SYNC FAILED"));
}

void ModemControl::notifyPartner()
{
    m_dialogueTimer->stop();
    m_port.memoText(QStringLiteral("** NOTIFY PARTNER **"));
    m_framedLink.kavcomReset();  // the framing layer takes the receive hook back from the synchronisation
    m_framedLink.sendNoAnswer(Notification, [this](const QString &) { onNotified(); });
}

void ModemControl::onNotified()
{
    m_dialogueTimer->stop();
    m_port.appLog(QStringLiteral("SYNCHRONISIERT"));
    m_port.memoText(QStringLiteral("NOTIFIED/CONNECTED"));
    m_port.setLinkState(true);
    m_dialogueTimerTag = 0;
    retarget(CarrierWatchMs, true, [this] { carrierTick(); });
    m_framedLink.onLinkError = nullptr;
    requestPartnerName();
}

void ModemControl::requestPartnerName()
{
    m_framedLink.setAnswerHeader(NameAnswerHeader);
    if (!m_framedLink.startSend(NameRequest, [this](const QByteArray &frame) { onPartnerName(frame); }))
        m_framedLink.setAnswerHeader(FramedLink::StandardHeader);
}

QString ModemControl::partnerNameFromFrame(const QByteArray &frame)
{
    QString name;
    for (char c : frame.left(qMax<qsizetype>(0, frame.size() - 2)))
        if (quint8(c) >= 0x30 && quint8(c) <= 0x7A) name += QLatin1Char(c);
    return name;
}

void ModemControl::onPartnerName(const QByteArray &frame)
{
    m_partnerName = frame;
    const QString name = partnerNameFromFrame(frame);
    setStatus(name);
    m_framedLink.onLinkError = nullptr;
    m_framedLink.setAnswerHeader(FramedLink::StandardHeader);
    if (auto linked = m_port.onLinked) linked(name);
}

// ---- carrier watch and count-down

void ModemControl::carrierTick()
{
    if (!m_modem.carrier()) {
        m_dialogueTimer->stop();
        m_port.connectLedChange(false);
        // The modem talks in text again; a transfer in flight cannot finish.
        releaseLine();
        return;
    }
    ++m_dialogueTimerTag;
    if (onTimerText) onTimerText(QString::number(m_dialogueTimerTag));
}

void ModemControl::startDialCountdown()
{
    m_dialogueTimerTag = DialCountdownSeconds;
    retarget(1000, true, [this] {
        setStatus(QStringLiteral("noch %1 sec").arg(--m_dialogueTimerTag));
        if (m_dialogueTimerTag <= 0) m_dialogueTimer->stop();
    });
}

// ---- helpers

void ModemControl::releaseLine()
{
    m_framedLink.kavcomReset();
    m_port.rxHook = nullptr;
    m_framedLink.setAnswerHeader(FramedLink::StandardHeader);
}

void ModemControl::retarget(int ms, bool repeat, std::function<void()> handler)
{
    m_dialogueTimer->stop();
    m_dialogueTimer->setSingleShot(!repeat);
    m_dialogueTimer->setCallback(std::move(handler));
    m_dialogueTimer->start(ms);
}

void ModemControl::setStatus(const QString &text)
{
    m_port.updateView([&text](ComPort::View &v) { v.status = text; });
}

void ModemControl::linkError(const QString &text)
{
    if (auto onError = m_framedLink.onLinkError) onError(text);
}

}  // namespace comlink
