#include "ControllerResets.h"

#include "core/Bytes.h"

namespace sim {

ControllerResets::ControllerResets(core::TimerFactory &timers, CommandSet &commands, int everyMs)
    : m_commands(commands), m_timer(timers.createTimer())
{
    m_timer->setCallback([this] {
        ++m_count;
        m_commands.answer({std::nullopt, core::bytes({0xF1, 0x10})});
    });
    if (everyMs > 0) m_timer->start(everyMs);
}

}  // namespace sim
