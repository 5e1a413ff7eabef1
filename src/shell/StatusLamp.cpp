#include "StatusLamp.h"

#include "core/BgrColour.h"

#include <QMouseEvent>

namespace shell {

StatusLamp::StatusLamp(QWidget *parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setFixedSize(17, 17);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, core::colourFromBgr(m_colour));
    setPalette(p);
}

void StatusLamp::setLampColour(unsigned bgr)
{
    m_colour = bgr;
    QPalette p = palette();
    p.setColor(QPalette::Window, core::colourFromBgr(bgr));
    setPalette(p);
    if (onChange) onChange(*this, bgr == core::colour::Green);
}

void StatusLamp::mousePressEvent(QMouseEvent *event)
{
    if (onClick) onClick();
    event->accept();
}

}  // namespace shell
