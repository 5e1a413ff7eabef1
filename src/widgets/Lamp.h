#pragma once

#include "core/Colours.h"

#include <QFrame>

namespace widgets {

// A small square lamp with a sunken panel border, 17 x 17 unless told. It
// shows a colour (0x00BBGGRR) and says when it was clicked; what a colour
// means is its window's business.
class Lamp : public QFrame {
    Q_OBJECT
public:
    static constexpr int DefaultSize = 17;

    explicit Lamp(QWidget *parent = nullptr, unsigned bgr = core::colour::Red, int size = DefaultSize);

    void setLampColour(unsigned bgr);
    unsigned lampColour() const { return m_colour; }

    // A lamp that shows a state: lit in green, dark in red (the link lamps).
    void setLit(bool lit) { setLampColour(lit ? core::colour::Green : core::colour::Red); }

    // A status light of a line: lime when lit, maroon when dark, and silver
    // while the line cannot tell, since either would claim a state nobody knows.
    static constexpr unsigned LightLit = core::colour::Lime;
    static constexpr unsigned LightDark = core::colour::Maroon;
    static constexpr unsigned LightUnknown = core::colour::Silver;
    static constexpr unsigned lightColour(bool lit, bool known = true) { return !known ? LightUnknown : lit ? LightLit : LightDark; }
    void setLight(bool lit, bool known = true) { setLampColour(lightColour(lit, known)); }

    // As a mouse click does.
    void click() { emit clicked(); }

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    unsigned m_colour;
};

}  // namespace widgets
