#pragma once

#include "comlink/ComPort.h"
#include "widgets/Lamp.h"

namespace comlink {

// A lamp that shows the port's link (green while up, red while down) and whose
// click is the port's link action. Binding a bound lamp again changes nothing;
// a lamp that goes away unbinds itself.
bool bindLinkLamp(widgets::Lamp &lamp, ComPort &port);
void unbindLinkLamp(widgets::Lamp &lamp, ComPort &port);

}  // namespace comlink
