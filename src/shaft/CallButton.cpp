#include "CallButton.h"

#include "shaft/ShaftGlyphs.h"

#include <QEvent>
#include <QPainter>

namespace shaft {

CallButton::CallButton(int side, int kind, QWidget *parent) : QAbstractButton(parent), m_side(side), m_kind(kind)
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
}

void CallButton::changeEvent(QEvent *event)
{
    QAbstractButton::changeEvent(event);
    // The hand only where a click places a call.
    if (event->type() == QEvent::EnabledChange) {
        if (isEnabled()) setCursor(Qt::PointingHandCursor);
        else unsetCursor();
    }
}

void CallButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const GlyphState state = !isEnabled() ? GlyphState::Registered
                             : isDown()   ? GlyphState::Pressed
                                          : GlyphState::Normal;
    paintCallGlyph(painter, QRectF(rect()), m_kind, state);
}

}  // namespace shaft
