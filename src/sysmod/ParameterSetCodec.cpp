#include "ParameterSetCodec.h"

#include "core/Bytes.h"

namespace sysmod {

quint32 checksumOf(const QByteArray &image)
{
    quint32 sum = 0xFFFFFFFFu;
    for (int i = 0; i < ChecksumOffset; ++i) sum += core::byteAt(image, i);
    return sum;
}

quint16 wordAt(const QByteArray &image, int offset)
{
    return quint16(core::byteAt(image, offset) | core::byteAt(image, offset + 1) << 8);
}

void setWordAt(QByteArray &image, int offset, quint16 value)
{
    if (offset < 0 || offset + 1 >= image.size()) return;
    image[offset] = char(value & 0xFF);
    image[offset + 1] = char(value >> 8);
}

bool checksumValid(const QByteArray &image)
{
    return image.size() == ImageSize && quint16(checksumOf(image)) == storedChecksum(image);
}

QByteArray encodeRuns(const QByteArray &data, int &pos, int maxPairs)
{
    QByteArray out;
    while (out.size() < 2 * maxPairs && pos >= 0 && pos < data.size()) {
        const quint8 value = quint8(data[pos++]);
        int run = 1;
        while (run < 63 && pos < data.size() && quint8(data[pos]) == value) {
            ++run;
            ++pos;
        }
        if (value & 0x80) run |= 0x40;
        out.append(char(run));
        out.append(char(value & 0x7F));
    }
    return out;
}

DecodeResult decodeRuns(const QByteArray &src, int from, int limit, QByteArray &dest, int &pos)
{
    DecodeResult result;
    for (int i = from; i < limit; i += 2) {
        const quint8 runByte = core::byteAt(src, i);
        quint8 value = core::byteAt(src, i + 1);
        if (runByte & 0x40) value |= 0x80;
        for (int n = runByte & 0x3F; n > 0; --n) {
            if (pos < 0 || pos >= dest.size()) {
                result.overflow = true;
                break;
            }
            dest[pos++] = char(value);
            ++result.written;
        }
    }
    return result;
}

}  // namespace sysmod
