#include "MonitorWindow.h"

#include "core/BgrColour.h"
#include "IdentityBox.h"

#include "core/Colours.h"
#include "core/Reports.h"
#include "protocol/TransferQueue.h"
#include "widgets/Lamp.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace monitorview {

namespace {

using monitor::PollCycle;

constexpr unsigned ButtonFace = 0x00C0C0C0;
const char *const SlotCaptions[] = {"1 Monitor", "2 Quittierung", "8 BS", "4 FZ", "16 Fehler", "16 Fehler"};
const char *const TabCaptions[] = {"MONITOR", "Fehler", "Test", "Funktion", "EEprom", "Telefon", "Ports", "Statistik", "SysMod"};

// The countdown settings shown on the "Test" tab; the newest fault's (TICKuLERROR) is left out.
const char *const ReloadKeys[] = {"TICKuMONBLK", "TICKuQUITT", "TICKuBS", "TICKuFZ", "TICKuERROR"};
constexpr int ActivityPictures = 8;
constexpr int ActivitySize = 16;

// Picture n of the activity animation: a ring of dots, dot n lit.
QPixmap activityFrame(int n, const QColor &dim)
{
    QPixmap picture(ActivitySize, ActivitySize);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.translate(ActivitySize / 2.0, ActivitySize / 2.0);
    for (int i = 0; i < ActivityPictures; ++i) {
        painter.setBrush(i == n ? core::colourFromBgr(core::colour::Green) : dim);
        painter.drawEllipse(QPointF(0, -5.5), 2.0, 2.0);
        painter.rotate(360.0 / ActivityPictures);
    }
    return picture;
}

void setFieldColour(QLineEdit *edit, const QColor &colour)
{
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, colour);
    edit->setPalette(p);
}

}  // namespace

MonitorWindow::MonitorWindow(QWidget *host, const shell::Configuration &config, std::function<void(const QString &)> showHelp,
                             monitor::MonitorControl &control)
    : shell::ToolWindow(host, config, std::move(showHelp)), m_control(control)
{
    setSectionName(QStringLiteral("unit43"));
    heading()->setText(text(1));
    textLabel()->setText(text(2));
    m_tabs[MonitorTab] = buildMonitorTab();
    m_tabs[TestTab] = buildTestTab();
    m_tabs[FunctionTab] = buildFunctionTab();
    for (int tab = 0; tab < TabCount; ++tab) {
        if (!m_tabs[tab]) m_tabs[tab] = new QWidget;
        // A page taller than the docked window scrolls instead of squeezing its rows.
        auto *scroll = new QScrollArea;
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidget(m_tabs[tab]);
        pages()->addTab(scroll, QString::fromUtf8(TabCaptions[tab]));
    }
    pages()->show();
    connectView();
    if (host) host->installEventFilter(this);
}

QLineEdit *MonitorWindow::field(const QString &toolTip)
{
    auto *edit = new QLineEdit;
    edit->setReadOnly(true);
    edit->setToolTip(toolTip);
    edit->setFocusPolicy(Qt::NoFocus);
    return edit;
}

QWidget *MonitorWindow::buildMonitorTab()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);

    auto *linkRow = new QHBoxLayout;
    m_linkLed = new widgets::Lamp;
    m_linked = new QLabel(text(30));
    m_activity = new QLabel;
    m_activity->setPixmap(activityFrame(0, palette().color(QPalette::Mid)));
    m_sendFill = new QProgressBar;
    m_sendFill->setRange(0, protocol::TransferQueue::MaxEntries);
    m_sendFill->setTextVisible(false);
    m_sendFill->setMaximumSize(60, ActivitySize - 4);
    m_sendFill->setToolTip(QStringLiteral("Sendepuffer"));
    linkRow->addWidget(m_linkLed);
    linkRow->addWidget(m_linked, 1);
    linkRow->addWidget(m_activity);
    linkRow->addWidget(m_sendFill);
    layout->addLayout(linkRow);

    auto *stateBox = new QGroupBox(text(11));
    auto *grid = new QGridLayout(stateBox);
    m_state = field(text(11));
    m_safety = field(text(12));
    m_state->installEventFilter(this);
    m_safety->installEventFilter(this);
    m_mode = field(text(13));
    m_floor = field(text(14));
    m_target = field(text(15));
    grid->addWidget(new QLabel(text(11)), 0, 0);
    grid->addWidget(m_state, 0, 1, 1, 3);
    grid->addWidget(new QLabel(text(12)), 1, 0);
    grid->addWidget(m_safety, 1, 1, 1, 3);
    grid->addWidget(new QLabel(text(13)), 2, 0);
    grid->addWidget(m_mode, 2, 1, 1, 3);
    grid->addWidget(new QLabel(text(14)), 3, 0);
    grid->addWidget(m_floor, 3, 1);
    grid->addWidget(new QLabel(text(15)), 3, 2);
    grid->addWidget(m_target, 3, 3);
    auto *lamps = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        m_stateLamps[i] = new widgets::Lamp;
        m_stateLamps[i]->setToolTip(text(8 + i));
        m_stateLamps[i]->setLampColour(core::colour::Green);
        connect(m_stateLamps[i], &widgets::Lamp::clicked, this, [this, i] { emit switchClicked(i); });
        lamps->addWidget(m_stateLamps[i]);
        lamps->addWidget(new QLabel(text(8 + i)));
    }
    lamps->addStretch(1);
    grid->addLayout(lamps, 4, 0, 1, 4);
    layout->addWidget(stateBox);

    auto *pollBox = new QGroupBox(text(3));
    auto *poll = new QGridLayout(pollBox);
    // Six columns in the docked window's width.
    if (const int spacing = poll->horizontalSpacing(); spacing > 0) poll->setHorizontalSpacing(spacing / 2);
    const int valueTexts[] = {0, 0, 16, 17, 18, 38};
    int row = 0;
    for (int slot = 0; slot < PollCycle::SlotCount; ++slot) {
        m_leds[slot] = new widgets::Lamp;
        m_leds[slot]->setLampColour(ButtonFace);
        connect(m_leds[slot], &widgets::Lamp::clicked, this, [this, slot] { m_control.armSlot(slot); });
        if (slot != PollCycle::NewestFault) {
            m_checkBoxes[slot] = new QCheckBox(QString::fromLatin1(SlotCaptions[slot]));
            connect(m_checkBoxes[slot], &QCheckBox::clicked, this, [this, slot](bool on) { m_control.setSlotEnabled(slot, on); });
        } else {
            m_checkBoxes[slot] = m_checkBoxes[PollCycle::FaultCount];
        }
        if (valueTexts[slot]) {
            m_values[slot] = field(text(valueTexts[slot]));
            m_values[slot]->installEventFilter(this);
            // Wide enough for the operating hours ("31892:38").
            m_values[slot]->setMinimumWidth(m_values[slot]->fontMetrics().horizontalAdvance(QStringLiteral("00000:00 ")));
            // Slots 2 to 4 show their activity; the newest fault has its step-back button there.
            if (slot != PollCycle::NewestFault) m_indicators[slot] = new QLabel(QStringLiteral("<"));
        }
        poll->addWidget(m_leds[slot], row, 0);
        if (slot != PollCycle::NewestFault) poll->addWidget(m_checkBoxes[slot], row, 1);
        if (m_values[slot]) {
            // The value's caption is a button too: both show the value again at once.
            auto *again = new QToolButton;
            again->setText(text(valueTexts[slot]));
            again->setAutoRaise(true);
            connect(again, &QToolButton::clicked, this, [this, slot] { m_control.valueClicked(slot); });
            poll->addWidget(again, row, 2);
            poll->addWidget(m_values[slot], row, 3);
            if (m_indicators[slot]) poll->addWidget(m_indicators[slot], row, 4);
        }
        if (slot == PollCycle::NewestFault) {
            m_fehlerInc = new QToolButton;
            m_fehlerInc->setText(QStringLiteral("<<"));
            connect(m_fehlerInc, &QToolButton::clicked, this, &MonitorWindow::faultCountRaised);
            poll->addWidget(m_fehlerInc, row, 4);
        }
        ++row;
    }
    m_autorun = new QCheckBox(QStringLiteral("32 autorun"));
    connect(m_autorun, &QCheckBox::clicked, this, [this](bool on) {
        if (!m_loading) m_control.autorunClicked(on);
    });
    poll->addWidget(m_autorun, row, 1);
    poll->setColumnStretch(3, 1);
    layout->addWidget(pollBox);

    m_identity = new IdentityBox([this](int number) { return text(number); });
    layout->addWidget(m_identity);

    auto *buttons = new QHBoxLayout;
    m_stopButton = new QPushButton(QStringLiteral("RUN"));
    m_stopButton->setCheckable(true);
    connect(m_stopButton, &QPushButton::clicked, this, [this](bool pressed) { m_control.stopButtonClicked(pressed); });
    m_holdCount = new QLabel(QStringLiteral("0"));
    auto *build = new QPushButton(text(4));
    connect(build, &QPushButton::clicked, this, [this] { m_control.monitorStart(); });
    auto *fromSysMod = new QPushButton(text(37));
    connect(fromSysMod, &QPushButton::clicked, this, &MonitorWindow::shaftFromSysModClicked);
    m_lcdButton = new QPushButton(QStringLiteral("LCD"));
    connect(m_lcdButton, &QPushButton::clicked, this, &MonitorWindow::lcdClicked);
    auto *flush = new QPushButton(QStringLiteral("flush"));
    connect(flush, &QPushButton::clicked, this, &MonitorWindow::flushClicked);
    // The loop's controls on one row, building the shaft and the extras on the next,
    // so the page fits the docked window's width.
    buttons->addWidget(m_stopButton);
    buttons->addWidget(m_holdCount);
    buttons->addStretch(1);
    buttons->addWidget(flush);
    buttons->addWidget(m_lcdButton);
    layout->addLayout(buttons);
    auto *shaftButtons = new QHBoxLayout;
    shaftButtons->addWidget(build);
    shaftButtons->addWidget(fromSysMod);
    shaftButtons->addStretch(1);
    layout->addLayout(shaftButtons);
    layout->addStretch(1);
    return page;
}

QWidget *MonitorWindow::buildTestTab()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    auto *box = new QGroupBox(text(35));
    auto *inner = new QVBoxLayout(box);
    m_loopLabel = new QLabel(QStringLiteral("LoopStop"));
    m_readyLabel = new QLabel;
    m_ticksLabel = new QLabel;
    m_sessionCounter = new QLabel(QStringLiteral("0"));
    for (QLabel *label : {m_loopLabel, m_readyLabel, m_ticksLabel}) {
        label->setFont(QFont(QStringLiteral("DejaVu Sans Mono")));
        inner->addWidget(label);
    }
    auto *reloads = new QGridLayout;
    reloads->addWidget(new QLabel(QStringLiteral("Abfrageabstand (Takte):")), 1, 0);
    for (int slot = 0; slot < int(std::size(ReloadKeys)); ++slot) {
        const QString key = QString::fromLatin1(ReloadKeys[slot]);
        auto *caption = new QLabel(key.mid(5));  // without "TICKu"
        m_reloads[slot] = new QLabel;
        for (QLabel *label : {caption, m_reloads[slot]}) label->setToolTip(key);
        reloads->addWidget(caption, 0, slot + 1);
        reloads->addWidget(m_reloads[slot], 1, slot + 1);
    }
    reloads->addWidget(new QLabel(QStringLiteral("Meldungen der Modem-Sitzung:")), 2, 0);
    reloads->addWidget(m_sessionCounter, 2, 1);
    reloads->setHorizontalSpacing(12);
    reloads->setColumnStretch(int(std::size(ReloadKeys)) + 1, 1);
    inner->addLayout(reloads);
    layout->addWidget(box);
    layout->addStretch(1);
    return page;
}

QWidget *MonitorWindow::buildFunctionTab()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    auto *resetBox = new QGroupBox(text(5));
    auto *reset = new QHBoxLayout(resetBox);
    m_resetButton = new QPushButton(text(6));
    m_resetCountdown = new QLabel;
    reset->addWidget(m_resetButton);
    reset->addWidget(m_resetCountdown, 1);
    connect(m_resetButton, &QPushButton::clicked, this, [this] {
        if (!confirmReset || confirmReset()) m_control.resetController();
    });
    layout->addWidget(resetBox);
    auto *cabinRow = new QHBoxLayout;
    m_cabinTimer = new QSpinBox;
    m_cabinTimer->setRange(0, 20);
    connect(m_cabinTimer, &QSpinBox::valueChanged, this, &MonitorWindow::cabinTimerChanged);
    cabinRow->addWidget(new QLabel(QStringLiteral("Kabinentimer")));
    cabinRow->addWidget(m_cabinTimer);
    cabinRow->addStretch(1);
    layout->addLayout(cabinRow);
    layout->addStretch(1);
    return page;
}

void MonitorWindow::addToTab(Tab tab, QWidget *content)
{
    auto *layout = qobject_cast<QBoxLayout *>(m_tabs[tab]->layout());
    if (!layout) layout = new QVBoxLayout(m_tabs[tab]);
    // Tabs built here end in a stretch; the content goes above it.
    const bool stretched = layout->count() > 0 && layout->itemAt(layout->count() - 1)->spacerItem();
    layout->insertWidget(stretched ? layout->count() - 1 : layout->count(), content);
}

void MonitorWindow::countSessionText() { m_sessionCounter->setText(QString::number(++m_sessionTexts)); }

void MonitorWindow::showReloads()
{
    for (int slot = 0; slot < PollCycle::SlotCount; ++slot)
        if (m_reloads[slot]) m_reloads[slot]->setText(QString::number(m_control.cycle().slot(slot).reload));
}

QLabel *MonitorWindow::reloadLabel(int slot) const
{
    return slot >= 0 && slot < PollCycle::SlotCount ? m_reloads[slot] : nullptr;
}

void MonitorWindow::showQueueFill(int count) { m_sendFill->setValue(qBound(0, count, m_sendFill->maximum())); }

void MonitorWindow::stepActivity()
{
    m_activityPicture = (m_activityPicture + 1) % ActivityPictures;
    m_activity->setPixmap(activityFrame(m_activityPicture, palette().color(QPalette::Mid)));
}

int MonitorWindow::cabinTimer() const { return m_cabinTimer->value(); }
void MonitorWindow::setCabinTimer(int ticks) { m_cabinTimer->setValue(ticks); }

QCheckBox *MonitorWindow::slotCheckBox(int slot) const
{
    return slot >= 0 && slot < PollCycle::SlotCount ? m_checkBoxes[slot] : nullptr;
}

void MonitorWindow::connectView()
{
    using monitor::MonitorControl;
    connect(&m_control, &MonitorControl::liftStateDecoded, this, &MonitorWindow::showLiftState);
    connect(&m_control, &MonitorControl::slotChanged, this, &MonitorWindow::showSlot);
    connect(&m_control, &MonitorControl::valueShown, this, [this](int slot, const QString &value) {
        if (slot >= 0 && slot < PollCycle::SlotCount && m_values[slot]) {
            m_values[slot]->setText(value);
            m_values[slot]->setCursorPosition(0);  // a long entry shows its number first
        }
    });
    connect(&m_control, &MonitorControl::loopLabelChanged, m_loopLabel, &QLabel::setText);
    connect(&m_control, &MonitorControl::diagnosticsChanged, this, [this](const QString &ready, const QString &ticks) {
        m_readyLabel->setText(ready);
        m_ticksLabel->setText(ticks);
    });
    connect(&m_control, &MonitorControl::holdChanged, this, &MonitorWindow::showHold);
    connect(&m_control, &MonitorControl::linkedTextChanged, m_linked, &QLabel::setText);
    connect(&m_control, &MonitorControl::resetCountdownChanged, this,
            [this](int n) { m_resetCountdown->setText(QString::number(n)); });
    connect(&m_control, &MonitorControl::monitorTabWanted, this, [this] { showTab(MonitorTab); });
    connect(&m_control, &MonitorControl::valuesCleared, this, &MonitorWindow::clearValues);
    m_loading = true;
    for (int slot = 0; slot < PollCycle::SlotCount; ++slot) m_checkBoxes[slot]->setChecked(m_control.cycle().slot(slot).enabled);
    m_autorun->setChecked(m_control.autorun());
    m_loading = false;
    showHold();
    showReloads();
}

void MonitorWindow::showLiftState(const monitor::LiftStateView &state)
{
    m_state->setText(state.stateText);
    setFieldColour(m_state, state.stateIndex ? core::colourFromBgr(core::colour::Red) : palette().color(QPalette::ToolTipBase));
    if (state.safety >= 0) m_safety->setText(state.safetyText);
    m_mode->setText(state.mode.text);
    setFieldColour(m_mode, state.mode.alarm     ? core::colourFromBgr(core::colour::Red)
                           : state.mode.warning ? core::colourFromBgr(core::colour::Yellow)
                                                : palette().color(QPalette::Base));
    m_floor->setText(QString::number(state.floor));
    m_target->setText(state.target == 255 ? QString() : QString::number(state.target));
    const auto lamp = [](bool red) { return red ? core::colour::Red : core::colour::Green; };
    m_stateLamps[0]->setLampColour(lamp(state.remoteSwitchOff));
    m_stateLamps[1]->setLampColour(lamp(state.addressLocked));
    m_stateLamps[2]->setLampColour(lamp(state.indicator));
}

void MonitorWindow::showSlot(int slot)
{
    if (slot < 0 || slot >= PollCycle::SlotCount) return;
    const PollCycle::Slot &s = m_control.cycle().slot(slot);
    m_leds[slot]->setLampColour(s.ledLit ? core::colour::Green : ButtonFace);
    if (m_indicators[slot]) m_indicators[slot]->setText(s.indicatorRight ? QStringLiteral(">") : QStringLiteral("<"));
    m_checkBoxes[slot]->setChecked(s.enabled);
}

void MonitorWindow::showHold()
{
    const int count = m_control.cycle().holdCount();
    m_stopButton->setChecked(count > 0);
    m_stopButton->setText(count > 0 ? QStringLiteral("STOP") : QStringLiteral("RUN"));
    m_holdCount->setText(QString::number(count));
}

void MonitorWindow::clearValues()
{
    for (int slot : {int(PollCycle::OperatingHours), int(PollCycle::TripCounter), int(PollCycle::FaultCount),
                     int(PollCycle::NewestFault)})
        m_values[slot]->setText(QStringLiteral("0"));
    m_identity->clearValues();
}

void MonitorWindow::showInfo(monitor::InfoRequest request, const QString &value) { m_identity->showInfo(request, value); }

void MonitorWindow::showSwitchState(int lamp, const QString &state)
{
    if (lamp >= 0 && lamp < int(m_stateLamps.size()))
        m_stateLamps[size_t(lamp)]->setLampColour(state == QLatin1String("1") ? core::colour::Red : core::colour::Green);
}

void MonitorWindow::applyTabVisibility(int bits)
{
    for (int tab = 0; tab < TabCount; ++tab) setTabShown(Tab(tab), bits & (1 << tab));
    m_lcdButton->setVisible(bits & LcdButtonBit);
    core::reports().writeIf(core::ReportMonitor, QStringLiteral("tabsheet.select=%1").arg(bits));
}

// The help file has a topic for each tab.
QString MonitorWindow::helpTopic() const
{
    static const char *const topics[TabCount] = {"monitor", "fehler", "test", "funktion", "eeprom",
                                                 "telefon", "ports", "statistik", "sysmod"};
    for (int tab = 0; tab < TabCount; ++tab)
        if (tabIndex(Tab(tab)) == pages()->currentIndex()) return QString::fromLatin1(topics[tab]);
    return shell::ToolWindow::helpTopic();
}

int MonitorWindow::tabIndex(Tab tab) const
{
    for (int i = 0; i < pages()->count(); ++i)
        if (static_cast<QScrollArea *>(pages()->widget(i))->widget() == m_tabs[tab]) return i;
    return -1;
}

void MonitorWindow::setTabShown(Tab tab, bool shown) { pages()->setTabVisible(tabIndex(tab), shown); }

void MonitorWindow::setTabCaption(Tab tab, const QString &caption) { pages()->setTabText(tabIndex(tab), caption); }

void MonitorWindow::showTab(Tab tab)
{
    setTabShown(tab, true);
    pages()->setCurrentIndex(tabIndex(tab));
}

bool MonitorWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize && watched == parentWidget()) {
        setGeometry(0, 0, parentWidget()->width(), parentWidget()->height() - 10);
    } else if (event->type() == QEvent::MouseButtonPress) {
        // A click on a value asks for it again at once.
        for (int slot = 0; slot < PollCycle::SlotCount; ++slot)
            if (watched == m_values[slot]) m_control.valueClicked(slot);
        if (watched == m_state || watched == m_safety) m_control.valueClicked(PollCycle::LiftState);
    }
    return shell::ToolWindow::eventFilter(watched, event);
}

// The first show picks the first tab: the session's, when a modem session holds it;
// with the start page digit and no link at all the session's tab goes.
void MonitorWindow::showEvent(QShowEvent *event)
{
    shell::ToolWindow::showEvent(event);
    if (m_shownBefore) return;
    m_shownBefore = true;
    const auto mode = m_control.linkMode();
    if (mode == monitor::MonitorControl::ModemLink) {
        showTab(TelephoneTab);
    } else if (m_startPage && mode == monitor::MonitorControl::NoLink) {
        setTabShown(TelephoneTab, false);
        showTab(MonitorTab);
    }
    emit firstShown();
}

void MonitorWindow::resizeEvent(QResizeEvent *event)
{
    shell::ToolWindow::resizeEvent(event);
    pageArea()->setGeometry(0, pageArea()->y(), width(), height() - pageArea()->y());
    helpButton()->move(width() - helpButton()->width() - 4, helpButton()->y());
}

}  // namespace monitorview
