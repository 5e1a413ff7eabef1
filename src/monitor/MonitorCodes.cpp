#include "MonitorCodes.h"

#include "core/Bytes.h"

#include <QDate>

namespace monitor {

int nibbleWord(const QByteArray &answer, int first)
{
    const int v = core::byteAt(answer, first) + 16 * core::byteAt(answer, first + 1)
                  + 256 * core::byteAt(answer, first + 2) + 4096 * core::byteAt(answer, first + 3);
    return v % 65536;
}

QString timeCodeText(int code)
{
    return QString::asprintf("%2.2d:%2.2d:%2.2d", code / 1800, (code % 1800) / 30, (code % 30) * 2);
}

QString dateCodeText(int code)
{
    const QDate date = QDate(2000, 1, 1).addDays(code - 1);
    if (code < 1 || date.year() > 2099) return QStringLiteral("?? ?? ??");
    return QString::asprintf("%2.2d.%2.2d.%2.2d", date.day(), date.month(), date.year() % 100);
}

QString printableText(const QByteArray &raw)
{
    int begin = 0;
    int end = raw.size();
    while (begin < end && quint8(raw[begin]) <= 32) ++begin;
    while (end > begin && quint8(raw[end - 1]) <= 32) --end;
    QString out;
    out.reserve(end - begin);
    for (int i = begin; i < end; ++i) {
        const quint8 c = quint8(raw[i]);
        out += (c < 32 || c > 127) ? QLatin1Char('.') : QLatin1Char(char(c));
    }
    return out;
}

QString printableTextAnswer(const QByteArray &answer)
{
    if (core::byteAt(answer, 0) != 0xFF) return QStringLiteral("Transfer.Fehler");
    return printableText(answer.mid(1, 15));
}

}  // namespace monitor
