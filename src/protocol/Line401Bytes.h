#pragma once

#include <QtGlobal>

// The line bytes of the "401" line, shared by the driver and the stand-in
// controller: the low four bits carry a data nibble, the high four are markers.
namespace protocol::line401 {

constexpr quint8 RepeatBit = 0x10;   // repetition of the previous nibble
constexpr quint8 LowBit = 0x20;      // this nibble completes a data byte
constexpr quint8 IdleBit = 0x40;     // no data
constexpr quint8 RequestBit = 0x80;  // the receiver is to repeat its last nibble
constexpr quint8 IdleByte = IdleBit;
constexpr quint8 ResetByte = 0xF0;   // resets both ends; answered with itself

}  // namespace protocol::line401
