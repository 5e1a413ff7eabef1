#pragma once

#include "core/Timer.h"

#include <QLayout>
#include <QPushButton>
#include <QWidget>

#include <functional>

// Pieces shared by the link and line windows.
namespace comlink {

// A push button owned by owner, placed in layout, that runs action on a click.
QPushButton *addActionButton(QWidget *owner, QLayout *layout, const QString &text, std::function<void()> action);

// Gathers view changes into one repaint every few milliseconds while the
// window is shown: a byte-by-byte line must not repaint at every byte.
class RefreshThrottle {
public:
    RefreshThrottle(QWidget &window, core::TimerFactory &timers, std::function<void()> refresh, int delayMs);
    void schedule();

private:
    QWidget &m_window;
    core::TimerFactory &m_timers;
    std::function<void()> m_refresh;
    int m_delayMs;
    bool m_pending = false;
};

}  // namespace comlink
