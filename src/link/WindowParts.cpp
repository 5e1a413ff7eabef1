#include "WindowParts.h"

#include <QPointer>

namespace comlink {

QPushButton *addActionButton(QWidget *owner, QLayout *layout, const QString &text, std::function<void()> action)
{
    auto *button = new QPushButton(text, owner);
    QObject::connect(button, &QPushButton::clicked, owner, [action = std::move(action)] { action(); });
    layout->addWidget(button);
    return button;
}

RefreshThrottle::RefreshThrottle(QWidget &window, core::TimerFactory &timers, std::function<void()> refresh,
                                 int delayMs)
    : m_window(window), m_timers(timers), m_refresh(std::move(refresh)), m_delayMs(delayMs)
{
}

void RefreshThrottle::schedule()
{
    if (m_pending || !m_window.isVisible()) return;
    m_pending = true;
    // The throttle lives inside its window: while the window lives, so does this.
    m_timers.singleShot(m_delayMs, [window = QPointer<QWidget>(&m_window), this] {
        if (!window) return;
        m_pending = false;
        m_refresh();
    });
}

}  // namespace comlink
