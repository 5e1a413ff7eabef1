#include "core/Bytes.h"
#include "sysmod/ParameterSetCodec.h"

#include <gtest/gtest.h>

using core::bytes;

TEST(PacketCoding, EncodeVectors)
{
    const struct {
        const char *name;
        QByteArray data;
        int start, maxPairs;
        QByteArray pairs;
        int endPosition;
    } cases[] = {
        {"runs of 63 zeros", bytes({5, 5, 5}) + QByteArray(1029, '\0'), 0, 7,
         bytes({0x03, 0x05, 0x3F, 0, 0x3F, 0, 0x3F, 0, 0x3F, 0, 0x3F, 0, 0x3F, 0}), 3 + 6 * 63},
        {"bit 7 travels as bit 6 of the run", bytes({0x85, 0x85}), 0, 7, bytes({0x42, 0x05}), 2},
        {"single bytes", bytes({1, 2, 0xFF}), 0, 7, bytes({1, 1, 1, 2, 0x41, 0x7F}), 3},
        {"run of 64 splits", QByteArray(64, '\x80'), 0, 7, bytes({0x7F, 0, 0x41, 0}), 64},
        {"stops at the pair limit", bytes({1, 2, 3}), 0, 2, bytes({1, 1, 1, 2}), 2},
        {"from the middle", bytes({9, 9, 4, 4}), 1, 7, bytes({1, 9, 2, 4}), 4},
        {"nothing left", bytes({1}), 1, 7, QByteArray(), 1},
    };
    for (const auto &c : cases) {
        int pos = c.start;
        EXPECT_EQ(sysmod::encodeRuns(c.data, pos, c.maxPairs), c.pairs) << c.name;
        EXPECT_EQ(pos, c.endPosition) << c.name;
    }
}

TEST(PacketCoding, DecodeStopsAtTheLengthAndTheImageEnd)
{
    // Length 14 (low nibble of 5E): pairs at 2..13; the pair at 14 is not part of it.
    const QByteArray answer = bytes({0x5E, 0x48, 0x42, 0x05, 0x03, 0x07, 0x00, 0x00, 0x01, 0x7F, 0x00, 0x00, 0x02,
                                     0x09, 0x3F, 0x11});
    QByteArray dest(10, '\xEE');
    int pos = 0;
    const sysmod::DecodeResult r = sysmod::decodeRuns(answer, 2, answer[0] & 0x0F, dest, pos);
    EXPECT_EQ(dest, bytes({0x85, 0x85, 7, 7, 7, 0x7F, 9, 9, 0xEE, 0xEE}));
    EXPECT_EQ(r.written, 8);
    EXPECT_FALSE(r.overflow);
    EXPECT_EQ(pos, 8);

    // A run beyond the end is cut, not written past it.
    QByteArray small(3, '\0');
    pos = 1;
    const sysmod::DecodeResult cut = sysmod::decodeRuns(bytes({0, 0, 0x05, 0x01}), 2, 16, small, pos);
    EXPECT_EQ(small, bytes({0, 1, 1}));
    EXPECT_EQ(cut.written, 2);
    EXPECT_TRUE(cut.overflow);

    // A short answer reads as padding.
    pos = 0;
    EXPECT_EQ(sysmod::decodeRuns(bytes({0x5F, 0x48}), 2, 15, dest, pos).written, 0);
}

TEST(PacketCoding, RoundTripOfAnyImage)
{
    QByteArray image(sysmod::ImageSize, '\0');
    quint32 x = 12345;
    for (int i = 0; i < image.size(); ++i) {
        x = x * 1103515245u + 12345u;
        image[i] = char((i / 100) % 2 ? (x >> 16) & 0xFF : (i / 70) & 0x81);  // noise and runs
    }
    QByteArray back(image.size(), '\0');
    int in = 0, out = 0;
    while (in < image.size()) {
        const QByteArray pairs = sysmod::encodeRuns(image, in, 7);
        ASSERT_LE(pairs.size(), 14);
        sysmod::decodeRuns(pairs, 0, pairs.size(), back, out);
    }
    EXPECT_EQ(back, image);
    EXPECT_EQ(out, image.size());
}

TEST(PacketCoding, ChecksumOfShortImageCountsMissingBytesAsZero)
{
    EXPECT_EQ(quint16(sysmod::checksumOf(QByteArray())), 0xFFFF);
    EXPECT_FALSE(sysmod::checksumValid(QByteArray(1030, '\0')));
}
