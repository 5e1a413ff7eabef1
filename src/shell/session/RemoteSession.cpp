#include "RemoteSession.h"

#include "core/Reports.h"

namespace shell {

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

RemoteSession::RemoteSession(core::TimerFactory &timers)
    : m_waitTimer(timers.createTimer()), m_initTimer(timers.createTimer())
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
    if (!port.openPort || !port.openPort(comPort)) {
        initDone(QString());
        return;
    }
    const auto modemConnected = [this] { return port.isConnected && port.isConnected(); };
    if (modemConnected()) hangUpNow();
    if (modemConnected() || !port.modemTestAndInit) {
        initDone(QString());
        return;
    }
    const int run = ++m_initRun;
    m_initTimer->start(InitTimeoutMs);
    port.modemTestAndInit([this, run](const QString &portText) {
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
    modemReady = !portText.isEmpty();
    // One outcome per init: both handlers go, whichever runs.
    TextProc success = std::move(initSuccessHook);
    std::function<void()> failure = std::move(initFailureHook);
    initSuccessHook = nullptr;
    initFailureHook = nullptr;
    if (modemReady) {
        if (success) success(portText);
    } else if (failure) {
        failure();
    }
}

bool RemoteSession::askDialNumber()
{
    if (!inputQuery) return false;
    QString text = dialNumber;
    if (!inputQuery(QStringLiteral("dial"), QStringLiteral("test"), text)) return false;
    dialNumber = text;
    return true;
}

bool RemoteSession::sessionDial(const QString &number)
{
    connected = false;
    dialErrorText.clear();
    m_dialError.reset();
    m_inDial = true;
    const bool accepted = port.dial
        && port.dial(number, [this](const QString &name) { onDialed(name); },
                     [this](const QString &text) { onDialError(text); });
    m_inDial = false;
    // Refused because a connection already stands in data mode: leave it standing,
    // a later time-out would otherwise hang it up.
    if (!accepted) return false;
    if (m_dialError || connected) {
        // Decided before the wait could start: end it now, not after the time-out.
        waitDoneProc = [this] { dialWaitDone(); };
        waitDone();
        return true;
    }
    const int seconds = dialTimeout > 0 ? qMin(dialTimeout, MaxDialTimeout) : DefaultDialTimeout;
    sendModemCommand([this] { dialWaitDone(); }, QString(), seconds * 1000);
    return true;
}

void RemoteSession::onDialed(const QString &name)
{
    partnerName = name;
    connected = true;
    linkedPending = true;
    m_waitTag = 1;
}

void RemoteSession::onDialError(const QString &text)
{
    connected = false;
    partnerName.clear();
    dialErrorText = text;
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
    if (on || !connected || waitRunning()) return;
    connected = false;
    core::reports().debug(QStringLiteral("mst_main> NC"));
    if (port.hangUp) port.hangUp();
    if (sessionEndedHook) sessionEndedHook();
}

void RemoteSession::dialWaitDone()
{
    if (connected && linkedPending) {
        partnerText = partnerName;
        if (partnerHook) partnerHook(partnerName);
        return;
    }
    if (port.hangUp) port.hangUp();
    if (sessionEndedHook) sessionEndedHook();
}

void RemoteSession::sendModemCommand(std::function<void()> done, const QString &command, int waitMs)
{
    if (!command.isEmpty() && port.sendString) port.sendString(command.toLatin1() + '\r');
    m_waitTimer->stop();
    m_waitTag = qMax(0, waitMs) / TickMs;
    waitDoneProc = std::move(done);
    if (windows.setGaugeMax) windows.setGaugeMax(m_waitTag);
    if (windows.setGaugePosition) windows.setGaugePosition(m_waitTag);
    if (windows.setTimeText)
        windows.setTimeText(QStringLiteral("[%1 sec]").arg(qMax(0, waitMs) / 1000.0, 0, 'f', 2));
    m_waitTimer->start(TickMs);
}

void RemoteSession::waitTimerTick()
{
    --m_waitTag;
    if (m_waitTag > 0) {
        if (windows.setGaugePosition) windows.setGaugePosition(m_waitTag);
        return;
    }
    waitDone();
}

void RemoteSession::waitDone()
{
    m_waitTimer->stop();
    m_waitTag = 0;
    if (windows.setGaugePosition) windows.setGaugePosition(0);
    runOnce(waitDoneProc);
    runOnce(answerHook);
}

bool RemoteSession::waitRunning() const
{
    return m_waitTimer->isActive();
}

void RemoteSession::hangUpNow()
{
    // Hung up is not connected, even when the partner arrived a moment ago: the
    // wait then ends as a session end, not with a partner on a dead line.
    connected = false;
    if (port.hangUp) port.hangUp();
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
    if (monitorHalt) monitorHalt();
    hangUpNow();
}

void RemoteSession::stopMst(const LogProc &log)
{
    const auto say = [&log](const char *text) { if (log) log(QString::fromLatin1(text)); };
    if (modemReady) {
        say("StopMst/modem.hangup");
        hangUpNow();
    }
    if (!closing) return;
    say("StopMst/leds.unlink");
    if (windows.hideLeds) windows.hideLeds();
    say("StopMst/mst.panel.unlink");
    if (windows.closePanel) windows.closePanel();
    say("StopMst/FCanClose:=True");
    fCanClose = true;
}

void RemoteSession::sessionHalt(const LogProc &log)
{
    if (halted) return;
    halted = true;
    stopMst(log);
    m_waitTimer->stop();
    m_initTimer->stop();
    ++m_initRun;
    if (transferHalt) transferHalt();
    if (port.closePort) port.closePort();
}

bool RemoteSession::closeRequest()
{
    if (!fCanClose) return false;
    stopMst([](const QString &text) { core::reports().debug(text); });
    sessionHalt([](const QString &text) { core::reports().write(text); });
    return true;
}

}  // namespace shell
