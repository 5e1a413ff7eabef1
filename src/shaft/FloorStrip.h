#pragma once

#include "shaft/ShaftModel.h"

#include <QWidget>

#include <array>
#include <functional>

namespace shaft {

class CallButton;

// One floor of the shaft: the floor line with the floor number at both ends
// and the call buttons of door side A (left) and B (right) above it.
class FloorStrip : public QWidget {
    Q_OBJECT
public:
    // unit: pixels per base unit (the screen's resolution over 96 dpi).
    FloorStrip(int floor, qreal unit, QWidget *parent = nullptr);

    int floor() const { return m_floor; }
    // Shows, hides, enables and disables the buttons as the model has them.
    void showButtons(const FloorButtons &buttons);
    CallButton *button(int side, int kind) const;
    // Where the floor line lies, in the strip's pixels.
    QRect floorLine() const;

signals:
    void callClicked(int side, int kind);  // an enabled button was clicked

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int px(qreal units) const { return qRound(units * m_unit); }

    int m_floor;
    qreal m_unit;
    std::array<std::array<CallButton *, 3>, 2> m_buttons{};
};

}  // namespace shaft
