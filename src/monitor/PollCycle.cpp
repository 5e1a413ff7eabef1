#include "PollCycle.h"

#include <algorithm>

namespace monitor {

PollCycle::PollCycle()
{
    for (int i = 0; i < SlotCount; ++i) m_slots[i].reload = DefaultReloads[i];
}

void PollCycle::setReload(int index, int ticks)
{
    if (valid(index)) m_slots[index].reload = std::clamp(ticks, 0, 0xFFFF);
}

void PollCycle::setEnabled(int index, bool enabled)
{
    if (valid(index)) m_slots[index].enabled = enabled;
}

void PollCycle::setReady(int index, bool ready)
{
    if (valid(index)) m_slots[index].ready = ready;
}

void PollCycle::clearReady()
{
    for (Slot &s : m_slots) s.ready = false;
}

void PollCycle::resetCountdowns()
{
    for (Slot &s : m_slots) s.countdown = 0;
}

int PollCycle::visit()
{
    if (held()) return -1;
    const int index = m_next;
    m_next = (m_next + 1) % SlotCount;
    Slot &s = m_slots[index];
    s.countdown = std::max(0, s.countdown - TicksPerVisit);
    return s.ready && s.countdown == 0 ? index : -1;
}

void PollCycle::answered(int index, bool withText)
{
    if (!valid(index)) return;
    Slot &s = m_slots[index];
    if (!s.enabled) {
        s.ledLit = false;
        return;
    }
    s.ready = true;
    s.countdown = s.reload;
    if (withText || index >= FaultCount) {
        s.ledLit = !s.ledLit;
        s.indicatorRight = !s.indicatorRight;
    }
}

void PollCycle::refused(int index)
{
    if (!valid(index)) return;
    if (index < FaultCount) answered(index, false);
    else m_slots[index].ready = false;
}

bool PollCycle::release()
{
    if (m_hold == 0) return false;
    return --m_hold == 0;
}

void PollCycle::setTaskBits(int task)
{
    for (int i = 0; i < SlotCount; ++i) m_slots[i].enabled = (task & TaskBits[i]) != 0;
}

int PollCycle::taskBits() const
{
    int task = 0;
    for (int i = 0; i < SlotCount; ++i)
        if (m_slots[i].enabled) task |= TaskBits[i];
    return task;
}

}  // namespace monitor
