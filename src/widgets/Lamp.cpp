#include "Lamp.h"

#include "core/BgrColour.h"

#include <QMouseEvent>
#include <QPalette>

namespace widgets {

Lamp::Lamp(QWidget *parent, unsigned bgr, int size) : QFrame(parent), m_colour(~bgr)
{
    setFixedSize(size, size);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setAutoFillBackground(true);
    setLampColour(bgr);
}

void Lamp::setLampColour(unsigned bgr)
{
    // Traffic lamps flash with every byte: only a new colour repaints.
    if (bgr == m_colour) return;
    m_colour = bgr;
    QPalette p = palette();
    p.setColor(QPalette::Window, core::colourFromBgr(bgr));
    setPalette(p);
}

void Lamp::mousePressEvent(QMouseEvent *event)
{
    // The press goes on to the parent as well: a click on the session panel's
    // lamps is a click on their group box.
    QFrame::mousePressEvent(event);
    emit clicked();
}

}  // namespace widgets
