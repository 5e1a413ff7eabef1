#pragma once

#include <QByteArray>
#include <QList>

namespace sysmod {

// What a plausible installation looks like; the parameters follow the layout
// named in the description file (data/sysmod.sys).
struct SampleInstallation {
    int topFloor = 5;                 // top floor: floors 0..topFloor
    QList<quint8> doors;        // door function per floor (bit 0 side A, bit 1 side B); empty: A everywhere, A+B at floor 0
    int installation = 4711;    // installation number
    int lift = 0;               // this lift's place in the group (0..3)
    int groupSize = 1;          // lifts in the group
};

// A complete image with format word 522 and a valid checksum.
QByteArray makeSampleImage(const SampleInstallation &installation);

}  // namespace sysmod
