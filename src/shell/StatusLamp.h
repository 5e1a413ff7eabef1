#pragma once

#include "core/LinkLamp.h"

#include <QFrame>

#include <functional>

namespace shell {

// The 17 x 17 status lamp: red when down, green when up. A click runs the
// lamp's click action (the serial port's link action for the link lamp).
class StatusLamp : public QFrame, public core::LinkLamp {
public:
    explicit StatusLamp(QWidget *parent = nullptr);

    void setLampColour(unsigned bgr) override;
    unsigned lampColour() const override { return m_colour; }

    // Called after every colour change: the lamp and whether it is green.
    std::function<void(StatusLamp &lamp, bool linked)> onChange;

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    unsigned m_colour = core::colour::Red;
};

}  // namespace shell
