#include "LineLamps.h"

#include "core/LinkLamp.h"

namespace panels {

LineLamps::LineLamps(core::TimerFactory &timers)
{
    for (int i = 0; i < 2; ++i) {
        m_flash[i] = timers.createTimer();
        m_flash[i]->setSingleShot(true);
        const Lamp lamp = i == 0 ? RxD : TxD;
        m_flash[i]->setCallback([this, lamp] { set(lamp, false); });
    }
}

void LineLamps::setConnected(bool on)
{
    if (m_connected == on) return;
    m_connected = on;
    if (onChanged) onChanged();
}

unsigned LineLamps::connectColour() const
{
    return m_connected ? core::colour::Lime : core::colour::Maroon;
}

void LineLamps::set(Lamp lamp, bool lit)
{
    if (lamp < 0 || lamp >= LampCount || m_lit[lamp] == lit) return;
    m_lit[lamp] = lit;
    if (onChanged) onChanged();
}

void LineLamps::setLine(Lamp lamp, bool lit)
{
    set(lamp, lit);
}

void LineLamps::traffic(Lamp lamp)
{
    if (lamp != RxD && lamp != TxD) return;
    m_flash[lamp == RxD ? 0 : 1]->start(FlashMs);
    set(lamp, true);
}

bool LineLamps::lit(Lamp lamp) const
{
    return lamp >= 0 && lamp < LampCount && m_lit[lamp];
}

unsigned LineLamps::lampColour(Lamp lamp) const
{
    return lit(lamp) ? core::colour::Lime : core::colour::Maroon;
}

}  // namespace panels
