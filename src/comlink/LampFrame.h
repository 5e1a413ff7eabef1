#pragma once

#include "core/LinkLamp.h"

#include <QFrame>

namespace comlink {

// A small coloured status lamp (17 x 17) for the link windows; a click runs onClick.
class LampFrame : public QFrame, public core::LinkLamp {
public:
    explicit LampFrame(QWidget *parent = nullptr, unsigned bgr = core::colour::Red);
    void setLampColour(unsigned bgr) override;
    unsigned lampColour() const override { return m_colour; }

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    unsigned m_colour = 0;
};

}  // namespace comlink
