#pragma once

#include "CommandSet.h"

#include "core/Timer.h"

#include <memory>

namespace sim {

// Resets the controller on the cable every so often, as a watchdog or a
// flickering supply would: the same restart as a reset request from the PC
// (no answers while it restarts, then a fresh line and a fresh transfer state).
class ControllerResets {
public:
    ControllerResets(core::TimerFactory &timers, CommandSet &commands, int everyMs);

    int count() const { return m_count; }

private:
    CommandSet &m_commands;
    std::unique_ptr<core::Timer> m_timer;
    int m_count = 0;
};

}  // namespace sim
