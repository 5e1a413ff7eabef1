#include "LineLamps.h"

namespace panels {

using comlink::LineLights;

LineLamps::LineLamps(core::TimerFactory &timers) : m_lights(timers)
{
    m_lights.onChanged = [this] {
        if (onChanged) onChanged();
    };
}

comlink::LineLights::Light LineLamps::light(Lamp lamp)
{
    switch (lamp) {
    case Dsr: return LineLights::Dsr;
    case Cts: return LineLights::Cts;
    case RxD: return LineLights::RxD;
    case TxD: return LineLights::TxD;
    default: return LineLights::LightCount;
    }
}

void LineLamps::setConnected(bool on)
{
    if (m_connected == on) return;
    m_connected = on;
    if (onChanged) onChanged();
}

void LineLamps::setLine(Lamp lamp, bool lit)
{
    m_lights.setLine(light(lamp), lit);
}

void LineLamps::traffic(Lamp lamp)
{
    if (lamp == RxD || lamp == TxD) m_lights.traffic(lamp == TxD);
}

bool LineLamps::lit(Lamp lamp) const
{
    return m_lights.lit(light(lamp));
}

bool LineLamps::known(Lamp lamp) const
{
    return m_lights.known(light(lamp));
}

QString LineLamps::toolTip(Lamp lamp) const
{
    return m_lights.toolTip(light(lamp));
}

}  // namespace panels
