#include "FramedLink.h"

#include "core/Bytes.h"
#include "core/Reports.h"

namespace comlink {

const QByteArray FramedLink::StatusError = QByteArrayLiteral("<ERROR> NC/STATUS");
const QByteArray FramedLink::TimeoutError =
    QStringLiteral("%1 %2").arg(QStringLiteral("<ERROR> NC/TIME.OUT")).arg(FramedLink::AnswerTimeoutMs).toLatin1();
const QString FramedLink::LinkError = QStringLiteral("KAVCOM_TO_ZBL Error");
const QString FramedLink::NoAnswerText = QStringLiteral("return with no answer");
const QByteArray FramedLink::StandardHeader = QByteArray("\x28\xFF\xFF", 3);

FramedLink::FramedLink(core::TimerFactory &timers)
    : m_stateTimer(timers.createTimer()), m_answerTimer(timers.createTimer())
{
    m_stateTimer->setSingleShot(true);
    m_stateTimer->setCallback([this] { stateTimerExpired(); });
    m_answerTimer->setSingleShot(true);
    m_answerTimer->setCallback([this] { answerTimerExpired(); });
}

FramedLink::~FramedLink() = default;

quint8 FramedLink::checksum(const QByteArray &lenHeaderPayload)
{
    quint8 sum = 0;
    for (char c : lenHeaderPayload) sum += quint8(c);
    return quint8(sum - 1);
}

QByteArray FramedLink::buildFrame(const QByteArray &payload)
{
    // LEN is one byte; a telegram is at most 32 bytes, so this cut never bites in practice.
    const QByteArray content = StandardHeader + payload.left(255 - StandardHeader.size() - 1);
    QByteArray frame(1, char(content.size() + 1));
    frame += content;
    frame += char(checksum(frame));
    return frame;
}

FramedLink::Unpacked FramedLink::unpackAnswer(const QByteArray &answer)
{
    if (!answer.startsWith(StandardHeader)) return {answer, true};
    const int dataLength = qMax(0, int(answer.size()) - StandardHeader.size() - 1);
    return {answer.mid(StandardHeader.size(), dataLength), false};
}

QByteArray FramedLink::findAnswerFrame(const QByteArray &received, const QByteArray &header, bool *complete)
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

bool FramedLink::kavcomSend(const QByteArray &telegram, core::AnswerProc onAnswer)
{
    if (busy()) {
        trace(QStringLiteral("Send nicht erlaubt"));
        if (onAnswer) onAnswer(StatusError);
        return false;
    }
    m_callerAnswer = std::move(onAnswer);
    start(buildFrame(telegram), AwaitAnswer);
    return true;
}

bool FramedLink::startSend(const QByteArray &frame, core::AnswerProc onFrame)
{
    if (busy()) {
        trace(QStringLiteral("Send nicht erlaubt"));
        return false;
    }
    m_onFrame = std::move(onFrame);
    start(frame, AwaitFrame);
    return true;
}

bool FramedLink::sendNoAnswer(const QByteArray &frame, std::function<void(const QString &)> onNoAnswer)
{
    if (busy()) {
        trace(QStringLiteral("Send nicht erlaubt"));
        return false;
    }
    m_onNoAnswer = std::move(onNoAnswer);
    start(frame, AwaitAck);
    return true;
}

void FramedLink::start(const QByteArray &frame, Transfer kind)
{
    m_transfer = kind;
    if (!m_hookInstalled && setPortRxHook) {
        m_hookInstalled = true;
        // The port may outlive the layer: a hook left behind then does nothing.
        std::weak_ptr<bool> alive = m_alive;
        setPortRxHook([this, alive](int count) {
            if (!alive.expired()) receiveBytes(count);
        });
    }
    m_outFrame = QByteArray(1, STX) + frame;
    // Every start gets the answer time-out, so a silent far end never keeps the layer busy.
    m_answerTimer->start(AnswerTimeoutMs);
    setState(SohSent, 2000);
    sendByte(SOH);
}

void FramedLink::kavcomReset()
{
    core::AnswerProc pending = std::exchange(m_callerAnswer, {});
    resetLayer();
    if (pending) pending(StatusError);
}

void FramedLink::resetLayer()
{
    m_stateTimer->stop();
    m_answerTimer->stop();
    if (m_hookInstalled && setPortRxHook) setPortRxHook({});
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

void FramedLink::receiveBytes(int count)
{
    if (count <= 0 || !readChars) return;
    const QByteArray in = readChars(count);
    if (in.isEmpty()) return;
    m_rxBuffer += in;
    stepFirstOfBuffer();
}

void FramedLink::stepFirstOfBuffer()
{
    if (m_rxBuffer.isEmpty()) return;
    step(takeRxByte());
}

char FramedLink::takeRxByte()
{
    const char b = m_rxBuffer.front();
    m_rxBuffer.remove(0, 1);
    return b;
}

void FramedLink::step(char b)
{
    switch (m_state) {
    case Idle: stepIdle(b); break;
    case SohSent: stepSohSent(b); break;
    case FrameSent: stepFrameSent(b); break;
    case Receiving: stepReceiving(b); break;
    default: break;  // SohRepeat waits for its timer
    }
}

void FramedLink::stepIdle(char b)
{
    while (b != SOH) {
        if (m_rxBuffer.isEmpty()) {
            m_stateTimer->start(100);
            return;
        }
        b = takeRxByte();
    }
    m_accumulator.clear();
    setState(Receiving, 1000);
    sendByte(ACK);
}

void FramedLink::stepSohSent(char b)
{
    if (b == ACK) {
        setState(FrameSent, 1000);
        send(m_outFrame);
    } else if (b == NAK) {
        setState(SohRepeat, 200);
    } else {
        setState(Idle);
        sendByte(NAK);
    }
}

void FramedLink::stepFrameSent(char b)
{
    if (b == ACK) {
        m_stateTimer->stop();
        setState(Idle);
        if (m_transfer == AwaitAck) {
            m_answerTimer->stop();
            m_transfer = NoTransfer;
            if (auto done = std::exchange(m_onNoAnswer, {})) done(NoAnswerText);
        } else {
            m_stateTimer->start(50);  // look for the controller's SOH
        }
    } else if (b == NAK) {
        trace(QStringLiteral("Fehler <NAK> : senden wiederholen"));
        setState(SohSent, 100);
        sendByte(SOH);
    } else {
        m_stateTimer->start(500);
    }
}

void FramedLink::stepReceiving(char b)
{
    m_accumulator += b;
    m_accumulator += m_rxBuffer;
    m_rxBuffer.clear();
    bool complete = false;
    const QByteArray frame = findAnswerFrame(m_accumulator, m_answerHeader, &complete);
    if (complete) {
        frameComplete(frame);
    } else if (m_accumulator.size() > MaxReceived) {
        // Endless noise after an SOH: give up as on the receive time-out.
        m_accumulator.clear();
        setState(Idle);
        sendByte(NAK);
    } else {
        m_stateTimer->start(1000);
    }
}

void FramedLink::frameComplete(const QByteArray &frame)
{
    setState(Idle);
    m_accumulator.clear();
    sendByte(ACK);
    switch (m_transfer) {
    case AwaitAnswer: answerArrived(frame); break;
    case AwaitFrame:
        m_answerTimer->stop();
        m_transfer = NoTransfer;
        if (auto onFrame = std::exchange(m_onFrame, {})) onFrame(frame);
        break;
    default: break;  // nobody asked for this frame
    }
}

void FramedLink::answerArrived(const QByteArray &answer)
{
    m_answerTimer->stop();
    m_transfer = NoTransfer;
    core::AnswerProc caller = std::exchange(m_callerAnswer, {});
    const Unpacked unpacked = unpackAnswer(answer);
    if (unpacked.error) {
        resetLayer();
        if (onLinkError) onLinkError(LinkError);
    }
    if (caller) caller(unpacked.data);
}

void FramedLink::stateTimerExpired()
{
    switch (m_state) {
    case Idle: stepFirstOfBuffer(); break;
    case FrameSent: frameSentTimerExpired(); break;
    case Receiving:
        m_rxBuffer.clear();
        setState(Idle);
        sendByte(NAK);
        break;
    case SohRepeat:
        setState(SohSent, 1000);
        sendByte(SOH);
        break;
    default: break;  // SohSent: only the answer time-out ends it
    }
}

void FramedLink::frameSentTimerExpired()
{
    while (!m_rxBuffer.isEmpty()) {
        const char b = takeRxByte();
        if (b == ACK || b == NAK) {
            step(b);
            return;
        }
        if (b == SOH) {
            // The controller's SOH stands for the lost acknowledgement of
            // our frame followed by the start of its answer.
            step(ACK);
            if (m_state == Idle) step(SOH);  // unless the ACK's receiver started a new transfer
            return;
        }
    }
}

void FramedLink::answerTimerExpired()
{
    trace(QString::fromLatin1(TimeoutError));
    if (m_transfer == AwaitAnswer) {
        answerArrived(TimeoutError);
        return;
    }
    resetLayer();
    if (onLinkError) onLinkError(LinkError);
}

void FramedLink::send(const QByteArray &bytes)
{
    if (sendString) sendString(bytes);
}

void FramedLink::setState(StateValue state, int timerMs)
{
    m_state = state;
    if (timerMs >= 0) m_stateTimer->start(timerMs);
}

void FramedLink::trace(const QString &text)
{
    core::reports().writeIf(core::ReportPortTraffic, text);
}

}  // namespace comlink
