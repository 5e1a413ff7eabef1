#include "LampFrame.h"

#include <QColor>
#include <QMouseEvent>

namespace comlink {

LampFrame::LampFrame(QWidget *parent, unsigned bgr) : QFrame(parent)
{
    setFixedSize(17, 17);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setAutoFillBackground(true);
    setLampColour(bgr);
}

void LampFrame::setLampColour(unsigned bgr)
{
    m_colour = bgr;
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF)));
    setPalette(p);
}

void LampFrame::mousePressEvent(QMouseEvent *event)
{
    QFrame::mousePressEvent(event);
    if (onClick) onClick();
}

}  // namespace comlink
