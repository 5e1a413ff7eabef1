#pragma once

#include "core/Timer.h"

#include <array>
#include <functional>
#include <memory>

namespace panels {

// The lamps of the lamp window: the modem connection and the four line states
// DSR, CTS, RxD and TxD. Data lines only flicker, so a byte lights its lamp for
// a short flash that each further byte prolongs.
class LineLamps {
public:
    enum Lamp { Dsr, Cts, RxD, TxD, LampCount };
    static constexpr int FlashMs = 100;

    explicit LineLamps(core::TimerFactory &timers);

    void setConnected(bool on);
    bool connected() const { return m_connected; }
    unsigned connectColour() const;

    // Control lines as the port reads them.
    void setLine(Lamp lamp, bool lit);
    // A byte received (RxD) or sent (TxD).
    void traffic(Lamp lamp);
    bool lit(Lamp lamp) const;
    unsigned lampColour(Lamp lamp) const;

    std::function<void()> onChanged;

private:
    void set(Lamp lamp, bool lit);

    bool m_connected = false;
    std::array<bool, LampCount> m_lit{};
    std::array<std::unique_ptr<core::Timer>, 2> m_flash;  // RxD, TxD
};

}  // namespace panels
