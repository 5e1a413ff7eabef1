#include "TModem.h"

#include "shell/Reports.h"

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

TModem::TModem(core::TimerFactory &timers)
    : m_waitTimer(timers.createTimer()), m_initTimer(timers.createTimer())
{
    m_waitTimer->setCallback([this] { WaitTimerTick(); });
    m_initTimer->setSingleShot(true);
    m_initTimer->setCallback([this] { initTimedOut(); });
}

TModem::~TModem() = default;

void TModem::SessionInit()
{
    // A port that does not open, or a connection that will not drop, is a failed
    // init: the panel must hear of it instead of waiting for ever.
    if (!port.OpenPort || !port.OpenPort(ComPort)) {
        InitDone(QString());
        return;
    }
    const auto connected = [this] { return port.IsConnected && port.IsConnected(); };
    if (connected()) HangUpNow();
    if (connected() || !port.ModemTestAndInit) {
        InitDone(QString());
        return;
    }
    const int run = ++m_initRun;
    m_initTimer->start(InitTimeoutMs);
    port.ModemTestAndInit([this, run](const QString &portText) {
        if (run == m_initRun) InitDone(portText);
    });
}

void TModem::initTimedOut()
{
    ++m_initRun;
    InitDone(QString());
}

void TModem::InitDone(const QString &portText)
{
    m_initTimer->stop();
    ++m_initRun;
    ModemReady = !portText.isEmpty();
    // One outcome per init: both handlers go, whichever runs.
    TextProc success = std::move(InitSuccessHook);
    std::function<void()> failure = std::move(InitFailureHook);
    InitSuccessHook = nullptr;
    InitFailureHook = nullptr;
    if (ModemReady) {
        if (success) success(portText);
    } else if (failure) {
        failure();
    }
}

bool TModem::AskDialNumber()
{
    if (!InputQuery) return false;
    QString text = DialNumber;
    if (!InputQuery(QStringLiteral("dial"), QStringLiteral("test"), text)) return false;
    DialNumber = text;
    return true;
}

bool TModem::SessionDial(const QString &number)
{
    Connected = false;
    DialErrorText.clear();
    m_dialError.reset();
    m_inDial = true;
    const bool accepted = port.Dial
        && port.Dial(number, [this](const QString &name) { OnDialed(name); },
                     [this](const QString &text) { OnDialError(text); });
    m_inDial = false;
    // Refused because a connection already stands in data mode: leave it standing,
    // a later time-out would otherwise hang it up.
    if (!accepted) return false;
    if (m_dialError || Connected) {
        // Decided before the wait could start: end it now, not after the time-out.
        WaitDoneProc = [this] { DialWaitDone(); };
        WaitDone();
        return true;
    }
    const int seconds = DialTimeout > 0 ? qMin(DialTimeout, MaxDialTimeout) : DefaultDialTimeout;
    SendModemCommand([this] { DialWaitDone(); }, QString(), seconds * 1000);
    return true;
}

void TModem::OnDialed(const QString &name)
{
    PartnerName = name;
    Connected = true;
    LinkedPending = true;
    m_waitTag = 1;
}

void TModem::OnDialError(const QString &text)
{
    Connected = false;
    PartnerName.clear();
    DialErrorText = text;
    if (!text.isEmpty()) Reports().debug(QStringLiteral("mst_main> ") + text);
    if (m_inDial) {
        m_dialError = text;
        return;
    }
    WaitDone();
}

void TModem::ConnectChange(bool on)
{
    // A carrier lost while linked ends the session, so the panel stops showing a
    // partner that is gone; during a dial wait the dial's own ending covers it.
    if (on || !Connected || waitRunning()) return;
    Connected = false;
    Reports().debug(QStringLiteral("mst_main> NC"));
    if (port.HangUp) port.HangUp();
    if (SessionEndedHook) SessionEndedHook();
}

void TModem::DialWaitDone()
{
    if (Connected && LinkedPending) {
        PartnerText = PartnerName;
        if (PartnerHook) PartnerHook(PartnerName);
        return;
    }
    if (port.HangUp) port.HangUp();
    if (SessionEndedHook) SessionEndedHook();
}

void TModem::SendModemCommand(std::function<void()> done, const QString &command, int waitMs)
{
    if (!command.isEmpty() && port.SendString) port.SendString(command.toLatin1() + '\r');
    m_waitTimer->stop();
    m_waitTag = qMax(0, waitMs) / TickMs;
    WaitDoneProc = std::move(done);
    if (windows.SetGaugeMax) windows.SetGaugeMax(m_waitTag);
    if (windows.SetGaugePosition) windows.SetGaugePosition(m_waitTag);
    if (windows.SetTimeText)
        windows.SetTimeText(QStringLiteral("[%1 sec]").arg(qMax(0, waitMs) / 1000.0, 0, 'f', 2));
    m_waitTimer->start(TickMs);
}

void TModem::WaitTimerTick()
{
    --m_waitTag;
    if (m_waitTag > 0) {
        if (windows.SetGaugePosition) windows.SetGaugePosition(m_waitTag);
        return;
    }
    WaitDone();
}

void TModem::WaitDone()
{
    m_waitTimer->stop();
    m_waitTag = 0;
    if (windows.SetGaugePosition) windows.SetGaugePosition(0);
    runOnce(WaitDoneProc);
    runOnce(AnswerHook);
}

bool TModem::waitRunning() const
{
    return m_waitTimer->isActive();
}

void TModem::HangUpNow()
{
    // Hung up is not connected, even when the partner arrived a moment ago: the
    // wait then ends as a session end, not with a partner on a dead line.
    Connected = false;
    if (port.HangUp) port.HangUp();
    if (waitRunning()) m_waitTag = 1;
}

void TModem::SetSpeaker(bool on)
{
    // The one-second wait on the gauge keeps the dial button locked until the
    // modem has taken the command; no need to block the event loop as well.
    SendModemCommand(nullptr, on ? QStringLiteral("ATL2") : QStringLiteral("ATL0"), 1000);
}

void TModem::SessionHangUp()
{
    Reports().debug(QStringLiteral("mst_main> halt"));
    if (MonitorHalt) MonitorHalt();
    HangUpNow();
}

void TModem::StopMst(const LogProc &log)
{
    const auto say = [&log](const char *text) { if (log) log(QString::fromLatin1(text)); };
    if (ModemReady) {
        say("StopMst/modem.hangup");
        HangUpNow();
    }
    if (!Closing) return;
    say("StopMst/leds.unlink");
    if (windows.HideLeds) windows.HideLeds();
    say("StopMst/mst.panel.unlink");
    if (windows.ClosePanel) windows.ClosePanel();
    say("StopMst/FCanClose:=True");
    FCanClose = true;
}

void TModem::SessionHalt(const LogProc &log)
{
    if (Halted) return;
    Halted = true;
    StopMst(log);
    m_waitTimer->stop();
    m_initTimer->stop();
    ++m_initRun;
    if (TransferHalt) TransferHalt();
    if (port.ClosePort) port.ClosePort();
}

bool TModem::CloseRequest()
{
    if (!FCanClose) return false;
    StopMst([](const QString &text) { Reports().debug(text); });
    SessionHalt([](const QString &text) { Reports().write(text); });
    return true;
}

}  // namespace shell
