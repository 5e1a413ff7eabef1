#include "WindowParts.h"

#include <QEvent>
#include <QPointer>
#include <QRegularExpression>

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

CaptionedLamps::CaptionedLamps(const QString &caption, const QList<QWidget *> &lamps, QWidget *parent)
    : QWidget(parent), m_caption(new QLabel(caption, this)), m_lamps(lamps)
{
    m_caption->setMargin(0);
    m_caption->setIndent(0);
    const QRegularExpression word(QStringLiteral("\\S+"));
    for (auto it = word.globalMatch(caption); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        m_words << qMakePair(int(match.capturedStart()), int(match.capturedLength()));
    }
    for (QWidget *lamp : m_lamps) lamp->setParent(this);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    place();
}

QSize CaptionedLamps::sizeHint() const
{
    const QSize text = m_caption->sizeHint();
    int width = text.width(), lampHeight = 0;
    for (QWidget *lamp : m_lamps) {
        width = qMax(width, lamp->x() + lamp->width());
        lampHeight = qMax(lampHeight, lamp->height());
    }
    return {width, text.height() + Gap + lampHeight};
}

void CaptionedLamps::place()
{
    const QSize text = m_caption->sizeHint();
    m_caption->setGeometry(0, 0, text.width(), text.height());
    const QFontMetrics metrics = m_caption->fontMetrics();
    const QString caption = m_caption->text();
    for (int i = 0; i < m_lamps.size() && i < m_words.size(); ++i) {
        const auto [start, length] = m_words[i];
        const int centre = metrics.horizontalAdvance(caption.left(start))
                           + metrics.horizontalAdvance(caption.mid(start, length)) / 2;
        m_lamps[i]->move(qMax(0, centre - m_lamps[i]->width() / 2), text.height() + Gap);
    }
}

void CaptionedLamps::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    place();
}

void CaptionedLamps::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        place();
        updateGeometry();
    }
}

}  // namespace comlink
