#include "ParameterSetTarget.h"

#include "core/Bytes.h"
#include "sysmod/ParameterSetCodec.h"

namespace sysmod {

namespace {

const QByteArray Ack = core::bytes({0xF1, 0x01});
const QByteArray Refused = core::bytes({0xF1, 0x00});
// A read packet answer: marker FF (the local line takes only bytes from F0 on as the
// start of an answer, and its low nibble 15 announces 16 bytes), 48, seven pairs.
constexpr int ReadPairs = 7;
constexpr int ReadMarker = 0xFF;
constexpr int PacketSize = 16;

}  // namespace

ParameterSetTarget::ParameterSetTarget(const core::Clock &clock) : m_clock(clock), m_image(ImageSize, '\0')
{
    setWordAt(m_image, 0, FormatWord);
    setWordAt(m_image, ChecksumOffset, quint16(checksumOf(m_image)));
}

bool ParameterSetTarget::setImage(const QByteArray &image)
{
    if (image.size() != ImageSize) return false;
    m_image = image;
    return true;
}

bool ParameterSetTarget::handles(const QByteArray &telegram)
{
    if (telegram.size() < 2) return false;
    const int command = core::byteAt(telegram, 0);
    const int code = core::byteAt(telegram, 1);
    if (command == 0xFF) return code == 0x49;
    if (command != 0xF1) return false;
    switch (code) {
    case 0x00: case 0x05: case 0x07: case 0x0E: case 0x0F: case 0x10:
    case 0x46: case 0x47: case 0x48: case 0x4A:
        return true;
    default:
        return false;
    }
}

bool ParameterSetTarget::rebooting() const
{
    return m_rebootUntil >= 0 && m_clock.elapsedMs() < m_rebootUntil;
}

QByteArray ParameterSetTarget::answer(const QByteArray &telegram)
{
    if (rebooting() || !handles(telegram)) return {};
    if (core::byteAt(telegram, 0) == 0xFF) return writePacket(telegram) ? Ack : Refused;

    switch (core::byteAt(telegram, 1)) {
    case 0x00:  // link check
    case 0x46:  // stop group
        return Ack;
    case 0x47:  // group finish
        m_suspended = m_writing = false;
        return Ack;
    case 0x05:  // select: a read session starts from the top
        m_served = m_image;
        if (m_corruptChecksum) m_served[ChecksumOffset] = char(m_served[ChecksumOffset] ^ 0x5A);
        m_readPosition = 0;
        return core::bytes({0xF4, 0x00, 0x00, 0x00, 0x00});
    case 0x07:  // size, one 4-bit digit per byte
        return core::bytes({0xF4, ImageSize & 0xF, (ImageSize >> 4) & 0xF, (ImageSize >> 8) & 0xF,
                            (ImageSize >> 12) & 0xF});
    case 0x48:
        return readPacket();
    case 0x0E:  // suspend
        m_suspended = true;
        return Ack;
    case 0x0F:  // prepare write
        if (!m_suspended) return Refused;
        m_writing = true;
        m_writeOverflow = false;
        m_incoming = QByteArray(ImageSize, '\0');
        m_writePosition = 0;
        return Ack;
    case 0x4A:
        return endOfWrite() ? Ack : Refused;
    case 0x10:  // reset: silent while it reboots
        m_suspended = m_writing = false;
        m_rebootUntil = m_clock.elapsedMs() + m_rebootMs;
        ++m_resets;
        return {};
    }
    return {};
}

QByteArray ParameterSetTarget::readPacket()
{
    if (m_served.size() != ImageSize) m_served = m_image;
    QByteArray answer = core::bytes({ReadMarker, 0x48}) + encodeRuns(m_served, m_readPosition, ReadPairs);
    answer.append(PacketSize - answer.size(), '\0');
    return answer;
}

bool ParameterSetTarget::writePacket(const QByteArray &telegram)
{
    if (!m_writing || telegram.size() != PacketSize) return false;
    const DecodeResult decoded = decodeRuns(telegram, 2, PacketSize, m_incoming, m_writePosition);
    m_writeOverflow = m_writeOverflow || decoded.overflow;
    return !decoded.overflow;
}

bool ParameterSetTarget::endOfWrite()
{
    // Only a whole image with a matching checksum replaces the parameter set.
    const bool whole = m_writing && !m_writeOverflow && m_writePosition == ImageSize;
    m_writing = false;
    if (!whole || !checksumValid(m_incoming)) {
        ++m_refusedWrites;
        return false;
    }
    m_image = m_incoming;
    ++m_acceptedWrites;
    return true;
}

}  // namespace sysmod
