#pragma once

#include "core/Timer.h"

#include <QLabel>
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

// One caption line with a lamp centred under each of its words, as the status
// lights sit under "DCD   DSR  RING  CONNECT   RxD  TxD". The lamps follow the
// caption's font, so they stay under their words at any size.
class CaptionedLamps : public QWidget {
public:
    // One lamp per word of caption, in order; the widget takes them over.
    CaptionedLamps(const QString &caption, const QList<QWidget *> &lamps, QWidget *parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    QLabel *caption() const { return m_caption; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void place();
    static constexpr int Gap = 2;  // between caption and lamps

    QLabel *m_caption;
    QList<QWidget *> m_lamps;
    QList<QPair<int, int>> m_words;  // start and length of each word in the caption
};

}  // namespace comlink
