#include "FramedPartner.h"

#include "core/Bytes.h"
#include "link/KavCom.h"

namespace comlink {

namespace {

constexpr char SOH = TKavCom::SOH;
constexpr char STX = TKavCom::STX;
constexpr char ACK = TKavCom::ACK;
constexpr char NAK = TKavCom::NAK;
const QByteArray kSyncReply("\x06\x15\x15", 3);
const QByteArray kNotification("\x0C\x05", 2);
const QByteArray kNameRequest("\x28\xFF\x90", 3);
const QByteArray kNameAnswer("\x28\xFF\x91", 3);

}  // namespace

FramedPartner::FramedPartner(core::TimerFactory &timers) : m_timer(timers.createTimer())
{
    m_timer->setSingleShot(true);
    m_timer->setCallback([this] { TimerExpired(); });
}

FramedPartner::~FramedPartner()
{
    if (m_attached) m_attached->onReadyRead = {};
}

void FramedPartner::Attach(SerialLine &line)
{
    m_attached = &line;
    line.onReadyRead = [this, &line] { Receive(line.read(line.bytesAvailable())); };
    Send = [&line](const QByteArray &bytes) { line.write(bytes); };
}

void FramedPartner::ResetSync()
{
    m_synchronised = false;
    m_notified = false;
    m_timer->stop();
    m_phase = Idle;
}

void FramedPartner::Receive(const QByteArray &in)
{
    if (m_silent) return;
    for (char b : in) Step(b);
}

void FramedPartner::Step(char b)
{
    switch (m_phase) {
    case Idle:
        if (b != SOH) return;  // stray acknowledgements and noise
        if (!m_synchronised) {
            m_synchronised = true;
            Write(kSyncReply);
            return;
        }
        m_frame.clear();
        SetPhase(AwaitFrame, 1000);
        Write(QByteArray(1, ACK));
        break;
    case AwaitFrame:
        if (m_frame.isEmpty() && b == SOH) {  // our ACK got lost: the PC asks again
            SetPhase(AwaitFrame, 1000);
            Write(QByteArray(1, ACK));
        } else if (!m_frame.isEmpty() || b == STX) {
            FrameByte(b);
        }
        break;
    case AnswerSohSent:
        if (b == ACK) {
            SetPhase(AnswerFrameSent, 1000);
            Write(m_answerFrame);
        } else if (b == NAK) {
            m_timer->start(200);
        }
        break;
    case AnswerFrameSent:
        if (b == ACK) {
            m_timer->stop();
            m_phase = Idle;
        } else if (b == NAK) {
            RepeatAnswer();
        }
        break;
    }
}

void FramedPartner::FrameByte(char b)
{
    m_frame += b;
    const int length = core::byteAt(m_frame, 1);
    if (m_frame.size() < 2 || m_frame.size() < 2 + length) return;
    const QByteArray content = m_frame.mid(2, length - 1);
    const bool checksumOk = length > 0 && TKavCom::Checksum(m_frame.mid(1, length)) == core::byteAt(m_frame, 1 + length);
    m_frame.clear();
    m_timer->stop();
    m_phase = Idle;
    if (!checksumOk || m_nakFrames > 0 || Refused(content)) {
        if (checksumOk && m_nakFrames > 0) --m_nakFrames;
        Write(QByteArray(1, NAK));
        return;
    }
    Write(QByteArray(1, ACK));
    FrameReceived(content);
}

bool FramedPartner::Refused(const QByteArray &content) const
{
    // Only requests, so that a session can still be set up.
    return RefuseRequest && content.startsWith(TKavCom::StandardHeader) && RefuseRequest();
}

void FramedPartner::FrameReceived(const QByteArray &content)
{
    if (content == kNotification) {
        m_notified = true;
    } else if (content.startsWith(kNameRequest)) {
        // One padding byte behind the name: the PC drops the last two bytes.
        SendAnswer(kNameAnswer + PartnerName + '\0');
    } else if (content.startsWith(TKavCom::StandardHeader)) {
        const QByteArray answer = OnRequest ? OnRequest(content.mid(3)) : QByteArray();
        if (!answer.isEmpty()) SendAnswer(TKavCom::StandardHeader + answer);
    }
}

void FramedPartner::SendAnswer(const QByteArray &content)
{
    const QByteArray body = QByteArray(1, char(qMin<qsizetype>(content.size(), 253) + 1)) + content.left(253);
    m_answerFrame = QByteArray(1, STX) + body + char(TKavCom::Checksum(body));
    m_tries = 0;
    SetPhase(AnswerSohSent, 1000);
    Write(QByteArray(1, SOH));
}

void FramedPartner::RepeatAnswer()
{
    if (++m_tries > RetryLimit) {  // the PC has gone away
        m_timer->stop();
        m_phase = Idle;
        return;
    }
    SetPhase(AnswerSohSent, 1000);
    Write(QByteArray(1, SOH));
}

void FramedPartner::TimerExpired()
{
    switch (m_phase) {
    case AwaitFrame:
        m_frame.clear();
        m_phase = Idle;
        Write(QByteArray(1, NAK));
        break;
    case AnswerSohSent:
    case AnswerFrameSent: RepeatAnswer(); break;
    default: break;
    }
}

void FramedPartner::Write(const QByteArray &bytes)
{
    if (!m_silent && Send) Send(bytes);
}

void FramedPartner::SetPhase(Phase phase, int timerMs)
{
    m_phase = phase;
    m_timer->start(timerMs);
}

}  // namespace comlink
