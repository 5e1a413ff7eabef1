#include "KavCom.h"

#include "core/Bytes.h"
#include "shell/Reports.h"

namespace comlink {

const QByteArray TKavCom::StatusError = QByteArrayLiteral("<ERROR> NC/STATUS");
const QByteArray TKavCom::TimeoutError =
    QStringLiteral("%1 %2").arg(QStringLiteral("<ERROR> NC/TIME.OUT")).arg(TKavCom::AnswerTimeoutMs).toLatin1();
const QString TKavCom::LinkError = QStringLiteral("KAVCOM_TO_ZBL Error");
const QString TKavCom::NoAnswerText = QStringLiteral("return with no answer");
const QByteArray TKavCom::StandardHeader = QByteArray("\x28\xFF\xFF", 3);

TKavCom::TKavCom(core::TimerFactory &timers)
    : m_stateTimer(timers.createTimer()), m_answerTimer(timers.createTimer())
{
    m_stateTimer->setSingleShot(true);
    m_stateTimer->setCallback([this] { StateTimerExpired(); });
    m_answerTimer->setSingleShot(true);
    m_answerTimer->setCallback([this] { AnswerTimerExpired(); });
}

TKavCom::~TKavCom() = default;

quint8 TKavCom::Checksum(const QByteArray &lenHeaderPayload)
{
    quint8 sum = 0;
    for (char c : lenHeaderPayload) sum += quint8(c);
    return quint8(sum - 1);
}

QByteArray TKavCom::BuildFrame(const QByteArray &payload)
{
    // LEN is one byte; a telegram is at most 32 bytes, so this cut never bites in practice.
    const QByteArray content = StandardHeader + payload.left(255 - StandardHeader.size() - 1);
    QByteArray frame(1, char(content.size() + 1));
    frame += content;
    frame += char(Checksum(frame));
    return frame;
}

TKavCom::Unpacked TKavCom::UnpackAnswer(const QByteArray &answer)
{
    if (!answer.startsWith(StandardHeader)) return {answer, true};
    const int dataLength = qMax(0, int(answer.size()) - StandardHeader.size() - 1);
    return {answer.mid(StandardHeader.size(), dataLength), false};
}

QByteArray TKavCom::FindAnswerFrame(const QByteArray &received, const QByteArray &header, bool *complete)
{
    *complete = false;
    const int n = int(received.size());
    for (int i = 0; i + 5 <= n; ++i) {
        if (received[i] != STX || received.mid(i + 2, 3) != header) continue;
        const int length = core::byteAt(received, i + 1);
        if (length > n - i - 2) return {};
        *complete = true;
        return received.mid(i + 2, length);
    }
    return {};
}

bool TKavCom::KavcomSend(const QByteArray &telegram, core::AnswerProc onAnswer)
{
    if (Busy()) {
        Trace(QStringLiteral("Send nicht erlaubt"));
        if (onAnswer) onAnswer(StatusError);
        return false;
    }
    m_callerAnswer = std::move(onAnswer);
    Start(BuildFrame(telegram), AwaitAnswer);
    return true;
}

bool TKavCom::StartSend(const QByteArray &frame, core::AnswerProc onFrame)
{
    if (Busy()) {
        Trace(QStringLiteral("Send nicht erlaubt"));
        return false;
    }
    m_onFrame = std::move(onFrame);
    Start(frame, AwaitFrame);
    return true;
}

bool TKavCom::SendNoAnswer(const QByteArray &frame, std::function<void(const QString &)> onNoAnswer)
{
    if (Busy()) {
        Trace(QStringLiteral("Send nicht erlaubt"));
        return false;
    }
    m_onNoAnswer = std::move(onNoAnswer);
    Start(frame, AwaitAck);
    return true;
}

void TKavCom::Start(const QByteArray &frame, Transfer kind)
{
    m_transfer = kind;
    if (!m_hookInstalled && SetPortRxHook) {
        m_hookInstalled = true;
        // The port may outlive the layer: a hook left behind then does nothing.
        std::weak_ptr<bool> alive = m_alive;
        SetPortRxHook([this, alive](int count) {
            if (!alive.expired()) ReceiveBytes(count);
        });
    }
    m_outFrame = QByteArray(1, STX) + frame;
    // Every start gets the answer time-out, so a silent far end never keeps the layer busy.
    m_answerTimer->start(AnswerTimeoutMs);
    SetState(SohSent, 2000);
    SendByte(SOH);
}

void TKavCom::KavcomReset()
{
    core::AnswerProc pending = std::exchange(m_callerAnswer, {});
    ResetLayer();
    if (pending) pending(StatusError);
}

void TKavCom::ResetLayer()
{
    m_stateTimer->stop();
    m_answerTimer->stop();
    if (m_hookInstalled && SetPortRxHook) SetPortRxHook({});
    m_hookInstalled = false;
    m_state = Idle;
    m_transfer = NoTransfer;
    m_onFrame = {};
    m_onNoAnswer = {};
    m_callerAnswer = {};
    // Bytes of an abandoned transfer must not be taken for the next one's handshake.
    m_rxBuffer.clear();
    m_accumulator.clear();
}

void TKavCom::ReceiveBytes(int count)
{
    if (count <= 0 || !ReadChars) return;
    const QByteArray in = ReadChars(count);
    if (in.isEmpty()) return;
    m_rxBuffer += in;
    StepFirstOfBuffer();
}

void TKavCom::StepFirstOfBuffer()
{
    if (m_rxBuffer.isEmpty()) return;
    Step(TakeRxByte());
}

char TKavCom::TakeRxByte()
{
    const char b = m_rxBuffer.front();
    m_rxBuffer.remove(0, 1);
    return b;
}

void TKavCom::Step(char b)
{
    switch (m_state) {
    case Idle: StepIdle(b); break;
    case SohSent: StepSohSent(b); break;
    case FrameSent: StepFrameSent(b); break;
    case Receiving: StepReceiving(b); break;
    default: break;  // SohRepeat waits for its timer
    }
}

void TKavCom::StepIdle(char b)
{
    while (b != SOH) {
        if (m_rxBuffer.isEmpty()) {
            m_stateTimer->start(100);
            return;
        }
        b = TakeRxByte();
    }
    m_accumulator.clear();
    SetState(Receiving, 1000);
    SendByte(ACK);
}

void TKavCom::StepSohSent(char b)
{
    if (b == ACK) {
        SetState(FrameSent, 1000);
        Send(m_outFrame);
    } else if (b == NAK) {
        SetState(SohRepeat, 200);
    } else {
        SetState(Idle);
        SendByte(NAK);
    }
}

void TKavCom::StepFrameSent(char b)
{
    if (b == ACK) {
        m_stateTimer->stop();
        SetState(Idle);
        if (m_transfer == AwaitAck) {
            m_answerTimer->stop();
            m_transfer = NoTransfer;
            if (auto done = std::exchange(m_onNoAnswer, {})) done(NoAnswerText);
        } else {
            m_stateTimer->start(50);  // look for the controller's SOH
        }
    } else if (b == NAK) {
        Trace(QStringLiteral("Fehler <NAK> : senden wiederholen"));
        SetState(SohSent, 100);
        SendByte(SOH);
    } else {
        m_stateTimer->start(500);
    }
}

void TKavCom::StepReceiving(char b)
{
    m_accumulator += b;
    m_accumulator += m_rxBuffer;
    m_rxBuffer.clear();
    bool complete = false;
    const QByteArray frame = FindAnswerFrame(m_accumulator, AnswerHeader, &complete);
    if (complete) {
        FrameComplete(frame);
    } else if (m_accumulator.size() > MaxReceived) {
        // Endless noise after an SOH: give up as on the receive time-out.
        m_accumulator.clear();
        SetState(Idle);
        SendByte(NAK);
    } else {
        m_stateTimer->start(1000);
    }
}

void TKavCom::FrameComplete(const QByteArray &frame)
{
    SetState(Idle);
    m_accumulator.clear();
    SendByte(ACK);
    switch (m_transfer) {
    case AwaitAnswer: AnswerArrived(frame); break;
    case AwaitFrame:
        m_answerTimer->stop();
        m_transfer = NoTransfer;
        if (auto onFrame = std::exchange(m_onFrame, {})) onFrame(frame);
        break;
    default: break;  // nobody asked for this frame
    }
}

void TKavCom::AnswerArrived(const QByteArray &answer)
{
    m_answerTimer->stop();
    m_transfer = NoTransfer;
    core::AnswerProc caller = std::exchange(m_callerAnswer, {});
    const Unpacked unpacked = UnpackAnswer(answer);
    if (unpacked.error) {
        ResetLayer();
        if (OnLinkError) OnLinkError(LinkError);
    }
    if (caller) caller(unpacked.data);
}

void TKavCom::StateTimerExpired()
{
    switch (m_state) {
    case Idle: StepFirstOfBuffer(); break;
    case FrameSent: FrameSentTimerExpired(); break;
    case Receiving:
        m_rxBuffer.clear();
        SetState(Idle);
        SendByte(NAK);
        break;
    case SohRepeat:
        SetState(SohSent, 1000);
        SendByte(SOH);
        break;
    default: break;  // SohSent: only the answer time-out ends it
    }
}

void TKavCom::FrameSentTimerExpired()
{
    while (!m_rxBuffer.isEmpty()) {
        const char b = TakeRxByte();
        if (b == ACK || b == NAK) {
            Step(b);
            return;
        }
        if (b == SOH) {
            // The controller's SOH stands for the lost acknowledgement of
            // our frame followed by the start of its answer.
            Step(ACK);
            if (m_state == Idle) Step(SOH);  // unless the ACK's receiver started a new transfer
            return;
        }
    }
}

void TKavCom::AnswerTimerExpired()
{
    Trace(QString::fromLatin1(TimeoutError));
    if (m_transfer == AwaitAnswer) {
        AnswerArrived(TimeoutError);
        return;
    }
    ResetLayer();
    if (OnLinkError) OnLinkError(LinkError);
}

void TKavCom::Send(const QByteArray &bytes)
{
    if (SendString) SendString(bytes);
}

void TKavCom::SetState(StateValue state, int timerMs)
{
    m_state = state;
    if (timerMs >= 0) m_stateTimer->start(timerMs);
}

void TKavCom::Trace(const QString &text)
{
    shell::Reports().writeIf(shell::ReportPortTraffic, text);
}

}  // namespace comlink
