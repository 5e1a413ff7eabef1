#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

namespace shaft {

// The look of a call button: normal, registered (shown disabled), pressed, held.
enum class GlyphState { Normal, Registered, Pressed, Held };

// The colour of a call glyph: up triangles grey/red/dark red/blue, down
// triangles grey/green/dark green/blue, car-call squares grey/yellow/olive/blue.
QColor glyphColour(int kind, GlyphState state);

// Paints the glyph of a call button (kind: CallDown, CallUp, CallCar) into box,
// as vector shapes, so it stays sharp at any device pixel ratio.
void paintCallGlyph(QPainter &painter, const QRectF &box, int kind, GlyphState state);

// The direction pictures: 0 grey up and down triangles (no travel), 1 a yellow
// triangle down, 2 a yellow triangle up.
void paintDirectionPicture(QPainter &painter, const QRectF &box, int picture);

}  // namespace shaft
