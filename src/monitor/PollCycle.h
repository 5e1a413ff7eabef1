#pragma once

#include <array>

namespace monitor {

// The six poll slots of the monitor and the hold counter that pauses them.
// Pure arithmetic: the window's 50 ms timer calls visit(), which names the
// slot whose job is due; the job's answer handler ends with answered().
class PollCycle {
public:
    enum SlotIndex { LiftState, AckLamps, OperatingHours, TripCounter, FaultCount, NewestFault, SlotCount };
    // The settings bit of "task" for each slot, and the countdown defaults in ticks.
    static constexpr std::array<int, SlotCount> TaskBits{1, 2, 8, 4, 16, 16};
    static constexpr std::array<int, SlotCount> DefaultReloads{1, 2, 20, 8, 20, 20};
    // One visit stands for the six ticks since the slot's last visit.
    static constexpr int TicksPerVisit = 6;
    static constexpr int TickMs = 50;

    struct Slot {
        bool ready = false;
        int countdown = 0;  // 16-bit in the controller's tool; kept non-negative here
        int reload = 1;
        bool enabled = false;
        bool ledLit = false;        // toggles with each answer while enabled
        bool indicatorRight = false; // "<" / ">" of the value labels, toggles likewise
    };

    PollCycle();

    const Slot &slot(int index) const { return m_slots[clamp(index)]; }
    // The slot the next visit looks at (0..5).
    int nextSlot() const { return m_next; }

    void setReload(int index, int ticks);
    void setEnabled(int index, bool enabled);
    void setReady(int index, bool ready);
    void clearReady();
    void resetCountdowns();

    // One tick of the cycle: moves to the next slot, counts its countdown down and
    // returns the slot whose job runs now, or -1. Nothing moves while held.
    int visit();
    // The common answer rule: re-arms an enabled slot with its reload and toggles its
    // LED (slots 0..3 only when an answer text was given); a disabled slot's LED goes out.
    void answered(int index, bool withText);
    // A request the queue refused: slots 0..3 take the answer rule without a text
    // (they retry after their countdown), 4 and 5 go idle until clicked.
    void refused(int index);

    int holdCount() const { return m_hold; }
    bool held() const { return m_hold > 0; }
    void hold() { ++m_hold; }
    // True when this release ended the hold.
    bool release();
    void clearHold() { m_hold = 0; }

    // Settings bits of "task" (bit 32 is the autorun flag, not a slot).
    void setTaskBits(int task);
    int taskBits() const;

private:
    static int clamp(int index) { return index < 0 ? 0 : index >= SlotCount ? SlotCount - 1 : index; }
    static bool valid(int index) { return index >= 0 && index < SlotCount; }

    std::array<Slot, SlotCount> m_slots{};
    int m_next = 0;
    int m_hold = 0;
};

}  // namespace monitor
