#pragma once

#include "core/Timer.h"
#include "comlink/SerialLine.h"

#include <memory>

namespace testsupport {

// Both ends of the cable between the PC and the stand-in controller; each
// byte takes a millisecond to arrive. The controller's end is open.
struct Cable {
    std::unique_ptr<comlink::MemorySerialLine> pc, controller;
    explicit Cable(core::TimerFactory &timers)
    {
        auto [a, b] = comlink::MemorySerialLine::createPair(&timers, 1);
        pc = std::move(a);
        controller = std::move(b);
        controller->open(QStringLiteral("controller"));
    }
};

}  // namespace testsupport
