#pragma once

#include "core/LinkLamp.h"

#include <QColor>
#include <QFrame>

namespace panels {

// A small square lamp; also usable as a link lamp registered with the port.
class Lamp : public QFrame, public core::LinkLamp {
public:
    explicit Lamp(int size, unsigned bgr, QWidget *parent = nullptr);
    void setLampColour(unsigned bgr) override;
    unsigned lampColour() const override { return m_bgr; }

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    unsigned m_bgr;
};

}  // namespace panels
