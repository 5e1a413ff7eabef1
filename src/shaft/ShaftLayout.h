#pragma once

#include <QtGlobal>

#include <array>

namespace sysmod {
class ParameterSet;
}

namespace shaft {

// At most 40 floors, 0..39.
constexpr int MaxFloors = 40;

// One configuration byte per floor, index = floor number:
// bit 0 side A up, bit 1 side A down, bit 2 side A up and down (each with the
// car-call button); bits 3..5 the same for side B.
using FloorConfig = std::array<quint8, MaxFloors>;

namespace configbit {
constexpr quint8 SideAUp = 0x01;
constexpr quint8 SideADown = 0x02;
constexpr quint8 SideAAll = 0x04;
constexpr quint8 SideBUp = 0x08;
constexpr quint8 SideBDown = 0x10;
constexpr quint8 SideBAll = 0x20;
}  // namespace configbit

// What a shaft is built from: the top floor number and the floors' bytes.
struct ShaftLayout {
    int topFloor = 0;
    FloorConfig config{};
};

// The configuration byte of one floor from its door function (turfkt: bit 0
// door A, bit 1 door B) and word a of its call configuration (Anf_model:
// bits 9-10 side A, bits 11-12 side B; 00 all buttons, 01 up, 10 down, 11 both).
quint8 floorConfigFromParameters(quint8 doors, quint16 callWord);

// The shaft the parameter set describes; floors above topFloor stay 0.
ShaftLayout shaftFromParameterSet(const sysmod::ParameterSet &parameters);

}  // namespace shaft
