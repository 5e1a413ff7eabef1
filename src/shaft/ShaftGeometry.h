#pragma once

namespace shaft {

// The shaft's proportions in base units: one unit is one pixel at 96 dpi; the
// window scales them with the screen's resolution.
namespace geometry {
constexpr int StripLeft = 15;        // left edge of every floor strip in the shaft area
constexpr int StripTop = 20;         // top of the top floor's strip
constexpr int StripWidth = 185;
constexpr int StripHeight = 45;
constexpr int FloorPitch = 50;       // one floor's height
constexpr int LineInset = 14;        // the floor line leaves this much on both ends
constexpr int LineFromBottom = 20;   // the floor line sits this far above the strip's bottom
constexpr int ButtonSize = 10;
constexpr int CarCallOffset = 30;    // extra distance of the car-call buttons from the centre
constexpr int CabinWidth = 39;
constexpr int CabinHeight = 31;
constexpr int CabinAboveStrip = 6;   // the cabin's top is this far above its floor's strip
constexpr int DoorAFullWidth = 18;   // half the cabin less one
constexpr int DoorBFullWidth = 19;
constexpr int DoorBLeft = 20;
constexpr int DoorOpenWidth = 2;
constexpr int ShaftCentre = StripLeft + LineInset + (StripWidth - 2 * LineInset) / 2;  // 107
constexpr int CabinLeft = ShaftCentre - CabinWidth / 2;
constexpr int AreaWidth = StripLeft + StripWidth + StripLeft;
constexpr int GlyphWidth = 12;
constexpr int GlyphHeight = 11;
constexpr int DirectionPictureSize = 32;
constexpr int SafetyLampSize = 8;

// Top of floor's strip in a shaft whose top floor is topFloor.
constexpr int stripTop(int topFloor, int floor) { return StripTop + (topFloor - floor) * FloorPitch; }
// Height of the shaft area holding floors 0..topFloor.
constexpr int areaHeight(int topFloor) { return stripTop(topFloor, 0) + StripHeight; }
}  // namespace geometry

}  // namespace shaft
