#include "Line401Partner.h"

#include <limits>

namespace sim {

using namespace protocol::line401;

Line401Partner::Line401Partner(comlink::SerialLine &line, core::TimerFactory &timers, CommandSet &commands,
                               const PartnerOptions &options)
    : m_line(line), m_timers(timers), m_commands(commands), m_options(options), m_random(options.seed),
      m_pacer(line, timers, qMax(50, options.baud))
{
    m_line.onReadyRead = [this] { readLine(); };
    m_commands.onReset = [this] { reboot(m_options.rebootMs); };
}

Line401Partner::~Line401Partner()
{
    m_line.onReadyRead = nullptr;
    m_commands.onReset = nullptr;
}

quint8 Line401Partner::respond(quint8 lineByte)
{
    if (lineByte == ResetByte) {
        // Both ends start afresh; a half-sent answer byte goes out again from its high nibble.
        m_rxHigh = -1;
        m_midByte = false;
        return m_lastReply = ResetByte;
    }
    if (lineByte & RequestBit) return m_lastReply = quint8(m_lastReply | RepeatBit);
    if (lineByte & RepeatBit) m_midByte = false;  // the PC lost our last nibble: restart the byte
    receiveNibble(lineByte);
    return m_lastReply = nextReplyNibble();
}

void Line401Partner::receiveNibble(quint8 lineByte)
{
    const int nibble = lineByte & 0x0F;
    if (lineByte & IdleBit) {
        m_rxHigh = -1;
    } else if (lineByte & LowBit) {
        // A repeated low nibble whose byte is complete already has no high nibble left.
        if (m_rxHigh < 0) return;
        const quint8 byte = quint8(m_rxHigh << 4 | nibble);
        m_rxHigh = -1;
        receiveData(byte);
    } else {
        m_rxHigh = nibble;
    }
}

void Line401Partner::receiveData(quint8 byte)
{
    const auto request = m_reader.push(byte);
    if (!request) return;
    const auto answer = m_commands.answer(*request);
    if (onRequest) onRequest(*request, answer);
    if (!answer) return;
    m_out += *answer;
    if (++m_answers == m_options.silentAfterAnswers) armSilence(int(answer->size()));
}

void Line401Partner::armSilence(int answerSize)
{
    // Half of this answer goes out, the rest never does.
    m_silentAtOut = m_out.size() - qMax(1, answerSize / 2);
}

void Line401Partner::silenceIfDue()
{
    if (m_silentAtOut < 0 || m_out.size() > m_silentAtOut) return;
    m_silentAtOut = -1;
    m_deafUntilMs = m_options.silentMs > 0 ? m_timers.clock().elapsedMs() + m_options.silentMs
                                           : std::numeric_limits<qint64>::max();
}

quint8 Line401Partner::nextReplyNibble()
{
    if (m_out.isEmpty()) return IdleByte;
    const quint8 byte = quint8(m_out[0]);
    if (!m_midByte) {
        m_midByte = true;
        return byte >> 4;
    }
    m_midByte = false;
    m_out.remove(0, 1);
    silenceIfDue();
    return quint8((byte & 0x0F) | LowBit);
}

void Line401Partner::reboot(int ms)
{
    m_deafUntilMs = m_timers.clock().elapsedMs() + qMax(0, ms);
    clearLineState();
}

void Line401Partner::clearLineState()
{
    m_rxHigh = -1;
    m_reader.reset();
    m_out.clear();
    m_midByte = false;
    m_lastReply = IdleByte;
    m_silentAtOut = -1;
    m_pacer.clear();
}

void Line401Partner::readLine()
{
    const QByteArray received = m_line.read(m_line.bytesAvailable());
    for (char b : received) {
        if (deaf()) break;
        m_pacer.schedule(maybeCorrupt(respond(quint8(b))));
    }
    m_pacer.flush();
}

bool Line401Partner::deaf()
{
    if (m_deafUntilMs < 0) return false;
    if (m_timers.clock().elapsedMs() < m_deafUntilMs) return true;
    m_deafUntilMs = -1;
    clearLineState();
    return false;
}

quint8 Line401Partner::maybeCorrupt(quint8 reply)
{
    if (m_options.noise <= 0.0) return reply;
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    if (chance(m_random) >= m_options.noise) return reply;
    // Interference on a cable spoils a bit here and there, not whole bytes.
    return quint8(reply ^ (1u << (m_random() % 8)));
}

}  // namespace sim
