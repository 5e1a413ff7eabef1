#include "LineLights.h"

namespace comlink {

namespace {
int flashIndex(LineLights::Light light) { return light == LineLights::RxD ? 0 : 1; }
}  // namespace

LineLights::LineLights(core::TimerFactory &timers) : m_clock(timers.clock())
{
    for (const Light light : {RxD, TxD}) {
        auto &timer = m_flash[flashIndex(light)];
        timer = timers.createTimer();
        timer->setSingleShot(true);
        timer->setCallback([this, light] { flashEnded(light); });
    }
}

void LineLights::setControlLines(const ControlLines &lines)
{
    QString why;
    if (!lines.known)
        why = lines.whyUnknown.isEmpty() ? QStringLiteral("the line cannot report its control lines") : lines.whyUnknown;
    bool change = m_controlKnown != lines.known || m_whyUnknown != why;
    m_controlKnown = lines.known;
    m_whyUnknown = why;
    // An unknown line reads as dark underneath, so it does not flash up lit when it returns.
    const std::array<bool, 4> now{lines.known && lines.dcd, lines.known && lines.dsr, lines.known && lines.cts,
                                  lines.known && lines.ring};
    for (const Light light : {Dcd, Dsr, Cts, Ring}) {
        change = change || m_lit[light] != now[light];
        m_lit[light] = now[light];
    }
    if (change) changed();
}

void LineLights::setLine(Light light, bool lit)
{
    if (!isControlLine(light)) return;
    const bool wasKnown = m_controlKnown;
    m_controlKnown = true;
    m_whyUnknown.clear();
    if (m_lit[light] != lit) set(light, lit);
    else if (!wasKnown) changed();
}

void LineLights::traffic(bool sent)
{
    // Every byte of the line may come here: no more than a clock reading unless the lamp changes.
    const Light light = sent ? TxD : RxD;
    const int i = flashIndex(light);
    m_lastByteMs[i] = m_clock.elapsedMs();
    if (m_lit[light]) return;
    m_flash[i]->start(FlashMs);
    set(light, true);
}

void LineLights::flashEnded(Light light)
{
    const int i = flashIndex(light);
    const qint64 left = m_lastByteMs[i] + FlashMs - m_clock.elapsedMs();
    if (left > 0) {
        m_flash[i]->start(int(left));
        return;
    }
    set(light, false);
}

void LineLights::set(Light light, bool lit)
{
    if (!valid(light) || m_lit[light] == lit) return;
    m_lit[light] = lit;
    changed();
}

bool LineLights::lit(Light light) const
{
    return valid(light) && m_lit[light];
}

QString LineLights::toolTip(Light light) const
{
    return known(light) ? QString() : m_whyUnknown;
}

void LineLights::changed()
{
    if (onChanged) onChanged();
}

}  // namespace comlink
