#include "LampWindow.h"

#include "core/BgrColour.h"
#include "widgets/Lamp.h"
#include "core/Reports.h"

#include <QBoxLayout>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>

namespace panels {

namespace {
constexpr int LampSize = 13;
}

LampWindow::LampWindow(core::TimerFactory &timers, QWidget *parent) : QWidget(parent), m_lamps(timers)
{
    setWindowTitle(QStringLiteral("LEDS"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    // Docked without a parent layout, the window must follow its own size hint,
    // or texts set later (the time text) get clipped.
    column->setSizeConstraint(QLayout::SetFixedSize);

    auto *lampGrid = new QGridLayout;
    const char *names[] = {"CONNECT", "DSR", "CTS", "RxD", "TxD"};
    m_connectLed = new widgets::Lamp(this, widgets::Lamp::lightColour(m_lamps.connected()), LampSize);
    for (int i = 0; i < 5; ++i) {
        const auto line = LineLamps::Lamp(i - 1);
        widgets::Lamp *lamp = i == 0 ? m_connectLed
                                     : new widgets::Lamp(this, widgets::Lamp::lightColour(m_lamps.lit(line), m_lamps.known(line)), LampSize);
        if (i > 0) m_lineLeds[i - 1] = lamp;
        m_captions[i] = new QLabel(QString::fromLatin1(names[i]), this);
        lampGrid->addWidget(lamp, 0, i, Qt::AlignHCenter);
        lampGrid->addWidget(m_captions[i], 1, i, Qt::AlignHCenter);
    }
    column->addLayout(lampGrid);

    m_captions[5] = new QLabel(QStringLiteral("MODEM KOMMANDO/TIMEOUT"), this);
    column->addWidget(m_captions[5]);

    m_gauge = new QProgressBar(this);
    m_gauge->setTextVisible(false);
    m_gauge->setRange(0, 100);
    m_gauge->setValue(0);
    QPalette pal = m_gauge->palette();
    pal.setColor(QPalette::Highlight, core::colourFromBgr(0x800000));  // navy
    m_gauge->setPalette(pal);
    m_timeLabel = new QLabel(QStringLiteral("( )"), this);
    reserveTimeWidth();
    m_timeLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto *gaugeRow = new QHBoxLayout;
    gaugeRow->addWidget(m_gauge, 1);
    gaugeRow->addWidget(m_timeLabel);
    column->addLayout(gaugeRow);
    m_lamps.onChanged = [this] { refreshLamps(); };
}

LampWindow::~LampWindow()
{
    // The lamps go with the window: whoever feeds them must let go.
    if (onLampsVisible) onLampsVisible(m_lamps, false);
}

// Room for the usual count-down text, so the window does not jump with every tick.
void LampWindow::reserveTimeWidth()
{
    m_timeLabel->setMinimumWidth(m_timeLabel->fontMetrics().horizontalAdvance(QStringLiteral("[88.88 sec]")));
}

void LampWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) reserveTimeWidth();
}

void LampWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (onLampsVisible) onLampsVisible(m_lamps, true);
}

void LampWindow::hideEvent(QHideEvent *event)
{
    if (onLampsVisible) onLampsVisible(m_lamps, false);
    QWidget::hideEvent(event);
}

void LampWindow::refreshLamps()
{
    m_connectLed->setLight(m_lamps.connected());
    for (int i = 0; i < LineLamps::LampCount; ++i) {
        m_lineLeds[i]->setLight(m_lamps.lit(LineLamps::Lamp(i)), m_lamps.known(LineLamps::Lamp(i)));
        m_lineLeds[i]->setToolTip(m_lamps.toolTip(LineLamps::Lamp(i)));
    }
}

void LampWindow::showLeds(QWidget *parent, int left, int top, bool floating)
{
    if (onShowLeds) onShowLeds(m_lamps);
    setParent(parent, floating ? Qt::Dialog : Qt::Widget);
    move(left, top);
    show();
}

void LampWindow::setGaugeMax(int maximum)
{
    // A range of 0..0 would turn the gauge into a busy indicator.
    m_gauge->setMaximum(qMax(1, maximum));
}

void LampWindow::setGaugePosition(int position)
{
    m_gauge->setValue(qBound(0, position, m_gauge->maximum()));
    m_gauge->update();
}

void LampWindow::setTimeText(const QString &text)
{
    m_timeLabel->setText(text);
}

void LampWindow::enableLeds(bool enabled)
{
    for (QLabel *caption : m_captions) caption->setEnabled(enabled);
    m_gauge->setEnabled(enabled);
}

void LampWindow::hideLeds()
{
    hide();
}

void LampWindow::halt()
{
    core::reports().debug(QStringLiteral("mst_leds> halt"));
}

int LampWindow::gaugeMax() const { return m_gauge->maximum(); }
int LampWindow::gaugePosition() const { return m_gauge->value(); }
QString LampWindow::timeText() const { return m_timeLabel->text(); }
unsigned LampWindow::connectColour() const { return m_connectLed->lampColour(); }

}  // namespace panels
