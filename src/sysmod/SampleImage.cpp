#include "SampleImage.h"

#include "sysmod/ParameterSetCodec.h"

#include <algorithm>

namespace sysmod {

namespace {

// Call configuration bits of word a: side A in bits 9-10, side B in bits 11-12.
constexpr quint16 SideAUpOnly = 0x200;
constexpr quint16 SideADownOnly = 0x400;
constexpr quint16 SideBUpOnly = 0x800;
constexpr quint16 SideBDownOnly = 0x1000;

quint8 doorsOf(const SampleInstallation &inst, int floor)
{
    if (floor < inst.doors.size()) return inst.doors[floor] & 3;
    return floor == 0 ? 3 : 1;
}

// Bottom floor: up call only; top floor: down call only; between: both.
quint16 callConfiguration(int floor, int topFloor, quint8 doors)
{
    quint16 word = quint16(floor & 0x3F);  // the floor's own number in the low bits
    if (doors & 1) word |= floor == 0 ? SideAUpOnly : floor == topFloor ? SideADownOnly : 0;
    if (doors & 2) word |= floor == 0 ? SideBUpOnly : floor == topFloor ? SideBDownOnly : 0;
    return word;
}

QByteArray floorLabel(int floor)
{
    if (floor == 0) return "EG";
    return QByteArray::number(floor).rightJustified(2, ' ');
}

}  // namespace

QByteArray makeSampleImage(const SampleInstallation &inst)
{
    QByteArray image(ImageSize, '\0');
    const int topFloor = std::clamp(inst.topFloor, 0, MaxFloors - 1);
    setWordAt(image, 0, FormatWord);
    setWordAt(image, 4, quint16(inst.installation));
    setWordAt(image, 6, 1000);  // rated speed, mm/s
    setWordAt(image, 8, 630);   // rated load, kg
    image[10] = char(8);        // persons
    image[11] = char(2);        // drive: frequency converter
    image[12] = char(40);       // door open time, 1/10 s
    image[13] = char(10);       // door close delay, 1/10 s
    image[14] = char(0);        // parking floor
    image[15] = char(0);        // fire service floor
    setWordAt(image, 16, 450);  // run time supervision, 1/10 s
    setWordAt(image, 18, 250);  // levelling speed, mm/s
    setWordAt(image, 20, 5);    // levelling accuracy, mm
    image[150] = char(inst.lift);
    image[152] = char(std::clamp(inst.groupSize, 1, 4));
    image[TopFloorOffset] = char(topFloor);
    image[155] = char(0);  // main access floor

    for (int floor = 0; floor <= topFloor; ++floor) {
        const quint8 doors = doorsOf(inst, floor);
        const int entry = CallModelOffset + 4 * floor;
        setWordAt(image, entry, callConfiguration(floor, topFloor, doors));
        setWordAt(image, entry + 2, quint16(floor == 0 ? 0 : 300 * floor));  // height above floor 0, cm
        image[DoorFunctionOffset + floor] = char(doors);
        image.replace(608 + 2 * floor, 2, floorLabel(floor));
    }
    setWordAt(image, ChecksumOffset, quint16(checksumOf(image)));
    return image;
}

}  // namespace sysmod
