#pragma once

#include "core/Timer.h"
#include "comlink/LineLights.h"
#include "comlink/SerialLine.h"

#include <memory>
#include <vector>

namespace comlink {

// Feeds the status lights of the windows that show them: reads the control
// lines of the open line every PollMs and passes each change on, and passes
// the line's traffic on for the RxD and TxD flashes. Only lights that are
// watched (their window is visible) get anything; with none watched the line
// is not read at all. Reading the lines is a query of the device, so it never
// runs per byte.
class ControlLineWatch {
public:
    static constexpr int PollMs = 250;

    ControlLineWatch(SerialLine &line, core::TimerFactory &timers);
    ~ControlLineWatch();
    ControlLineWatch(const ControlLineWatch &) = delete;
    ControlLineWatch &operator=(const ControlLineWatch &) = delete;

    // The lights' window became visible: they get the lines at once and then every change.
    void watch(LineLights &lights);
    // Hidden or gone: they get nothing more; the last one stops the reading.
    void unwatch(LineLights &lights);
    bool watched(const LineLights &lights) const;

    // The port opened or closed the line.
    void lineOpened();
    void lineClosed();
    // Bytes went out (sent) or came in.
    void traffic(bool sent);

    bool polling() const { return m_timer->isActive(); }
    // The last reading; a closed line shows all lines dark.
    const ControlLines &lines() const { return m_lines; }

private:
    void poll();
    void update(const ControlLines &lines);
    void startOrStop();

    SerialLine &m_line;
    std::unique_ptr<core::Timer> m_timer;
    std::vector<LineLights *> m_watchers;
    ControlLines m_lines{.known = true};
};

}  // namespace comlink
