#include "ModemControl.h"

#include "core/Bytes.h"

namespace comlink {

namespace {
constexpr quint8 SOH = 0x01;
const QByteArray SyncReply = core::bytes({0x06, 0x15, 0x15});

void progress(ComPort &port, const QString &text)
{
    port.TrafficLine('>', QByteArray("MyComport/") + text.toLatin1());
}
}  // namespace

const QByteArray ModemControl::Notification = core::bytes({0x03, 0x0C, 0x05, 0x13});
const QByteArray ModemControl::NameRequest = core::bytes({0x04, 0x28, 0xFF, 0x90, 0xBA});
const QByteArray ModemControl::NameAnswerHeader = core::bytes({0x28, 0xFF, 0x91});

ModemControl::ModemControl(ComPort &port, TKavCom &kavcom, core::TimerFactory &timers)
    : m_port(port), m_kavcom(kavcom), m_modem(port, timers), m_timer1(timers.createTimer()),
      m_stepTimer(timers.createTimer())
{
    m_stepTimer->setSingleShot(true);
    m_modem.OnConnected = [this] { onModemConnected(); };
    m_modem.OnLineSpeed = [this](const QString &speed) {
        setStatus(QStringLiteral("LineSpeed: ") + speed);
        m_port.AppLog(QStringLiteral("CONNECT ") + speed);
    };
    m_modem.OnConnectFailed = [this](const QString &reason) { onConnectFailed(reason); };
    m_port.OnModemHangup = [this] { m_modem.HangUpNow(); };
}

ModemControl::~ModemControl()
{
    m_port.OnModemHangup = nullptr;
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

void ModemControl::ModemInit()
{
    converse([this] {
        m_busy = true;
        // The modem's "OK" after its own initialisation: give it time before the next command.
        runInit([this] { after(InitWaitMs, [this] { endConversation(); }); });
    });
}

void ModemControl::ModemTestAndInit(TextProc onReady)
{
    converse([this, onReady = std::move(onReady)] {
        m_busy = true;
        runInit([this, onReady] { beginTest(onReady); });
    });
}

void ModemControl::ModemTest(TextProc onReady)
{
    converse([this, onReady = std::move(onReady)] {
        m_busy = true;
        beginTest(onReady);
    });
}

void ModemControl::runInit(std::function<void()> then)
{
    m_port.ModemUsed = true;
    const ModemSettings s = ReadSettings ? ReadSettings() : ModemSettings{};
    m_port.AskModemCmd = s.askModem;
    m_port.EchoOffCmd = s.echoOff;
    // Replies must reach the text path, not a framing hook left from an earlier call.
    if (!m_port.DataMode) releaseLine();
    progress(m_port, QStringLiteral("Modem-Init-Strings senden"));
    sendCommand(s.echoOff);
    sendCommand(s.i1);
    after(InitWaitMs, [this, s, then] {
        sendCommand(s.i2);
        after(InitWaitMs, [this, s, then] {
            sendCommand(s.i3);
            after(InitWaitMs, [this, then] {
                m_modem.Initialise();
                then();
            });
        });
    });
}

void ModemControl::sendCommand(const QString &command)
{
    // An empty free command would only be a bare CR.
    if (!command.isEmpty()) m_port.SendString(command.toLatin1() + '\r');
}

void ModemControl::beginTest(TextProc onReady)
{
    m_onReady = std::move(onReady);
    m_port.UpdateView([](ComPort::View &v) {
        v.modemId = QStringLiteral("keine ModemId");
        v.modemOpenColour = core::colour::Red;
    });
    m_port.OnLine = nullptr;
    progress(m_port, QStringLiteral("wait-0"));
    after(TestWaitMs, [this] { testAfterWait(); });
}

void ModemControl::testAfterWait()
{
    progress(m_port, QStringLiteral("wait-1"));
    // DSR cannot be read on our lines; DCD only where the line has it.
    progress(m_port, QStringLiteral("lit: ") + (m_port.Carrier().value_or(false) ? QStringLiteral("lit3") : QString()));
    if (!m_port.IsOpen() || m_port.PortClosed) {
        progress(m_port, QStringLiteral("wait-3"));
        finishTest({});
        return;
    }
    progress(m_port, QStringLiteral("wait-2"));
    setStatus({});
    m_port.LastLine.clear();
    sendAwaitingOk(QByteArrayLiteral("AT\r"), [this] { testFirstOk(); });
}

void ModemControl::sendAwaitingOk(const QByteArray &command, std::function<void()> onOk)
{
    m_port.OnOk = std::move(onOk);
    m_port.SendString(command);
    after(ReplyTimeoutMs, [this] {
        progress(m_port, QStringLiteral("kein OK"));
        finishTest({});
    });
}

void ModemControl::testFirstOk()
{
    m_port.UpdateView([this](ComPort::View &v) {
        v.status = QStringLiteral("Modem %1").arg(m_port.ComNumber);
        v.portLabel = m_port.PortText + QStringLiteral("/MODEM");
        v.modemOpenColour = core::colour::Green;
    });
    m_port.MemoText(QStringLiteral("*****"));
    sendAwaitingOk(m_port.AskModemCmd.toUpper().toLatin1() + '\r', [this] { testSecondOk(); });
}

void ModemControl::testSecondOk()
{
    // The status label holds the last line before "OK": the modem's identification.
    m_port.UpdateView([](ComPort::View &v) { v.modemId = v.status; });
    finishTest(m_port.view().portLabel);
}

void ModemControl::finishTest(const QString &portText)
{
    m_stepTimer->stop();
    m_port.OnOk = nullptr;
    if (auto ready = std::exchange(m_onReady, {})) ready(portText);
    if (m_port.OnModemReady) m_port.OnModemReady(portText);
    if (!portText.isEmpty() && m_port.OnPortText) m_port.OnPortText(portText);
    endConversation();
}

// ---- dialling and connection

bool ModemControl::Dial(const QString &number, TextProc onLinked, TextProc onError)
{
    if (m_port.DataMode) {
        if (onError) onError({});
        return false;
    }
    m_port.ModemUsed = true;  // so that the end of the program hangs up
    converse([this, number, onLinked = std::move(onLinked), onError = std::move(onError)] {
        startDial(number, onLinked, onError);
    }, true);
    return true;
}

void ModemControl::startDial(const QString &number, TextProc onLinked, TextProc onError)
{
    releaseLine();
    m_kavcom.OnLinkError = std::move(onError);
    m_port.OnLinked = std::move(onLinked);
    m_port.OnConnected = [this](bool) { retarget(SyncStartMs, false, [this] { startSyncAfterConnect(); }); };
    setStatus(number);
    m_port.AppLog(QStringLiteral("wähle: ") + number);
    if (m_modem.CallInProgress()) m_modem.CancelCall();
    // Without a line the modem cannot answer: no point waiting for the dial time-out.
    if (!m_port.IsOpen() || m_port.PortClosed) {
        onConnectFailed(QStringLiteral("port closed"));
        return;
    }
    m_modem.Dial(number);
}

void ModemControl::onModemConnected()
{
    m_timer1->stop();
    m_port.ConnectLedChange(true);
}

void ModemControl::onConnectFailed(const QString &reason)
{
    m_timer1->stop();
    setStatus(QStringLiteral("Modem Connect Fehler"));
    m_port.AppLog(QStringLiteral("MODEM CONNECT FEHLER"));
    m_port.Trace(QStringLiteral("modem: ") + reason);
    linkError(QStringLiteral("port>Modem Connect Fehler"));
}

void ModemControl::HangUp()
{
    releaseLine();
    m_timer1->stop();
    std::erase_if(m_waiting, [](const Waiting &w) { return w.dial; });
    // The dial's procedures end with its call.
    m_kavcom.OnLinkError = nullptr;
    m_port.OnConnected = nullptr;
    m_modem.CancelCall();
    // The line is dropped now, so the next dial is not refused as "in data mode".
    if (m_port.DataMode || m_port.IsConnected()) m_port.ConnectLedChange(false);
    if (m_modem.HangingUp()) return;
    converse([this] {
        m_busy = true;
        m_modem.HangUp([this] { endConversation(); });
    });
}

// ---- synchronisation, notification, partner name

void ModemControl::startSyncAfterConnect()
{
    m_timer1->stop();
    m_port.DataModeSwitch(true);
    StartSync();
}

void ModemControl::StartSync()
{
    SyncTries = SyncProbes;
    m_port.MemoText(QStringLiteral("start-sync"));
    m_kavcom.KavcomReset();
    m_port.RxHook = [this](int count) { syncReceive(count); };
    m_syncBuffer.clear();
    m_port.SendChar(SOH);
    retarget(SyncTickMs, true, [this] { syncTick(); });
}

void ModemControl::StartSyncTest(TextProc onError)
{
    m_kavcom.OnLinkError = std::move(onError);
    StartSync();
}

void ModemControl::syncTick()
{
    if (--SyncTries > 0) m_port.SendChar(SOH);
    else syncFailed();
}

void ModemControl::syncReceive(int count)
{
    m_syncBuffer += m_port.ReadChars(count);
    --SyncTries;
    if (m_syncBuffer.size() < 3) return;
    m_timer1->stop();
    if (m_syncBuffer.contains(SyncReply)) {
        m_port.MemoText(QStringLiteral("** MST.SYNC **"));
        m_port.RxHook = [this](int n) {
            m_port.ReadChars(n);
            m_port.MemoText(QStringLiteral("** es sollte nichts kommen !! **"));
        };
        retarget(NotifyDelayMs, false, [this] { NotifyPartner(); });
        return;
    }
    // A noisy line must end the attempts even though each batch restarts the tick.
    if (SyncTries <= 0) {
        syncFailed();
        return;
    }
    m_syncBuffer = m_syncBuffer.right(SyncReply.size() - 1);  // a reply split over two batches
    retarget(SyncTickMs, true, [this] { syncTick(); });
    m_port.SendChar(SOH);
}

void ModemControl::syncFailed()
{
    m_timer1->stop();
    m_port.RxHook = nullptr;
    m_port.OnLinked = nullptr;
    linkError(QStringLiteral("MST.SYNC FAILED"));
}

void ModemControl::NotifyPartner()
{
    m_timer1->stop();
    m_port.MemoText(QStringLiteral("** NOTIFY PARTNER **"));
    m_kavcom.KavcomReset();  // the framing layer takes the receive hook back from the synchronisation
    m_kavcom.SendNoAnswer(Notification, [this](const QString &) { onNotified(); });
}

void ModemControl::onNotified()
{
    m_timer1->stop();
    m_port.AppLog(QStringLiteral("SYNCHRONISIERT"));
    m_port.MemoText(QStringLiteral("NOTIFIED/CONNECTED"));
    m_port.SetLinkState(true);
    Timer1Tag = 0;
    retarget(CarrierWatchMs, true, [this] { carrierTick(); });
    m_kavcom.OnLinkError = nullptr;
    RequestPartnerName();
}

void ModemControl::RequestPartnerName()
{
    m_kavcom.AnswerHeader = NameAnswerHeader;
    if (!m_kavcom.StartSend(NameRequest, [this](const QByteArray &frame) { onPartnerName(frame); }))
        m_kavcom.AnswerHeader = TKavCom::StandardHeader;
}

QString ModemControl::PartnerNameFromFrame(const QByteArray &frame)
{
    QString name;
    for (char c : frame.left(qMax<qsizetype>(0, frame.size() - 2)))
        if (quint8(c) >= 0x30 && quint8(c) <= 0x7A) name += QLatin1Char(c);
    return name;
}

void ModemControl::onPartnerName(const QByteArray &frame)
{
    PartnerName = frame;
    const QString name = PartnerNameFromFrame(frame);
    setStatus(name);
    m_kavcom.OnLinkError = nullptr;
    m_kavcom.AnswerHeader = TKavCom::StandardHeader;
    if (auto linked = m_port.OnLinked) linked(name);
}

// ---- carrier watch and count-down

void ModemControl::carrierTick()
{
    if (!m_modem.Carrier()) {
        m_timer1->stop();
        m_port.ConnectLedChange(false);
        // The modem talks in text again; a transfer in flight cannot finish.
        releaseLine();
        return;
    }
    ++Timer1Tag;
    if (OnTimerText) OnTimerText(QString::number(Timer1Tag));
}

void ModemControl::StartDialCountdown()
{
    Timer1Tag = DialCountdownSeconds;
    retarget(1000, true, [this] {
        setStatus(QStringLiteral("noch %1 sec").arg(--Timer1Tag));
        if (Timer1Tag <= 0) m_timer1->stop();
    });
}

// ---- helpers

void ModemControl::releaseLine()
{
    m_kavcom.KavcomReset();
    m_port.RxHook = nullptr;
    m_kavcom.AnswerHeader = TKavCom::StandardHeader;
}

void ModemControl::retarget(int ms, bool repeat, std::function<void()> handler)
{
    m_timer1->stop();
    m_timer1->setSingleShot(!repeat);
    m_timer1->setCallback(std::move(handler));
    m_timer1->start(ms);
}

void ModemControl::setStatus(const QString &text)
{
    m_port.UpdateView([&text](ComPort::View &v) { v.status = text; });
}

void ModemControl::linkError(const QString &text)
{
    if (auto onError = m_kavcom.OnLinkError) onError(text);
}

}  // namespace comlink
