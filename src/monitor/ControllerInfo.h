#pragma once

#include "core/Channel.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace monitor {

using TextProc = std::function<void(const QString &text)>;

// Counter answers (F1 40 trip counter, F1 42 operating hours): F8, then the high part H
// and the low part L as four nibbles each. Empty when the marker or a byte is missing,
// or a byte holds more than a nibble.
struct CounterParts { int high; int low; };
std::optional<CounterParts> decodeCounter(const QByteArray &answer);

// What a counter answer reads as when it is not one.
inline const char *const UnreadableCounterText = "999999";

// H·10000 + L in decimal; "999999" for an answer that is not a counter.
QString tripCounterText(const QByteArray &answer);
// Minutes H·60 + L div 60 as "%2d:%2d" hours and minutes; 99999 minutes when not a counter.
QString operatingHoursText(const QByteArray &answer);

// The top floor field: "KO=" and the floor number, from the answer and from a shaft built alike.
QString topFloorText(int topFloor);

// Asks F1 40 and passes tripCounterText of the answer to onText.
// False when the queue refused the request; onText is then never called.
bool readTripCounter(core::Channel &channel, TextProc onText);

// Group address values (byte 1 of the F2 55 1B answer) that name a lift controller.
bool isValidGroupAddress(int value);
// The lift controller 0..3 whose radio button a group address value selects; -1 for none.
int groupMemberOfAddress(int value);

// Asks lift controller k (0..3) of a group for its group address (F0 10 70 k F2 55 1B);
// onText receives " QRX[value]" or " GRUPPE/QRX <ERROR> [answer in hex]".
// False when the queue refused the request; onText is then never called.
bool queryGroupAddress(core::Channel &channel, TextProc onText, int k);
// The group address request F2 55 1B (answer length 3), routed to lift controller k when k is
// 0..3; false when the queue refused it.
bool requestGroupAddress(core::Channel &channel, core::AnswerProc onAnswer, int k = -1);
QString groupAddressText(const QByteArray &answer);

}  // namespace monitor
