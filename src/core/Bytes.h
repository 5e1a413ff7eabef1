#pragma once

#include <QByteArray>
#include <QString>

namespace core {

// "F1 00" style: upper-case two-digit hex, separated by sep (may be empty).
QString hexText(const QByteArray &bytes, const QString &sep = QStringLiteral(" "));
// Parses hex pairs, ignoring blanks; returns an empty array on a malformed text.
QByteArray fromHexText(const QString &text);
// Convenience for tests and tables: bytes{0xF1, 0x00}.
QByteArray bytes(std::initializer_list<int> values);
inline quint8 byteAt(const QByteArray &b, int i) { return i >= 0 && i < b.size() ? quint8(b[i]) : 0; }

}  // namespace core
