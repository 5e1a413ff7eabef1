#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QTime>

// The controller's number, time, date and text encodings. QtCore only, so the
// stand-in controller can share them with the program.
namespace protocol {

// Four bytes, one hex digit each in the low bits, least significant first.
QByteArray nibbles(quint16 value);
// b0 + 16·b1 + 256·b2 + 4096·b3 of the four bytes at pos, unmasked, modulo
// 65536; missing bytes count 0.
quint16 fromNibbles(const QByteArray &bytes, int pos);
// Whether every byte carries no more than a nibble, as nibble-coded numbers do.
bool nibblesOnly(const QByteArray &bytes);
// b0 + 16·b1 of the two bytes at pos.
int fromNibblePair(const QByteArray &bytes, int pos);

// Two-second steps since midnight.
quint16 timeCode(const QTime &time);
// Invalid for codes of 24 hours and more.
QTime timeFromCode(quint16 code);
// "%2.2d:%2.2d:%2.2d" of a time code.
QString timeText(quint16 code);
// The clock display: each field right-aligned in two places with blanks.
QString clockTimeText(quint16 code);

// Day number with 1 January 2000 as day 1; 0 for dates outside 2000..2099.
quint16 dateCode(const QDate &date);
// Invalid for day 0 and for dates after 2099.
QDate dateFromCode(quint16 code);
// "dd.MM.yy", or "?? ?? ??" where dateFromCode is invalid.
QString dateText(quint16 code);

// "Error(%d): %s" with the kind's name.
QString sysErrorText(int kind, int code);

// The request for member (0 to 3) of a group: F0 10 70 member + request.
QByteArray groupRouted(int member, const QByteArray &request);
// A request as it goes to a group member (0..3): with the prefix, unless it is
// routed already (F0) or meant for the group controller itself (C1). Any other
// member is the controller on the line, and the request goes as it is.
QByteArray routedTo(int member, const QByteArray &request);

// A text answer: FF followed by 15 bytes. Trailing 00 padding is dropped;
// a short answer or another marker gives the failure text.
QString answerText(const QByteArray &answer);
// A text field to write: trimmed, cut to size bytes, padded with 00.
QByteArray textField(const QString &text, int size = 13);

inline const char *const TransferFailedText = "Transfer.Fehler";
inline const char *const TransferRefusedText = "transf.error";

}  // namespace protocol
