#include "FloorStrip.h"

#include "shaft/CallButton.h"
#include "shaft/ShaftGeometry.h"

#include <QPainter>

namespace shaft {

using namespace geometry;

namespace {
constexpr int LineTop = StripHeight - LineFromBottom;
constexpr int LineLength = StripWidth - 2 * LineInset;
constexpr int LineCentre = LineInset + LineLength / 2;
constexpr int RightNumberWidth = 17;
constexpr int NumberHeight = 13;

// Top-left corner of each button in base units, [side][CallDown, CallUp, CallCar].
constexpr int ButtonPlace[2][3][2] = {
    {{LineInset, LineTop - 15}, {LineInset, LineTop - 25}, {LineCentre - 20 - CarCallOffset, LineTop - 20}},
    {{LineInset + LineLength - ButtonSize, LineTop - 15},
     {LineInset + LineLength - ButtonSize, LineTop - 25},
     {LineCentre + 10 + CarCallOffset, LineTop - 20}},
};
}  // namespace

FloorStrip::FloorStrip(int floor, qreal unit, QWidget *parent) : QWidget(parent), m_floor(floor), m_unit(unit)
{
    setFixedSize(px(StripWidth), px(StripHeight));
    QFont numbers = font();
    numbers.setPixelSize(qMax(6, px(10)));
    setFont(numbers);
    for (int side = SideA; side <= SideB; ++side)
        for (int kind = CallDown; kind <= CallCar; ++kind) {
            auto *button = new CallButton(side, kind, this);
            button->setGeometry(px(ButtonPlace[side][kind][0]), px(ButtonPlace[side][kind][1]), px(ButtonSize),
                                px(ButtonSize));
            button->hide();
            QObject::connect(button, &QAbstractButton::clicked, this, [this, side, kind] {
                emit callClicked(side, kind);
            });
            m_buttons[size_t(side)][size_t(kind)] = button;
        }
}

void FloorStrip::showButtons(const FloorButtons &buttons)
{
    for (int side = SideA; side <= SideB; ++side)
        for (int kind = CallDown; kind <= CallCar; ++kind) {
            const CallButtonState &state = buttons.at(side, kind);
            CallButton *button = m_buttons[size_t(side)][size_t(kind)];
            button->setEnabled(state.enabled);
            button->setVisible(state.visible);
        }
}

CallButton *FloorStrip::button(int side, int kind) const
{
    if (side < SideA || side > SideB || kind < CallDown || kind > CallCar) return nullptr;
    return m_buttons[size_t(side)][size_t(kind)];
}

QRect FloorStrip::floorLine() const
{
    return QRect(px(LineInset), px(LineTop), px(LineInset + LineLength) - px(LineInset), qMax(1, px(1)));
}

void FloorStrip::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    // A raised line: light on top, dark below, each at least one device pixel.
    const QRect line = floorLine();
    painter.fillRect(line, palette().color(QPalette::Light));
    painter.fillRect(line.translated(0, line.height()), palette().color(QPalette::Dark));

    painter.setPen(palette().color(QPalette::WindowText));
    const QString number = QString::number(m_floor);
    const int numberTop = px(LineTop) - px(NumberHeight) / 2;
    painter.drawText(QRect(0, numberTop, px(LineInset) - px(2), px(NumberHeight)), Qt::AlignRight | Qt::AlignVCenter,
                     number);
    painter.drawText(QRect(line.right() + 1 + px(2), numberTop, px(RightNumberWidth), px(NumberHeight)),
                     Qt::AlignLeft | Qt::AlignVCenter, number);
}

}  // namespace shaft
