#pragma once

#include <QByteArray>
#include <QDate>
#include <QTime>

// The controller's number encodings, as the stand-in needs them.
namespace sim::codes {

// Four bytes, one hex digit each, least significant first.
QByteArray nibbles(quint16 value);
// b0 + 16·b1 + 256·b2 + 4096·b3 of the four bytes at pos (missing bytes count 0).
quint16 fromNibbles(const QByteArray &bytes, int pos);

// Two-second steps since midnight.
quint16 timeCode(const QTime &time);
QTime timeFromCode(quint16 code);

// Day number with 1 January 2000 as day 1.
quint16 dateCode(const QDate &date);
QDate dateFromCode(quint16 code);

}  // namespace sim::codes
