#include "SessionPanelWindow.h"

#include "core/BgrColour.h"
#include "widgets/Lamp.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>

namespace panels {

namespace {

constexpr unsigned WindowText = 0x000000;
constexpr unsigned InfoBackground = 0xE1FFFF;

void showButton(QPushButton *button, const ButtonState &state)
{
    button->setEnabled(state.enabled);
    button->setFlat(!state.enabled);
    button->setChecked(state.down);
}

void showField(QLabel *field, const QString &text, FieldLook look)
{
    field->setText(text);
    QPalette pal = field->palette();
    pal.setColor(QPalette::WindowText, core::colourFromBgr(look == FieldLook::Error ? core::colour::Red : WindowText));
    field->setAutoFillBackground(look == FieldLook::Info);
    pal.setColor(QPalette::Window, look == FieldLook::Info ? core::colourFromBgr(InfoBackground)
                                                           : field->parentWidget()->palette().color(QPalette::Window));
    field->setPalette(pal);
}

QPushButton *makeButton(const QString &caption, bool checkable, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setCheckable(checkable);
    return button;
}

}  // namespace

SessionPanelWindow::SessionPanelWindow(core::TimerFactory &timers, TextFn languageText, bool detailsVisible, QWidget *parent)
    : QWidget(parent), m_logic(timers, std::move(languageText), detailsVisible)
{
    setWindowTitle(QStringLiteral("dial"));
    auto *outer = new QGridLayout(this);
    m_group = new QGroupBox(this);
    outer->addWidget(m_group);
    auto *grid = new QGridLayout(m_group);

    m_dial = makeButton(QStringLiteral("WÄHLEN"), true, m_group);
    m_init = makeButton(QStringLiteral("INIT"), true, m_group);
    m_hangUp = makeButton(m_logic.text(13), false, m_group);
    m_speakerOff = makeButton(m_logic.text(2), true, m_group);
    grid->addWidget(m_dial, 0, 0);
    grid->addWidget(m_init, 0, 1);
    grid->addWidget(m_hangUp, 0, 2);
    grid->addWidget(m_speakerOff, 0, 3);

    m_statusLabel = new QLabel(m_logic.text(1), m_group);
    m_state = new QLabel(m_group);
    m_report = new QLabel(m_group);
    m_partner = new QLabel(QStringLiteral("verbunden mit:"), m_group);
    m_onlineLed = new widgets::Lamp(m_group, core::colour::Red, 13);
    grid->addWidget(m_statusLabel, 1, 0);
    grid->addWidget(m_state, 1, 1, 1, 2);
    grid->addWidget(m_onlineLed, 1, 3, Qt::AlignRight);
    grid->addWidget(m_report, 2, 0, 1, 4);
    grid->addWidget(m_partner, 3, 0, 1, 4);

    auto *externLabel = new QLabel(QStringLiteral("Extern.ZBL"), m_group);
    m_externZbl = new widgets::Lamp(m_group, core::colour::Red, 13);
    auto *kavcomLabel = new QLabel(QStringLiteral("KAVCOM"), m_group);
    m_framedLink = new widgets::Lamp(m_group, core::colour::Red, 13);
    auto *modemLabel = new QLabel(QStringLiteral("MODEM"), m_group);
    m_modem = new widgets::Lamp(m_group, core::colour::Red, 13);
    auto *lamps = new QHBoxLayout;
    for (QWidget *w : {(QWidget *)externLabel, (QWidget *)m_externZbl, (QWidget *)kavcomLabel,
                       (QWidget *)m_framedLink, (QWidget *)modemLabel, (QWidget *)m_modem})
        lamps->addWidget(w);
    lamps->addStretch();
    grid->addLayout(lamps, 4, 0, 1, 4);
    m_details = {externLabel, m_externZbl, kavcomLabel, m_framedLink, modemLabel, m_modem};

    connect(m_dial, &QPushButton::clicked, this, [this] { m_logic.dialClick(); refresh(); });
    connect(m_init, &QPushButton::clicked, this, [this] { m_logic.initClick(); refresh(); });
    connect(m_hangUp, &QPushButton::clicked, this, [this] { m_logic.hangUpClick(); refresh(); });
    connect(m_speakerOff, &QPushButton::clicked, this, [this] { m_logic.speakerOffClick(); refresh(); });
    m_group->installEventFilter(this);
    m_statusLabel->installEventFilter(this);

    connect(&m_logic, &SessionPanel::changed, this, [this] { refresh(); });
    refresh();
}

bool SessionPanelWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == m_group) m_logic.groupBoxClick();
        else if (watched == m_statusLabel) m_logic.statusLabelClick();
    }
    return QWidget::eventFilter(watched, event);
}

void SessionPanelWindow::refresh()
{
    showButton(m_dial, m_logic.dial());
    showButton(m_init, m_logic.init());
    showButton(m_hangUp, m_logic.hangUp());
    showButton(m_speakerOff, m_logic.speakerOff());
    m_init->setText(m_logic.initCaption());
    showField(m_state, m_logic.status(), m_logic.statusLook());
    showField(m_report, m_logic.report(), m_logic.reportLook());
    m_partner->setText(m_logic.partnerLabel());
    m_onlineLed->setLampColour(m_logic.onlineColour());
    for (QWidget *w : m_details) w->setVisible(m_logic.detailsVisible());
}

void SessionPanelWindow::dock(QWidget *parent, int left, int top, bool floating)
{
    setParent(parent, floating ? Qt::Dialog : Qt::Widget);
    move(left, top);
    show();
}

void SessionPanelWindow::showPanel(std::function<void()> initProc, std::function<void()> hangUpProc,
                          std::function<bool()> dialProc, QWidget *parent, int left, int top, bool floating)
{
    if (m_logic.showPanel(std::move(initProc), std::move(hangUpProc), std::move(dialProc)))
        dock(parent, left, top, floating);
}

void SessionPanelWindow::showSessionPanel(QWidget *parent, int left, int top)
{
    if (m_logic.showSessionPanel()) dock(parent, left, top, false);
}

bool SessionPanelWindow::inputQuery(const QString &caption, const QString &prompt, QString &text)
{
    bool ok = false;
    const QString edited = QInputDialog::getText(nullptr, caption, prompt, QLineEdit::Normal, text, &ok);
    if (ok) text = edited;
    return ok;
}

void SessionPanelWindow::closeEvent(QCloseEvent *event)
{
    if (!m_logic.closed()) m_logic.close();
    event->accept();
}

widgets::Lamp &SessionPanelWindow::externZblLamp() { return *m_externZbl; }
widgets::Lamp &SessionPanelWindow::kavcomLamp() { return *m_framedLink; }
widgets::Lamp &SessionPanelWindow::modemLamp() { return *m_modem; }
unsigned SessionPanelWindow::onlineColour() const { return m_onlineLed->lampColour(); }

}  // namespace panels
