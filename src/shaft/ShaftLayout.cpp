#include "ShaftLayout.h"

#include "sysmod/ParameterSet.h"

namespace shaft {

namespace {
// Bits 00 of a side's pair mean "all buttons", so they map to a byte of their own.
constexpr quint8 SideAByPair[4] = {configbit::SideAAll, configbit::SideAUp, configbit::SideADown,
                                   configbit::SideAUp | configbit::SideADown};
constexpr quint8 SideBByPair[4] = {configbit::SideBAll, configbit::SideBUp, configbit::SideBDown,
                                   configbit::SideBUp | configbit::SideBDown};
}  // namespace

quint8 floorConfigFromParameters(quint8 doors, quint16 callWord)
{
    quint8 byte = 0;
    if (doors & 0x01) byte |= SideAByPair[(callWord >> 9) & 3];
    if (doors & 0x02) byte |= SideBByPair[(callWord >> 11) & 3];
    return byte;
}

ShaftLayout shaftFromParameterSet(const sysmod::ParameterSet &parameters)
{
    ShaftLayout layout;
    layout.topFloor = qBound(0, int(parameters.describeTopFloor()), MaxFloors - 1);
    for (int floor = 0; floor <= layout.topFloor; ++floor)
        layout.config[size_t(floor)] = floorConfigFromParameters(
            parameters.describeTurfkt(floor), quint16(parameters.describeAnfModel(floor) & 0xFFFF));
    return layout;
}

}  // namespace shaft
