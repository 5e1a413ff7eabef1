#pragma once

#include <QWidget>

#include <array>

class QFrame;

namespace shaft {

// The cabin: a teal box with door A on the left half and door B on the right
// half. The doors open towards the cabin's outer edges.
class CabinView : public QWidget {
public:
    explicit CabinView(qreal unit, QWidget *parent = nullptr);

    // Door widths in base units, as the model has them.
    void setDoorWidths(int widthA, int widthB);
    QFrame *doorPanel(int side) const { return m_doors[size_t(side != 0)]; }

private:
    int px(qreal units) const { return qRound(units * m_unit); }

    qreal m_unit;
    std::array<QFrame *, 2> m_doors{};
};

}  // namespace shaft
