#include "ShaftGlyphs.h"

#include "core/BgrColour.h"
#include "shaft/ShaftModel.h"

#include <QPainter>
#include <QPainterPath>

namespace shaft {

namespace {

QPainterPath triangle(const QRectF &box, bool up)
{
    QPainterPath path;
    const qreal tip = up ? box.top() : box.bottom();
    const qreal base = up ? box.bottom() : box.top();
    path.moveTo(box.center().x(), tip);
    path.lineTo(box.right(), base);
    path.lineTo(box.left(), base);
    path.closeSubpath();
    return path;
}

// A thin darker rim, so a grey glyph still reads on a grey background.
void fillShape(QPainter &painter, const QPainterPath &path, const QColor &fill, qreal rim)
{
    painter.setPen(QPen(fill.darker(170), rim, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(fill);
    painter.drawPath(path);
}

}  // namespace

QColor glyphColour(int kind, GlyphState state)
{
    switch (state) {
    case GlyphState::Normal: return QColor(0x80, 0x80, 0x80);
    case GlyphState::Held: return QColor(0x00, 0x00, 0xFF);
    case GlyphState::Registered:
        return kind == CallUp ? QColor(0xFF, 0x00, 0x00) : kind == CallDown ? QColor(0x00, 0xC0, 0x00) : QColor(0xFF, 0xFF, 0x00);
    case GlyphState::Pressed:
        return kind == CallUp ? QColor(0x80, 0x00, 0x00) : kind == CallDown ? QColor(0x00, 0x60, 0x00) : QColor(0x80, 0x80, 0x00);
    }
    return {};
}

void paintCallGlyph(QPainter &painter, const QRectF &box, int kind, GlyphState state)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const qreal rim = qMax<qreal>(1.0, box.width() / 10.0);
    const QRectF inner = box.adjusted(rim / 2, rim / 2, -rim / 2, -rim / 2);
    QPainterPath path;
    if (kind == CallCar) {
        const qreal inset = box.width() * 0.15;
        path.addRect(inner.adjusted(inset, inset, -inset, -inset));
    } else {
        path = triangle(inner.adjusted(0, box.height() * 0.1, 0, -box.height() * 0.1), kind == CallUp);
    }
    fillShape(painter, path, glyphColour(kind, state), rim);
    painter.restore();
}

void paintDirectionPicture(QPainter &painter, const QRectF &box, int picture)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const qreal rim = qMax<qreal>(1.0, box.width() / 32.0);
    const QRectF inner = box.adjusted(box.width() * 0.12, box.height() * 0.08, -box.width() * 0.12, -box.height() * 0.08);
    if (picture == 0) {
        const qreal gap = inner.height() * 0.08;
        const qreal half = (inner.height() - gap) / 2;
        const QColor grey(0xC0, 0xC0, 0xC0);
        fillShape(painter, triangle(QRectF(inner.left(), inner.top(), inner.width(), half), true), grey, rim);
        fillShape(painter, triangle(QRectF(inner.left(), inner.bottom() - half, inner.width(), half), false), grey, rim);
    } else if (picture == 1 || picture == 2) {
        fillShape(painter, triangle(inner, picture == 2), QColor(0xFF, 0xFF, 0x00), rim);
    }
    painter.restore();
}

}  // namespace shaft
