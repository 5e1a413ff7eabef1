#pragma once

#include "core/Colours.h"

#include <QColor>

namespace core {

// A colour of the program's own texts and lamps, given as 0x00BBGGRR.
inline QColor colourFromBgr(unsigned bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

}  // namespace core
