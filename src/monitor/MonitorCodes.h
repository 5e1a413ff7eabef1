#pragma once

#include <QByteArray>
#include <QString>

// Small decoders of the controller's value codes, as the monitor needs them.
namespace monitor {

// Four nibble bytes at first, least significant first: b0 + 16·b1 + 256·b2 + 4096·b3,
// modulo 65536 (the bytes are not masked). Missing bytes count as 0.
int nibbleWord(const QByteArray &answer, int first);

// "hh:mm:ss" of a time code (two-second steps since midnight).
QString timeCodeText(int code);
// "dd.MM.yy" of a date code (day 1 = 1 January 2000); "?? ?? ??" when there is no such day
// in 2000..2099 (day 0 included).
QString dateCodeText(int code);

// Trimmed of control characters and blanks at both ends; every other byte outside
// 32..127 shown as ".".
QString printableText(const QByteArray &raw);

// Text answers (version, installation code, telephone): bytes 1..15 when byte 0 is FF,
// made printable; otherwise "Transfer.Fehler".
QString printableTextAnswer(const QByteArray &answer);

}  // namespace monitor
