#pragma once

#include "core/Bytes.h"

#include <QByteArray>

// A healthy lift with top floor 4: the hello, the lift state, the
// call lamps, the three configuration blocks and the counters.
inline QByteArray healthyLift(const QByteArray &t)
{
    using core::bytes;
    if (t == bytes({0xF1, 0x00})) return bytes({0xF1, 0x01});
    if (t == bytes({0xF1, 0x60})) return bytes({0xF6, 0x00, 0x03, 0xFF, 0x00, 0x00, 0x00});
    if (t == bytes({0xF3, 0x55, 0x1C, 0x00})) return bytes({0xF9, 0x00, 0, 0, 0, 0, 0, 0, 0, 0});
    if (t == bytes({0xF3, 0x55, 0x1A, 0x00})) return bytes({0xFF, 0x04, 0x05, 0x07, 0x07, 0x07, 0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    if (t.startsWith(bytes({0xF3, 0x55, 0x1A}))) return bytes({0xFF}) + QByteArray(15, '\0');
    return bytes({0xF8, 0, 0, 0, 1, 0, 0, 0, 2});
}
