#include "Bytes.h"

namespace core {

QString hexText(const QByteArray &bytes, const QString &sep)
{
    QString out;
    out.reserve(bytes.size() * (2 + sep.size()));
    for (int i = 0; i < bytes.size(); ++i) {
        if (i) out += sep;
        out += QStringLiteral("%1").arg(quint8(bytes[i]), 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

QByteArray fromHexText(const QString &text)
{
    QString digits = text;
    digits.remove(QLatin1Char(' '));
    if (digits.size() % 2) return {};
    QByteArray out;
    for (int i = 0; i < digits.size(); i += 2) {
        bool ok = false;
        const int v = digits.mid(i, 2).toInt(&ok, 16);
        if (!ok) return {};
        out.append(char(v));
    }
    return out;
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values) out.append(char(v & 0xFF));
    return out;
}

}  // namespace core
