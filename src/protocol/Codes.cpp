#include "Codes.h"

#include "core/Bytes.h"

#include <algorithm>

namespace protocol {

namespace {

const QDate DayOne(2000, 1, 1);
constexpr int LastYear = 2099;

}  // namespace

QByteArray nibbles(quint16 value)
{
    QByteArray out;
    for (int shift = 0; shift < 16; shift += 4) out.append(char((value >> shift) & 0x0F));
    return out;
}

quint16 fromNibbles(const QByteArray &bytes, int pos)
{
    using core::byteAt;
    return quint16(byteAt(bytes, pos) + 16 * byteAt(bytes, pos + 1) + 256 * byteAt(bytes, pos + 2)
                   + 4096 * byteAt(bytes, pos + 3));
}

bool nibblesOnly(const QByteArray &bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return (quint8(c) & 0xF0) == 0; });
}

int fromNibblePair(const QByteArray &bytes, int pos) { return core::byteAt(bytes, pos) + 16 * core::byteAt(bytes, pos + 1); }

quint16 timeCode(const QTime &time)
{
    if (!time.isValid()) return 0;
    return quint16(time.hour() * 1800 + time.minute() * 30 + time.second() / 2);
}

QTime timeFromCode(quint16 code) { return QTime(code / 1800, code % 1800 / 30, code % 30 * 2); }

QString timeText(quint16 code)
{
    return QString::asprintf("%2.2d:%2.2d:%2.2d", code / 1800, code % 1800 / 30, code % 30 * 2);
}

QString clockTimeText(quint16 code)
{
    return QString::asprintf("%2d:%2d:%2d", code / 1800, code % 1800 / 30, code % 30 * 2);
}

quint16 dateCode(const QDate &date)
{
    if (!date.isValid() || date < DayOne || date.year() > LastYear) return 0;
    return quint16(DayOne.daysTo(date) + 1);
}

QDate dateFromCode(quint16 code)
{
    // Within 2000..2099 every year divisible by four is a leap year, as in the
    // Gregorian calendar, so QDate counts the same days.
    if (code == 0) return {};
    const QDate date = DayOne.addDays(code - 1);
    return date.year() > LastYear ? QDate() : date;
}

QString dateText(quint16 code)
{
    const QDate date = dateFromCode(code);
    if (!date.isValid()) return QStringLiteral("?? ?? ??");
    return QString::asprintf("%2.2d.%2.2d.%2.2d", date.day(), date.month(), date.year() % 100);
}

QString sysErrorText(int kind, int code)
{
    static const char *const names[] = {"syserror-1", "syserror-2", "syserror-3"};
    const char *name = kind >= 0 && kind < 3 ? names[kind] : "???";
    return QString::asprintf("Error(%d): %s", code, name);
}

QByteArray groupRouted(int member, const QByteArray &request)
{
    QByteArray out("\xF0\x10\x70", 3);
    out.append(char(member));
    return out + request;
}

QByteArray routedTo(int member, const QByteArray &request)
{
    const quint8 first = core::byteAt(request, 0);
    if (member < 0 || member > 3 || first == 0xF0 || first == 0xC1) return request;
    return groupRouted(member, request);
}

QString answerText(const QByteArray &answer)
{
    if (answer.size() < 16 || core::byteAt(answer, 0) != 0xFF) return QString::fromLatin1(TransferFailedText);
    QByteArray text = answer.mid(1, 15);
    while (text.endsWith('\0')) text.chop(1);
    return QString::fromLatin1(text);
}

QByteArray textField(const QString &text, int size)
{
    QByteArray out = text.trimmed().toLatin1().left(size);
    out.append(QByteArray(size - out.size(), '\0'));
    return out;
}

}  // namespace protocol
