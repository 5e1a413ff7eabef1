#include "ModemPartner.h"

namespace sim {

namespace {
const QByteArray OrdinaryHeader("\x28\xFF\xFF", 3);
const QByteArray NameRequestHeader("\x28\xFF\x90", 3);
const QByteArray NameAnswerHeader("\x28\xFF\x91", 3);
const QByteArray Notification("\x0C\x05", 2);
constexpr int ReceiveTimeoutMs = 1000;
constexpr int AckTimeoutMs = 1000;
constexpr int MaxSendTries = 5;
}  // namespace

ModemPartner::ModemPartner(comlink::SerialLine &line, core::TimerFactory &timers, CommandSet &commands,
                           const ModemOptions &options)
    : m_line(line), m_timers(timers), m_commands(commands), m_options(options), m_random(options.seed),
      m_connectTimer(timers.createTimer()), m_dropTimer(timers.createTimer()), m_rxTimer(timers.createTimer()),
      m_txTimer(timers.createTimer())
{
    for (auto *t : {m_connectTimer.get(), m_dropTimer.get(), m_rxTimer.get(), m_txTimer.get()}) t->setSingleShot(true);
    m_connectTimer->setCallback([this] { connect(); });
    m_dropTimer->setCallback([this] { hangUp("NO CARRIER"); });
    m_rxTimer->setCallback([this] { endReceive(Nak); });
    m_txTimer->setCallback([this] { resendSoh(); });
    m_line.onReadyRead = [this] { readLine(); };
}

ModemPartner::~ModemPartner() { m_line.onReadyRead = nullptr; }

QByteArray ModemPartner::frame(const QByteArray &content)
{
    QByteArray out(1, char(content.size() + 1));
    out += content;
    int sum = 0;
    for (char c : out) sum += quint8(c);
    out += char((sum - 1) & 0xFF);
    return out;
}

void ModemPartner::readLine()
{
    for (char c : m_line.read(m_line.bytesAvailable())) {
        if (m_online) dataByte(quint8(c));
        else commandByte(c);
    }
}

// --- command mode -------------------------------------------------------

void ModemPartner::commandByte(char c)
{
    if (c == '\n') return;
    if (c != '\r') {
        if (m_commandLine.size() < 256) m_commandLine += c;
        return;
    }
    const QByteArray line = m_commandLine.trimmed().toUpper();
    m_commandLine.clear();
    if (!line.isEmpty()) command(line);
}

void ModemPartner::say(const QByteArray &text)
{
    m_line.write("\r\n" + text + "\r\n");
}

void ModemPartner::command(const QByteArray &line)
{
    if (!line.startsWith("AT")) {
        say("ERROR");
        return;
    }
    const QByteArray rest = line.mid(2);
    if (rest.startsWith('D')) {
        m_connectTimer->start(qMax(0, m_options.connectMs));
        return;  // the answer comes with the connection
    }
    if (rest.startsWith('A') && !rest.startsWith("A0")) {
        connect();
        return;
    }
    if (rest.startsWith('I')) say("SIM 33600 DATA/FAX MODEM V1.2");
    else if (rest.startsWith('S') && rest.endsWith('?')) say("000");
    say("OK");
}

void ModemPartner::connect()
{
    if (m_options.noConnect) {
        say("NO CARRIER");
        return;
    }
    say("CONNECT 19200");
    m_online = true;
    m_synced = false;
    m_rx = Rx::Idle;
    m_tx = Tx::Idle;
    m_accumulator.clear();
    m_textBetweenFrames.clear();
    if (m_options.dropAfterMs > 0) m_dropTimer->start(m_options.dropAfterMs);
}

void ModemPartner::hangUp(const QByteArray &why)
{
    m_online = false;
    m_connectTimer->stop();
    m_dropTimer->stop();
    m_rxTimer->stop();
    m_txTimer->stop();
    m_commandLine.clear();
    if (!why.isEmpty()) say(why);
}

// --- data mode: the framed protocol ----------------------------------------

void ModemPartner::dataByte(quint8 b)
{
    // The PC starting a new request has taken our last frame, even if its ACK got lost.
    if (b == Soh && m_tx == Tx::FrameSent) {
        m_tx = Tx::Idle;
        m_txTimer->stop();
    }
    if (m_tx != Tx::Idle && (b == Ack || b == Nak)) {
        if (b == Nak || m_tx == Tx::SohSent) {
            if (b == Ack) {
                m_line.write(QByteArray(1, char(Stx)) + m_outFrame);
                m_tx = Tx::FrameSent;
            } else {
                m_line.write(QByteArray(1, char(Soh)));
                m_tx = Tx::SohSent;
            }
            m_txTimer->start(AckTimeoutMs);
            return;
        }
        m_tx = Tx::Idle;  // our frame arrived
        m_txTimer->stop();
        return;
    }
    if (m_rx == Rx::Receiving) {
        frameByte(b);
        return;
    }
    if (b == Soh) {
        if (!m_synced) {
            // The answer to the first synchronisation probe; the handshake proper starts after it.
            m_synced = true;
            m_line.write(QByteArray("\x06\x15\x15", 3));
            return;
        }
        m_rx = Rx::Receiving;
        m_accumulator.clear();
        m_line.write(QByteArray(1, char(Ack)));
        m_rxTimer->start(ReceiveTimeoutMs);
        return;
    }
    // Between frames only the PC's own modem texts come: "AT01" after the connection,
    // or a new session's commands after it dropped DTR, which we cannot see.
    if (b == '\r') {
        const QByteArray text = m_textBetweenFrames.trimmed().toUpper();
        m_textBetweenFrames.clear();
        if (text.startsWith("AT") && text != "AT01") {
            hangUp();
            command(text);
        }
    } else if (m_textBetweenFrames.size() < 64) {
        m_textBetweenFrames += char(b);
    }
}

void ModemPartner::frameByte(quint8 b)
{
    // An SOH before the STX: the PC started over (its probe or a repeat).
    if (b == Soh && !m_accumulator.contains(char(Stx))) {
        m_accumulator.clear();
        m_line.write(QByteArray(1, char(Ack)));
        m_rxTimer->start(ReceiveTimeoutMs);
        return;
    }
    m_accumulator += char(b);
    if (m_accumulator.size() > 64) {
        endReceive(Nak);
        return;
    }
    frameComplete();
}

bool ModemPartner::frameComplete()
{
    const int stx = m_accumulator.indexOf(char(Stx));
    if (stx < 0 || m_accumulator.size() < stx + 2) return false;
    const int length = quint8(m_accumulator[stx + 1]);
    if (m_accumulator.size() < stx + 2 + length) return false;
    const QByteArray whole = m_accumulator.mid(stx + 1, length + 1);  // LEN, content, CHK
    const QByteArray content = whole.mid(1, length - 1);
    if (length < 1 || frame(content) != whole) {
        endReceive(Nak);  // the PC sends again
        return true;
    }
    // Injected refusals hit requests only, so that a session can still be set up.
    const bool request = content.startsWith(OrdinaryHeader);
    if (request && m_options.nakRate > 0 && std::uniform_real_distribution<double>(0, 1)(m_random) < m_options.nakRate) {
        endReceive(Nak);
        return true;
    }
    endReceive(Ack);
    handleContent(content);
    return true;
}

void ModemPartner::endReceive(quint8 reply)
{
    m_rxTimer->stop();
    m_rx = Rx::Idle;
    m_accumulator.clear();
    m_line.write(QByteArray(1, char(reply)));
}

void ModemPartner::handleContent(const QByteArray &content)
{
    if (content == Notification) return;
    if (content == NameRequestHeader) {
        // The PC drops the last two bytes (checksum and a terminator) and keeps "0".."z".
        sendFrame(NameAnswerHeader + m_options.partnerName + QByteArray(1, '\0'));
        return;
    }
    if (!content.startsWith(OrdinaryHeader)) return;
    TelegramReader reader;
    std::optional<RoutedTelegram> request;
    for (char c : content.mid(OrdinaryHeader.size())) request = reader.push(quint8(c));
    if (!request) return;
    const auto answer = m_commands.answer(*request);
    if (onRequest) onRequest(*request, answer);
    if (answer) sendFrame(OrdinaryHeader + *answer);
}

void ModemPartner::sendFrame(const QByteArray &content)
{
    m_outFrame = frame(content);
    m_txTries = 0;
    m_tx = Tx::SohSent;
    m_line.write(QByteArray(1, char(Soh)));
    m_txTimer->start(AckTimeoutMs);
}

void ModemPartner::resendSoh()
{
    if (m_tx == Tx::Idle) return;
    if (++m_txTries >= MaxSendTries) {
        m_tx = Tx::Idle;  // the PC gave up on this answer; so do we
        return;
    }
    m_tx = Tx::SohSent;
    m_line.write(QByteArray(1, char(Soh)));
    m_txTimer->start(AckTimeoutMs);
}

}  // namespace sim
