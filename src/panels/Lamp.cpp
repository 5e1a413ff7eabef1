#include "Lamp.h"

#include <QPalette>

namespace panels {

QColor fromBgr(unsigned bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

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
    pal.setColor(QPalette::Window, fromBgr(bgr));
    setPalette(pal);
}

void Lamp::mousePressEvent(QMouseEvent *event)
{
    QFrame::mousePressEvent(event);
    if (onClick) onClick();
}

}  // namespace panels
