#include "ControlLineWatch.h"

#include <algorithm>

namespace comlink {

namespace {
// What a closed line shows: nothing lit, and nothing to explain.
const ControlLines ClosedLine{.known = true};
}  // namespace

ControlLineWatch::ControlLineWatch(SerialLine &line, core::TimerFactory &timers)
    : m_line(line), m_timer(timers.createTimer())
{
    m_timer->setCallback([this] { poll(); });
}

ControlLineWatch::~ControlLineWatch() = default;

void ControlLineWatch::watch(LineLights &lights)
{
    if (watched(lights)) return;
    m_watchers.push_back(&lights);
    if (!polling()) poll();  // the window shows the lines now, not a tick later
    if (watched(lights)) lights.setControlLines(m_lines);
    startOrStop();
}

void ControlLineWatch::unwatch(LineLights &lights)
{
    const auto it = std::find(m_watchers.begin(), m_watchers.end(), &lights);
    if (it == m_watchers.end()) return;
    m_watchers.erase(it);
    startOrStop();
}

bool ControlLineWatch::watched(const LineLights &lights) const
{
    return std::find(m_watchers.begin(), m_watchers.end(), &lights) != m_watchers.end();
}

void ControlLineWatch::lineOpened()
{
    if (m_watchers.empty()) return;
    poll();
    startOrStop();
}

void ControlLineWatch::lineClosed()
{
    m_timer->stop();
    update(ClosedLine);
}

void ControlLineWatch::traffic(bool sent)
{
    for (LineLights *lights : m_watchers) lights->traffic(sent);
}

void ControlLineWatch::startOrStop()
{
    if (m_watchers.empty() || !m_line.isOpen()) m_timer->stop();
    else if (!polling()) m_timer->start(PollMs);
}

void ControlLineWatch::poll()
{
    if (!m_line.isOpen()) {
        lineClosed();
        return;
    }
    const ControlLines lines = m_line.controlLines();
    // Reading may find the line gone (unplugged adapter) and close it under us.
    if (!m_line.isOpen()) {
        lineClosed();
        return;
    }
    update(lines);
}

void ControlLineWatch::update(const ControlLines &lines)
{
    if (lines == m_lines) return;
    m_lines = lines;
    // A copy: a window may stop watching while it shows the change.
    const std::vector<LineLights *> watchers = m_watchers;
    for (LineLights *lights : watchers)
        if (watched(*lights)) lights->setControlLines(lines);
}

}  // namespace comlink
