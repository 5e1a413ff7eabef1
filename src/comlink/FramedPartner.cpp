#include "FramedPartner.h"

#include "core/Bytes.h"
#include "comlink/FramedLink.h"

namespace comlink {

namespace {

constexpr char SOH = FramedLink::SOH;
constexpr char STX = FramedLink::STX;
constexpr char ACK = FramedLink::ACK;
constexpr char NAK = FramedLink::NAK;
const QByteArray SyncReply("\x06\x15\x15", 3);
const QByteArray Notification("\x0C\x05", 2);
const QByteArray NameRequest("\x28\xFF\x90", 3);
const QByteArray NameAnswer("\x28\xFF\x91", 3);

}  // namespace

FramedPartner::FramedPartner(core::TimerFactory &timers) : m_timer(timers.createTimer())
{
    m_timer->setSingleShot(true);
    m_timer->setCallback([this] { timerExpired(); });
}

FramedPartner::~FramedPartner()
{
    if (m_attached) m_attached->onReadyRead = {};
}

void FramedPartner::attach(SerialLine &line)
{
    m_attached = &line;
    line.onReadyRead = [this, &line] { receive(line.read(line.bytesAvailable())); };
    send = [&line](const QByteArray &bytes) { line.write(bytes); };
}

void FramedPartner::resetSync()
{
    m_synchronised = false;
    m_notified = false;
    m_timer->stop();
    m_phase = Idle;
}

void FramedPartner::receive(const QByteArray &in)
{
    if (m_silent) return;
    for (char b : in) step(b);
}

void FramedPartner::step(char b)
{
    switch (m_phase) {
    case Idle:
        if (b != SOH) return;  // stray acknowledgements and noise
        if (!m_synchronised) {
            m_synchronised = true;
            write(SyncReply);
            return;
        }
        m_frame.clear();
        setPhase(AwaitFrame, 1000);
        write(QByteArray(1, ACK));
        break;
    case AwaitFrame:
        if (m_frame.isEmpty() && b == SOH) {  // our ACK got lost: the PC asks again
            setPhase(AwaitFrame, 1000);
            write(QByteArray(1, ACK));
        } else if (!m_frame.isEmpty() || b == STX) {
            frameByte(b);
        }
        break;
    case AnswerSohSent:
        if (b == ACK) {
            setPhase(AnswerFrameSent, 1000);
            write(m_answerFrame);
        } else if (b == NAK) {
            m_timer->start(200);
        }
        break;
    case AnswerFrameSent:
        if (b == ACK) {
            m_timer->stop();
            m_phase = Idle;
        } else if (b == NAK) {
            repeatAnswer();
        }
        break;
    }
}

void FramedPartner::frameByte(char b)
{
    m_frame += b;
    const int length = core::byteAt(m_frame, 1);
    if (m_frame.size() < 2 || m_frame.size() < 2 + length) return;
    const QByteArray content = m_frame.mid(2, length - 1);
    const bool checksumOk = length > 0 && FramedLink::checksum(m_frame.mid(1, length)) == core::byteAt(m_frame, 1 + length);
    m_frame.clear();
    m_timer->stop();
    m_phase = Idle;
    if (!checksumOk || m_nakFrames > 0 || refused(content)) {
        if (checksumOk && m_nakFrames > 0) --m_nakFrames;
        write(QByteArray(1, NAK));
        return;
    }
    write(QByteArray(1, ACK));
    frameReceived(content);
}

bool FramedPartner::refused(const QByteArray &content) const
{
    // Only requests, so that a session can still be set up.
    return refuseRequest && content.startsWith(FramedLink::StandardHeader) && refuseRequest();
}

void FramedPartner::frameReceived(const QByteArray &content)
{
    if (content == Notification) {
        m_notified = true;
    } else if (content.startsWith(NameRequest)) {
        // One padding byte behind the name: the PC drops the last two bytes.
        sendAnswer(NameAnswer + m_partnerName + '\0');
    } else if (content.startsWith(FramedLink::StandardHeader)) {
        const QByteArray answer = onRequest ? onRequest(content.mid(3)) : QByteArray();
        if (!answer.isEmpty()) sendAnswer(FramedLink::StandardHeader + answer);
    }
}

void FramedPartner::sendAnswer(const QByteArray &content)
{
    const QByteArray body = QByteArray(1, char(qMin<qsizetype>(content.size(), 253) + 1)) + content.left(253);
    m_answerFrame = QByteArray(1, STX) + body + char(FramedLink::checksum(body));
    m_tries = 0;
    setPhase(AnswerSohSent, 1000);
    write(QByteArray(1, SOH));
}

void FramedPartner::repeatAnswer()
{
    if (++m_tries > RetryLimit) {  // the PC has gone away
        m_timer->stop();
        m_phase = Idle;
        return;
    }
    setPhase(AnswerSohSent, 1000);
    write(QByteArray(1, SOH));
}

void FramedPartner::timerExpired()
{
    switch (m_phase) {
    case AwaitFrame:
        m_frame.clear();
        m_phase = Idle;
        write(QByteArray(1, NAK));
        break;
    case AnswerSohSent:
    case AnswerFrameSent: repeatAnswer(); break;
    default: break;
    }
}

void FramedPartner::write(const QByteArray &bytes)
{
    if (!m_silent && send) send(bytes);
}

void FramedPartner::setPhase(Phase phase, int timerMs)
{
    m_phase = phase;
    m_timer->start(timerMs);
}

}  // namespace comlink
