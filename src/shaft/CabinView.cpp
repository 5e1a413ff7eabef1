#include "CabinView.h"

#include "core/BgrColour.h"
#include "shaft/ShaftGeometry.h"
#include "shaft/ShaftGlyphs.h"

#include <QApplication>
#include <QFrame>

namespace shaft {

using namespace geometry;

CabinView::CabinView(qreal unit, QWidget *parent) : QWidget(parent), m_unit(unit)
{
    setFixedSize(px(CabinWidth), px(CabinHeight));
    setAutoFillBackground(true);
    QPalette teal = palette();
    teal.setColor(QPalette::Window, core::colourFromBgr(0x808000));
    setPalette(teal);
    for (QFrame *&door : m_doors) {
        door = new QFrame(this);
        door->setFrameStyle(QFrame::Panel | QFrame::Raised);
        door->setLineWidth(1);
        door->setAutoFillBackground(true);
        QPalette face = door->palette();
        face.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
        door->setPalette(face);
    }
    setDoorWidths(DoorAFullWidth, DoorBFullWidth);
}

void CabinView::setDoorWidths(int widthA, int widthB)
{
    // Door A keeps its left edge, door B its right edge, so the cabin opens
    // from the middle; a one-unit teal rim stays around both.
    const int rim = px(1);
    const int a = px(qBound(0, widthA, DoorAFullWidth));
    const int b = px(qBound(0, widthB, DoorBFullWidth));
    m_doors[0]->setGeometry(rim, rim, a, height() - 2 * rim);
    m_doors[1]->setGeometry(width() - rim - b, rim, b, height() - 2 * rim);
}

}  // namespace shaft
