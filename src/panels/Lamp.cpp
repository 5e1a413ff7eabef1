#include "Lamp.h"

#include "core/BgrColour.h"

#include <QPalette>

namespace panels {

Lamp::Lamp(int size, unsigned bgr, QWidget *parent) : QFrame(parent), m_bgr(~bgr)
{
    setFixedSize(size, size);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setAutoFillBackground(true);
    setLampColour(bgr);
}

void Lamp::setLampColour(unsigned bgr)
{
    if (bgr == m_bgr) return;
    m_bgr = bgr;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, core::colourFromBgr(bgr));
    setPalette(pal);
}

void Lamp::mousePressEvent(QMouseEvent *event)
{
    QFrame::mousePressEvent(event);
    if (onClick) onClick();
}

}  // namespace panels
