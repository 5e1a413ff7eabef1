#pragma once

#include "core/Timer.h"
#include "comlink/LineLights.h"

#include <QString>

#include <functional>

namespace panels {

// The lamps of the lamp window: the modem connection and the four line states
// DSR, CTS, RxD and TxD. The line states are the port's status lights
// (lineLights()), fed by the port while the window is visible.
class LineLamps {
public:
    enum Lamp { Dsr, Cts, RxD, TxD, LampCount };
    static constexpr int FlashMs = comlink::LineLights::FlashMs;

    explicit LineLamps(core::TimerFactory &timers);

    void setConnected(bool on);
    bool connected() const { return m_connected; }

    // Control lines as the port reads them.
    void setLine(Lamp lamp, bool lit);
    // A byte received (RxD) or sent (TxD).
    void traffic(Lamp lamp);
    bool lit(Lamp lamp) const;
    // False while the line cannot report its control lines.
    bool known(Lamp lamp) const;
    // Why a lamp shows "unknown"; empty while its line is known.
    QString toolTip(Lamp lamp) const;

    // What the port feeds (ComPort::lineWatch()).
    comlink::LineLights &lineLights() { return m_lights; }

    std::function<void()> onChanged;

private:
    static comlink::LineLights::Light light(Lamp lamp);

    bool m_connected = false;
    comlink::LineLights m_lights;
};

}  // namespace panels
