#pragma once

#include "core/Timer.h"
#include "comlink/SerialLine.h"

#include <array>
#include <functional>
#include <memory>

namespace comlink {

// The status lights of the serial line, as the port window and the lamp
// window show them: the control lines DCD, DSR, CTS and RI as the port last
// read them, and the data lines RxD and TxD. Data lines only flicker, so a
// byte lights its lamp for a short flash that each further byte prolongs.
// While the line cannot report its control lines, they count as unknown.
class LineLights {
public:
    enum Light { Dcd, Dsr, Cts, Ring, RxD, TxD, LightCount };
    static constexpr int FlashMs = 100;

    explicit LineLights(core::TimerFactory &timers);
    LineLights(const LineLights &) = delete;
    LineLights &operator=(const LineLights &) = delete;

    // A reading of the control lines; a line that cannot report them turns
    // their lights unknown.
    void setControlLines(const ControlLines &lines);
    // One control line as read (its lights count as known from then on).
    void setLine(Light light, bool lit);
    // Bytes sent (TxD) or received (RxD).
    void traffic(bool sent);

    static bool isControlLine(Light light) { return light >= Dcd && light <= Ring; }
    bool lit(Light light) const;
    // Data lines are always known.
    bool known(Light light) const { return !isControlLine(light) || m_controlKnown; }
    // Why an unknown light is unknown; empty for a known one.
    QString toolTip(Light light) const;

    // Something visible changed.
    std::function<void()> onChanged;

private:
    bool valid(Light light) const { return light >= 0 && light < LightCount; }
    void set(Light light, bool lit);
    void flashEnded(Light light);
    void changed();

    core::Clock &m_clock;
    std::array<bool, LightCount> m_lit{};
    bool m_controlKnown = true;
    QString m_whyUnknown;
    std::array<std::unique_ptr<core::Timer>, 2> m_flash;  // RxD, TxD
    std::array<qint64, 2> m_lastByteMs{};                 // RxD, TxD
};

}  // namespace comlink
