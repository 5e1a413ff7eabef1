#pragma once

#include <QByteArray>

namespace sysmod {

// Layout of the 1032-byte system module image (little-endian words).
constexpr int ImageSize = 1032;
constexpr int FormatWord = 522;
constexpr int TopFloorOffset = 154;
constexpr int CallModelOffset = 176;  // 4 bytes per floor: word a, word s
constexpr int DoorFunctionOffset = 568;
constexpr int ChecksumOffset = 1030;
constexpr int MaxFloors = 40;

// 0xFFFFFFFF plus the unsigned bytes 0..1029; callers compare the low 16 bits.
// Bytes missing from a short image count as 0.
quint32 checksumOf(const QByteArray &image);
quint16 wordAt(const QByteArray &image, int offset);
void setWordAt(QByteArray &image, int offset, quint16 value);
// The checksum word the image carries at offset 1030.
inline quint16 storedChecksum(const QByteArray &image) { return wordAt(image, ChecksumOffset); }
// Whether the image is whole and its checksum word matches its bytes.
bool checksumValid(const QByteArray &image);

// Run-length pairs as they travel on the line: a run byte (count 1..63, bit 6
// standing for bit 7 of the value) and the value's low seven bits.
// Codes runs of data from pos on until maxPairs pairs are written or the data
// ends; advances pos.
QByteArray encodeRuns(const QByteArray &data, int &pos, int maxPairs);

struct DecodeResult {
    int written = 0;       // bytes stored into dest
    bool overflow = false; // a run reached beyond the end of dest
};
// Applies the pairs found at src[from], src[from + 2], ... below limit to dest
// from pos on, advancing pos; never writes past dest's end.
DecodeResult decodeRuns(const QByteArray &src, int from, int limit, QByteArray &dest, int &pos);

}  // namespace sysmod
