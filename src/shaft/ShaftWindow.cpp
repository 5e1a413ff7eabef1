#include "ShaftWindow.h"

#include "core/BgrColour.h"
#include "core/Colours.h"
#include "core/Reports.h"
#include "shaft/CabinView.h"
#include "shaft/CallButton.h"
#include "shaft/FloorStrip.h"
#include "shaft/ShaftGeometry.h"
#include "shaft/ShaftGlyphs.h"

#include <QBoxLayout>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>

namespace shaft {

using namespace geometry;

namespace {
const QString SafetyCaption = QStringLiteral("NH    DT    TK     SP");
const QString HaltLine = QStringLiteral("unit51.schacht> halt");
constexpr int FloatingWidth = 243;  // the docked window's width in the main window

void paintLamp(QPainter &painter, const QRect &box, unsigned bgr, const QPalette &palette)
{
    painter.fillRect(box, core::colourFromBgr(bgr));
    // A sunken rim, as the lamps of the other windows have.
    painter.setPen(palette.color(QPalette::Dark));
    painter.drawLine(box.topLeft(), box.topRight());
    painter.drawLine(box.topLeft(), box.bottomLeft());
    painter.setPen(palette.color(QPalette::Light));
    painter.drawLine(box.bottomLeft(), box.bottomRight());
    painter.drawLine(box.topRight(), box.bottomRight());
}
}  // namespace

// The 32 x 32 direction picture of the header.
class DirectionPicture : public QWidget {
public:
    DirectionPicture(int size, QWidget *parent) : QWidget(parent) { setFixedSize(size, size); }
    int picture() const { return m_picture; }
    void setPicture(int picture)
    {
        if (picture == m_picture) return;
        m_picture = picture;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        paintDirectionPicture(painter, QRectF(rect()), m_picture);
    }

private:
    int m_picture = 0;
};

// The four lamps of the safety circuit, each under its word of the caption.
class SafetyLamps : public QWidget {
public:
    SafetyLamps(int lampSize, QWidget *parent) : QWidget(parent), m_lampSize(lampSize)
    {
        m_colours.fill(core::colour::Red);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override
    {
        const QFontMetrics metrics = fontMetrics();
        return QSize(metrics.horizontalAdvance(SafetyCaption) + 2, metrics.height() + 2 + m_lampSize);
    }
    QSize minimumSizeHint() const override { return sizeHint(); }
    unsigned colour(int lamp) const { return m_colours[size_t(lamp)]; }
    void setColours(const std::array<unsigned, 4> &colours)
    {
        if (colours == m_colours) return;
        m_colours = colours;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        const QFontMetrics metrics = fontMetrics();
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QPoint(0, metrics.ascent()), SafetyCaption);
        // Each lamp centred under its word, wherever the font puts it.
        const QStringList words = SafetyCaption.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        int from = 0;
        for (int i = 0; i < words.size() && i < 4; ++i) {
            const int at = int(SafetyCaption.indexOf(words[i], from));
            from = at + int(words[i].size());
            const int centre = metrics.horizontalAdvance(SafetyCaption.left(at)) + metrics.horizontalAdvance(words[i]) / 2;
            paintLamp(painter, QRect(centre - m_lampSize / 2, metrics.height() + 2, m_lampSize, m_lampSize),
                      m_colours[size_t(i)], palette());
        }
    }

private:
    int m_lampSize;
    std::array<unsigned, 4> m_colours{};
};

// One small lamp: the overload lamp.
class LampDot : public QWidget {
public:
    LampDot(int size, QWidget *parent) : QWidget(parent) { setFixedSize(size, size); }
    unsigned colour() const { return m_colour; }
    void setColour(unsigned bgr)
    {
        if (bgr == m_colour) return;
        m_colour = bgr;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        paintLamp(painter, rect().adjusted(0, 0, -1, -1), m_colour, palette());
    }

private:
    unsigned m_colour = ShaftModel::Grey;
};

ShaftWindow::ShaftWindow(core::TimerFactory &timers, QWidget *parent) : QWidget(parent), m_model(timers), m_home(parent)
{
    setWindowTitle(QStringLiteral("Schacht-1"));
    m_unit = qMax<qreal>(1.0, logicalDpiY() / 96.0);
    const int gap = px(3);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *header = new QFrame(this);
    header->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto *headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(gap, gap, gap, gap);
    headerRow->setSpacing(gap);
    m_directionPicture = new DirectionPicture(px(DirectionPictureSize), header);
    QFont valueFont = font();
    valueFont.setBold(true);
    valueFont.setPointSizeF(valueFont.pointSizeF() * 1.15);
    const auto field = [&](const QString &caption, QLabel *&value) {
        auto *label = new QLabel(caption, header);
        label->setFont(valueFont);
        value = new QLabel(QStringLiteral("00"), header);
        value->setFont(valueFont);
        value->setMinimumWidth(QFontMetrics(valueFont).horizontalAdvance(QStringLiteral("000")));
        headerRow->addWidget(label);
        headerRow->addWidget(value);
    };
    headerRow->addWidget(m_directionPicture);
    headerRow->addSpacing(gap);
    field(QStringLiteral("STAND="), m_standField);
    headerRow->addStretch(1);
    field(QStringLiteral("ZIEL="), m_targetField);
    headerRow->addStretch(1);
    column->addWidget(header);

    auto *status = new QFrame(this);
    status->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto *statusGrid = new QGridLayout(status);
    statusGrid->setContentsMargins(gap, gap, gap, gap);
    statusGrid->setHorizontalSpacing(px(8));
    statusGrid->setVerticalSpacing(gap);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    m_safetyLamps = new SafetyLamps(px(SafetyLampSize), status);
    m_safetyLamps->setFont(small);
    statusGrid->addWidget(m_safetyLamps, 0, 0, Qt::AlignLeft | Qt::AlignBottom);
    auto *overload = new QHBoxLayout;
    overload->setSpacing(gap);
    m_overloadLamp = new LampDot(px(SafetyLampSize + 2), status);
    m_overloadLabel = new QLabel(QStringLiteral("UEL"), status);
    m_overloadLabel->setFont(small);
    // The label blinks; it keeps its place while hidden, so nothing jumps.
    QSizePolicy keep = m_overloadLabel->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    m_overloadLabel->setSizePolicy(keep);
    overload->addWidget(m_overloadLamp);
    overload->addWidget(m_overloadLabel);
    statusGrid->addLayout(overload, 0, 1, Qt::AlignLeft | Qt::AlignBottom);
    statusGrid->setColumnStretch(2, 1);
    m_messageField = new QLabel(m_model.message(), status);
    m_messageField->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_messageField->setMinimumWidth(px(40));
    m_messageField->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    statusGrid->addWidget(m_messageField, 1, 0, 1, 3);
    column->addWidget(status);

    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    m_scroll->setWidgetResizable(false);
    // Room for at least one floor with its cabin, so a docked shaft stays usable.
    m_scroll->setMinimumHeight(px(FloorPitch + StripTop));
    column->addWidget(m_scroll, 1);

    connect(&m_model, &ShaftModel::changed, this, &ShaftWindow::modelChanged);
    connect(&m_model, &ShaftModel::callPressed, this, &ShaftWindow::callPressed);
    hide();
}

ShaftWindow::~ShaftWindow()
{
    disconnect(&m_model, nullptr, this, nullptr);  // the model outlives the widgets it redraws
    if (m_host) m_host->removeEventFilter(this);
}

void ShaftWindow::buildShaft(QWidget *host, int topFloor, const std::array<quint8, 40> &config)
{
    if (topFloor < 0 || topFloor >= MaxFloors) return;
    m_model.build(topFloor, config);
    dock(host);
}

void ShaftWindow::destroyShaft()
{
    m_model.destroy();
    undock();
}

void ShaftWindow::halt()
{
    if (onLog) onLog(HaltLine);
    else core::reports().debug(HaltLine);
    m_model.halt();
    undock();
}

void ShaftWindow::dock(QWidget *host)
{
    undock();
    m_host = host;
    m_floating = false;
    if (host) {
        setParent(host, Qt::Widget);
        setGeometry(host->contentsRect());
        host->installEventFilter(this);
    }
    // Too low a host cannot show the window: it floats beside it instead, as
    // tall as the screen allows.
    if (!host || minimumSizeHint().height() > host->contentsRect().height()) {
        if (host) host->removeEventFilter(this);
        m_floating = true;
        setParent(host ? host->window() : nullptr, Qt::Tool);
        const QScreen *screen = host ? host->screen() : QWidget::screen();
        const QRect free = screen ? screen->availableGeometry() : QRect(0, 0, 800, 600);
        const int width = qMax(sizeHint().width(), px(FloatingWidth));
        setGeometry(free.left() + 10, free.top(), width, free.height() - 10);
    }
    showShaft();
}

void ShaftWindow::showShaft()
{
    if (!m_model.isBuilt()) return;
    show();
    if (m_floating) raise();
}

void ShaftWindow::undock()
{
    if (m_host) m_host->removeEventFilter(this);
    hide();
    // Out of the host, so the host may go away without taking the window along.
    if (parentWidget() != m_home) setParent(m_home, Qt::Widget);
    m_host = nullptr;
    m_floating = false;
}

bool ShaftWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_host && !m_floating && event->type() == QEvent::Resize) setGeometry(m_host->contentsRect());
    return QWidget::eventFilter(watched, event);
}

void ShaftWindow::modelChanged(ShaftModel::Change what)
{
    switch (what) {
    case ShaftModel::ShaftChanged:
        if (m_model.isBuilt()) createFloors();
        else removeFloors();
        break;
    case ShaftModel::HeaderChanged: showHeader(); break;
    case ShaftModel::SafetyChanged: showSafety(); break;
    case ShaftModel::OverloadChanged: showOverload(); break;
    case ShaftModel::MessageChanged: m_messageField->setText(m_model.message()); break;
    case ShaftModel::CabinChanged: showCabin(); break;
    case ShaftModel::DoorsChanged: showDoors(); break;
    case ShaftModel::ButtonsChanged: showButtons(); break;
    }
}

void ShaftWindow::createFloors()
{
    removeFloors();
    const int topFloor = m_model.topFloor();
    m_shaftArea = new QWidget;
    m_shaftArea->setFixedSize(px(AreaWidth), px(areaHeight(topFloor)));
    for (int floor = 0; floor <= topFloor; ++floor) {
        auto *strip = new FloorStrip(floor, m_unit, m_shaftArea);
        strip->move(px(StripLeft), px(stripTop(topFloor, floor)));
        connect(strip, &FloorStrip::callClicked, this, [this, floor](int side, int kind) { m_model.press(floor, side, kind); });
        m_floors.push_back(strip);
    }
    m_rope = new QFrame(m_shaftArea);
    m_rope->setAutoFillBackground(true);
    QPalette ropeColour = m_rope->palette();
    ropeColour.setColor(QPalette::Window, palette().color(QPalette::ButtonText));
    m_rope->setPalette(ropeColour);
    m_rope->hide();
    m_cabin = new CabinView(m_unit, m_shaftArea);
    m_cabin->move(px(CabinLeft), 0);
    m_cabin->hide();
    m_scroll->setWidget(m_shaftArea);
    showButtons();
    showDoors();
}

void ShaftWindow::removeFloors()
{
    m_floors.clear();
    m_cabin = nullptr;
    m_rope = nullptr;
    delete m_scroll->takeWidget();
    m_shaftArea = nullptr;
}

FloorStrip *ShaftWindow::floorStrip(int floor) const
{
    return floor >= 0 && floor < int(m_floors.size()) ? m_floors[size_t(floor)] : nullptr;
}

CallButton *ShaftWindow::callButton(int floor, int side, int kind) const
{
    const FloorStrip *strip = floorStrip(floor);
    return strip ? strip->button(side, kind) : nullptr;
}

void ShaftWindow::showHeader()
{
    m_standField->setText(m_model.standText());
    m_targetField->setText(m_model.targetText());
    m_directionPicture->setPicture(m_model.direction());
}

void ShaftWindow::showSafety() { m_safetyLamps->setColours(m_model.safetyLamps()); }

void ShaftWindow::showOverload()
{
    m_overloadLamp->setColour(m_model.overloadColour());
    m_overloadLabel->setVisible(m_model.overloadLabelVisible());
}

void ShaftWindow::showCabin()
{
    if (!m_cabin) return;
    const int top = px(m_model.cabinTop());
    m_cabin->move(m_cabin->x(), top);
    m_rope->setGeometry(m_cabin->x() + m_cabin->width() / 2, 0, qMax(1, px(1)), top);
    m_cabin->setVisible(m_model.cabinVisible());
    m_rope->setVisible(m_model.cabinVisible());
    m_cabin->raise();
    if (m_model.cabinVisible()) m_scroll->ensureWidgetVisible(m_cabin, 0, px(StripTop));
}

void ShaftWindow::showDoors()
{
    if (m_cabin) m_cabin->setDoorWidths(m_model.door(SideA).width, m_model.door(SideB).width);
}

void ShaftWindow::showButtons()
{
    for (FloorStrip *strip : m_floors) strip->showButtons(m_model.buttons(strip->floor()));
}

unsigned ShaftWindow::lampColour(int lamp) const
{
    if (lamp >= 0 && lamp < 4) return m_safetyLamps->colour(lamp);
    return lamp == 4 ? m_overloadLamp->colour() : 0;
}

int ShaftWindow::directionShown() const { return m_directionPicture->picture(); }

}  // namespace shaft
