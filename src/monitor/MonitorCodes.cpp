#include "MonitorCodes.h"

#include "core/Bytes.h"

namespace monitor {

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
