#include "Codes.h"

#include "core/Bytes.h"

#include <algorithm>

namespace sim::codes {

namespace {
const QDate dayOne(2000, 1, 1);
}

QByteArray nibbles(quint16 value)
{
    QByteArray out(4, 0);
    for (int i = 0; i < 4; ++i) out[i] = char((value >> (4 * i)) & 0x0F);
    return out;
}

quint16 fromNibbles(const QByteArray &bytes, int pos)
{
    int value = 0;
    for (int i = 0; i < 4; ++i) value += core::byteAt(bytes, pos + i) << (4 * i);
    return quint16(value);
}

quint16 timeCode(const QTime &time)
{
    return quint16(time.hour() * 1800 + time.minute() * 30 + time.second() / 2);
}

QTime timeFromCode(quint16 code)
{
    const int hours = code / 1800;
    if (hours > 23) return {};
    return QTime(hours, (code % 1800) / 30, (code % 30) * 2);
}

quint16 dateCode(const QDate &date)
{
    return quint16(std::clamp<qint64>(dayOne.daysTo(date) + 1, 0, 0xFFFF));
}

QDate dateFromCode(quint16 code)
{
    return code == 0 ? QDate() : dayOne.addDays(code - 1);
}

}  // namespace sim::codes
