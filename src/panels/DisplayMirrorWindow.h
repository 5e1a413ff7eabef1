#pragma once

#include "panels/DisplayMirror.h"

#include <QWidget>

#include <array>

class QLineEdit;
class QToolButton;

namespace widgets {
class Lamp;
}

namespace panels {

// The LCD window: the four rows of the controller's display in a fixed-pitch
// font on lime, the five operating keys, "neu" and the family switch. The
// arrow keys, Enter and Escape of the PC's keyboard press the keys too.
class DisplayMirrorWindow : public QWidget {
public:
    DisplayMirrorWindow(core::TimerFactory &timers, core::Channel &channel, bool hpzMode, QWidget *parent = nullptr);

    DisplayMirror &mirror() { return m_mirror; }
    QLineEdit *rowField(int row) const { return m_rows.at(size_t(row)); }
    QToolButton *keyButton(DisplayMirror::Key key) const;
    QToolButton *rebuildButton() const { return m_rebuildButton; }
    QToolButton *modeButton() const { return m_modeButton; }
    widgets::Lamp *tickLed() const { return m_tickLed; }
    // The group member the keys act on, shown in the title; empty outside a group.
    void setMemberCaption(const QString &member);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QToolButton *addKey(DisplayMirror::Key key, const QString &glyph, const QString &toolTip);
    void showTitle();

    DisplayMirror m_mirror;
    std::array<QLineEdit *, DisplayMirror::Rows> m_rows{};
    std::array<QToolButton *, 5> m_keys{};
    QToolButton *m_rebuildButton = nullptr;
    QToolButton *m_modeButton = nullptr;
    widgets::Lamp *m_tickLed = nullptr;
    QString m_memberCaption;
};

}  // namespace panels
