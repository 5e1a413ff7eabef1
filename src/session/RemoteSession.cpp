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
    if (!m_port.openPort || !m_port.openPort(m_comPort)) {
        initDone(QString());
        return;
    }
    const auto modemConnected = [this] { return m_port.isConnected && m_port.isConnected(); };
    if (modemConnected()) hangUpNow();
    if (modemConnected() || !m_port.modemTestAndInit) {
        initDone(QString());
        return;
    }
    const int run = ++m_initRun;
    m_initTimer->start(InitTimeoutMs);
    m_port.modemTestAndInit([this, run](const QString &portText) {
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
    // One outcome per init: both handlers go, whichever runs.
    TextProc success = std::move(initSuccessHook);
    std::function<void()> failure = std::move(initFailureHook);
    initSuccessHook = nullptr;
    initFailureHook = nullptr;
    if (m_modemReady) {
        if (success) success(portText);
    } else if (failure) {
        failure();
    }
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
    const bool accepted = m_port.dial
        && m_port.dial(number, [this](const QString &name) { onDialed(name); },
                     [this](const QString &text) { onDialError(text); });
    m_inDial = false;
    // Refused because a connection already stands in data mode: leave it standing,
    // a later time-out would otherwise hang it up.
    if (!accepted) return false;
    if (m_dialError || m_connected) {
        // Decided before the wait could start: end it now, not after the time-out.
        waitDoneProc = [this] { dialWaitDone(); };
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
    if (m_port.hangUp) m_port.hangUp();
    if (sessionEndedHook) sessionEndedHook();
}

void RemoteSession::dialWaitDone()
{
    if (m_connected && m_linkedPending) {
        m_partnerText = m_partnerName;
        if (partnerHook) partnerHook(m_partnerName);
        return;
    }
    if (m_port.hangUp) m_port.hangUp();
    if (sessionEndedHook) sessionEndedHook();
}

void RemoteSession::sendModemCommand(std::function<void()> done, const QString &command, int waitMs)
{
    if (!command.isEmpty() && m_port.sendString) m_port.sendString(command.toLatin1() + '\r');
    m_waitTimer->stop();
    m_waitTag = qMax(0, waitMs) / TickMs;
    waitDoneProc = std::move(done);
    if (m_windows.setGaugeMax) m_windows.setGaugeMax(m_waitTag);
    if (m_windows.setGaugePosition) m_windows.setGaugePosition(m_waitTag);
    if (m_windows.setTimeText)
        m_windows.setTimeText(QStringLiteral("[%1 sec]").arg(qMax(0, waitMs) / 1000.0, 0, 'f', 2));
    m_waitTimer->start(TickMs);
}

void RemoteSession::waitTimerTick()
{
    --m_waitTag;
    if (m_waitTag > 0) {
        if (m_windows.setGaugePosition) m_windows.setGaugePosition(m_waitTag);
        return;
    }
    waitDone();
}

void RemoteSession::waitDone()
{
    m_waitTimer->stop();
    m_waitTag = 0;
    if (m_windows.setGaugePosition) m_windows.setGaugePosition(0);
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
    m_connected = false;
    if (m_port.hangUp) m_port.hangUp();
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
    if (m_modemReady) {
        say("StopMst/modem.hangup");
        hangUpNow();
    }
    if (!m_closing) return;
    say("StopMst/leds.unlink");
    if (m_windows.hideLeds) m_windows.hideLeds();
    say("StopMst/mst.panel.unlink");
    if (m_windows.closePanel) m_windows.closePanel();
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
    if (transferHalt) transferHalt();
    if (m_port.closePort) m_port.closePort();
}

bool RemoteSession::closeRequest()
{
    if (!m_canClose) return false;
    stopMst([](const QString &text) { core::reports().debug(text); });
    sessionHalt([](const QString &text) { core::reports().write(text); });
    return true;
}

}  // namespace session
