#include "LampFrame.h"

#include "core/BgrColour.h"

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
    p.setColor(QPalette::Window, core::colourFromBgr(bgr));
    setPalette(p);
}

void LampFrame::mousePressEvent(QMouseEvent *event)
{
    QFrame::mousePressEvent(event);
    if (onClick) onClick();
}

}  // namespace comlink
