#pragma once

#include <QByteArray>
#include <QString>

// Text decoders of the monitor; the number, time and date codes are in protocol/Codes.h.
namespace monitor {

// Trimmed of control characters and blanks at both ends; every other byte outside
// 32..127 shown as ".".
QString printableText(const QByteArray &raw);

// Text answers (version, installation code, telephone): bytes 1..15 when byte 0 is FF,
// made printable; otherwise "Transfer.Fehler".
QString printableTextAnswer(const QByteArray &answer);

}  // namespace monitor
