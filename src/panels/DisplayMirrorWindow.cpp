#include "DisplayMirrorWindow.h"

#include "core/BgrColour.h"
#include "core/Colours.h"
#include "widgets/Lamp.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace panels {

namespace {

constexpr unsigned ButtonFace = core::colour::Silver;

int keyIndex(DisplayMirror::Key key)
{
    switch (key) {
    case DisplayMirror::EnterKey: return 0;
    case DisplayMirror::RightKey: return 1;
    case DisplayMirror::DownKey: return 2;
    case DisplayMirror::UpKey: return 3;
    case DisplayMirror::LeftKey: return 4;
    }
    return 0;
}

}  // namespace

DisplayMirrorWindow::DisplayMirrorWindow(core::TimerFactory &timers, core::Channel &channel, bool hpzMode, QWidget *parent)
    : QWidget(parent, Qt::Tool), m_mirror(timers, channel, hpzMode)
{
    showTitle();
    setFocusPolicy(Qt::StrongFocus);
    auto *layout = new QVBoxLayout(this);

    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSize(qMax(font.pointSize(), 12));
    auto *rows = new QVBoxLayout;
    rows->setSpacing(0);
    for (int r = 0; r < DisplayMirror::Rows; ++r) {
        auto *edit = new QLineEdit(QStringLiteral("1234567890123456"));
        edit->setReadOnly(true);
        edit->setFocusPolicy(Qt::NoFocus);
        edit->setFont(font);
        QPalette p = edit->palette();
        p.setColor(QPalette::Base, core::colourFromBgr(core::colour::Lime));
        p.setColor(QPalette::Text, Qt::black);
        edit->setPalette(p);
        // Exactly sixteen cells wide, whatever the font's size.
        const QFontMetrics metrics(font);
        edit->setMinimumWidth(metrics.horizontalAdvance(QLatin1Char('M')) * DisplayMirror::Columns + 16);
        m_rows[size_t(r)] = edit;
        rows->addWidget(edit);
    }
    layout->addLayout(rows);

    auto *keys = new QHBoxLayout;
    auto *cross = new QGridLayout;
    cross->addWidget(addKey(DisplayMirror::UpKey, QStringLiteral("▲"), QStringLiteral("auf")), 0, 1);
    cross->addWidget(addKey(DisplayMirror::LeftKey, QStringLiteral("◄"), QStringLiteral("links")), 1, 0);
    cross->addWidget(addKey(DisplayMirror::EnterKey, QStringLiteral("↵"), QStringLiteral("Enter")), 1, 1);
    cross->addWidget(addKey(DisplayMirror::RightKey, QStringLiteral("►"), QStringLiteral("rechts")), 1, 2);
    cross->addWidget(addKey(DisplayMirror::DownKey, QStringLiteral("▼"), QStringLiteral("ab")), 2, 1);
    keys->addLayout(cross);
    keys->addStretch(1);

    auto *side = new QVBoxLayout;
    m_tickLed = new widgets::Lamp(nullptr, core::colour::Red, 10);
    m_tickLed->setToolTip(QStringLiteral(".954"));
    m_rebuildButton = new QToolButton;
    m_rebuildButton->setText(QStringLiteral("neu"));
    m_rebuildButton->setToolTip(QStringLiteral("Anzeige neu aufbauen"));
    m_rebuildButton->setFocusPolicy(Qt::NoFocus);
    connect(m_rebuildButton, &QToolButton::clicked, this, [this] { m_mirror.rebuild(); });
    m_modeButton = new QToolButton;
    m_modeButton->setText(QStringLiteral("Q/H"));
    m_modeButton->setToolTip(QStringLiteral("zwischen QRx/HPz umschalten"));
    m_modeButton->setFocusPolicy(Qt::NoFocus);
    connect(m_modeButton, &QToolButton::clicked, this, [this] {
        m_mirror.toggleMode();
        m_modeButton->setText(m_mirror.hpzMode() ? QStringLiteral("H") : QStringLiteral("Q"));
    });
    side->addWidget(m_tickLed, 0, Qt::AlignRight);
    side->addStretch(1);
    side->addWidget(m_rebuildButton);
    side->addWidget(m_modeButton);
    keys->addLayout(side);
    layout->addLayout(keys);

    m_mirror.setRow = [this](int row, const QByteArray &codes) {
        if (row >= 1 && row <= DisplayMirror::Rows) m_rows[size_t(row - 1)]->setText(DisplayMirror::displayText(codes));
    };
    m_mirror.onCaption = [this](const QString &) { showTitle(); };
    m_mirror.onLamp = [this](DisplayMirror::Lamp lamp) {
        switch (lamp) {
        case DisplayMirror::Lamp::ButtonFace: m_tickLed->setLampColour(ButtonFace); break;
        case DisplayMirror::Lamp::Green: m_tickLed->setLampColour(core::colour::Green); break;
        case DisplayMirror::Lamp::Red: m_tickLed->setLampColour(core::colour::Red); break;
        case DisplayMirror::Lamp::Yellow: m_tickLed->setLampColour(core::colour::Yellow); break;
        }
    };
    m_mirror.clearDisplay();
}

QToolButton *DisplayMirrorWindow::addKey(DisplayMirror::Key key, const QString &glyph, const QString &toolTip)
{
    auto *button = new QToolButton;
    button->setText(glyph);
    button->setToolTip(toolTip);
    button->setFocusPolicy(Qt::NoFocus);  // the window keeps the focus for the keyboard
    button->setMinimumSize(32, 28);
    connect(button, &QToolButton::clicked, this, [this, key] { m_mirror.keyPress(key); });
    m_keys[size_t(keyIndex(key))] = button;
    return button;
}

QToolButton *DisplayMirrorWindow::keyButton(DisplayMirror::Key key) const { return m_keys[size_t(keyIndex(key))]; }

void DisplayMirrorWindow::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Up: m_mirror.keyPress(DisplayMirror::UpKey); break;
    case Qt::Key_Down: m_mirror.keyPress(DisplayMirror::DownKey); break;
    case Qt::Key_Left:
    case Qt::Key_Escape: m_mirror.keyPress(DisplayMirror::LeftKey); break;  // back out of a page
    case Qt::Key_Right: m_mirror.keyPress(DisplayMirror::RightKey); break;
    case Qt::Key_Return:
    case Qt::Key_Enter: m_mirror.keyPress(DisplayMirror::EnterKey); break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

void DisplayMirrorWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_mirror.makeReady();
    m_mirror.pollStep();
    setFocus();
}

void DisplayMirrorWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_mirror.afterAnswer = nullptr;  // ends the polling loop
}

void DisplayMirrorWindow::setMemberCaption(const QString &member)
{
    m_memberCaption = member;
    showTitle();
}

void DisplayMirrorWindow::showTitle()
{
    const QString caption = m_mirror.caption();
    setWindowTitle(m_memberCaption.isEmpty() ? caption : caption + QStringLiteral(" \u2013 ") + m_memberCaption);
}

}  // namespace panels
