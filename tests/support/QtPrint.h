#pragma once
// Lets GoogleTest print Qt values readably in failure messages.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <ostream>

QT_BEGIN_NAMESPACE
inline void printTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
inline void printTo(const QByteArray &b, std::ostream *os) { *os << '[' << b.toHex(' ').toUpper().toStdString() << ']'; }
inline void printTo(const QStringList &l, std::ostream *os)
{
    *os << '{';
    for (int i = 0; i < l.size(); ++i) *os << (i ? ", \"" : "\"") << l[i].toStdString() << '"';
    *os << '}';
}
QT_END_NAMESPACE
