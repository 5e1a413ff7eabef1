#include "core/Bytes.h"
#include "core/Timer.h"
#include "sysmod/SampleImage.h"
#include "sysmod/ParameterSetCodec.h"
#include "sysmod/ParameterSetTarget.h"

#include <gtest/gtest.h>

using core::bytes;

namespace {

QByteArray f1(int code) { return bytes({0xF1, code}); }

QByteArray sample(int topFloor, int installation = 4711)
{
    sysmod::SampleInstallation inst;
    inst.topFloor = topFloor;
    inst.installation = installation;
    return sysmod::makeSampleImage(inst);
}

// Writes image as the transfer does: suspend, prepare, 16-byte packets, end.
QByteArray writeSession(sysmod::ParameterSetTarget &target, const QByteArray &image)
{
    EXPECT_EQ(target.answer(f1(0x0E)), bytes({0xF1, 0x01}));
    EXPECT_EQ(target.answer(f1(0x0F)), bytes({0xF1, 0x01}));
    int pos = 0;
    while (pos < image.size()) {
        QByteArray packet = bytes({0xFF, 0x49}) + sysmod::encodeRuns(image, pos, 7);
        packet.append(16 - packet.size(), '\0');
        EXPECT_EQ(target.answer(packet), bytes({0xF1, 0x01}));
    }
    return target.answer(f1(0x4A));
}

}  // namespace

TEST(ParameterSetTarget, AnswersSizeAndServesItsImage)
{
    core::VirtualTime time;
    sysmod::ParameterSetTarget target(time);
    const QByteArray image = sample(9, 900);
    ASSERT_TRUE(target.setImage(image));
    EXPECT_FALSE(target.setImage(QByteArray(5, '\0')));

    EXPECT_EQ(target.answer(f1(0x46)), bytes({0xF1, 0x01}));
    EXPECT_EQ(target.answer(f1(0x05)).left(1), bytes({0xF4}));
    EXPECT_EQ(target.answer(f1(0x07)), bytes({0xF4, 0x08, 0x00, 0x04, 0x00}));

    QByteArray back(sysmod::ImageSize, '\0');
    int pos = 0;
    for (int packets = 0; pos < back.size() && packets < 1100; ++packets) {
        const QByteArray answer = target.answer(f1(0x48));
        ASSERT_EQ(answer.size(), 16);
        ASSERT_EQ(quint8(answer[1]), 0x48);
        sysmod::decodeRuns(answer, 2, answer[0] & 0x0F, back, pos);
    }
    EXPECT_EQ(back, image);
}

TEST(ParameterSetTarget, AcceptsOnlyAWholeImageWithItsChecksum)
{
    core::VirtualTime time;
    sysmod::ParameterSetTarget target(time);
    const QByteArray original = target.image();
    QByteArray good = sample(3);

    QByteArray badSum = good;
    badSum[1030] = char(badSum[1030] + 1);
    EXPECT_EQ(writeSession(target, badSum), bytes({0xF1, 0x00}));
    EXPECT_EQ(target.image(), original);

    EXPECT_EQ(writeSession(target, good.left(1000)), bytes({0xF1, 0x00}));
    EXPECT_EQ(target.image(), original);

    EXPECT_EQ(writeSession(target, good), bytes({0xF1, 0x01}));
    EXPECT_EQ(target.image(), good);
    EXPECT_EQ(target.acceptedWrites(), 1);
    EXPECT_EQ(target.refusedWrites(), 2);
}

TEST(ParameterSetTarget, RefusesWritesOutsideASession)
{
    core::VirtualTime time;
    sysmod::ParameterSetTarget target(time);
    QByteArray packet = bytes({0xFF, 0x49, 0x01, 0x05});
    packet.append(12, '\0');
    EXPECT_EQ(target.answer(packet), bytes({0xF1, 0x00}));  // no prepare write
    EXPECT_EQ(target.answer(f1(0x0F)), bytes({0xF1, 0x00}));  // not suspended
    EXPECT_EQ(target.answer(f1(0x4A)), bytes({0xF1, 0x00}));

    // A packet running past the end is refused.
    target.answer(f1(0x0E));
    target.answer(f1(0x0F));
    QByteArray flood = bytes({0xFF, 0x49});
    for (int i = 0; i < 7; ++i) flood += bytes({0x3F, 0x00});
    for (int i = 0; i < 2; ++i) EXPECT_EQ(target.answer(flood), bytes({0xF1, 0x01}));
    EXPECT_EQ(target.answer(flood), bytes({0xF1, 0x00}));  // 882 + 441 > 1032
}

TEST(ParameterSetTarget, SilentWhileRebooting)
{
    core::VirtualTime time;
    sysmod::ParameterSetTarget target(time);
    target.setRebootMs(4000);
    EXPECT_TRUE(target.answer(f1(0x10)).isEmpty());
    EXPECT_EQ(target.resets(), 1);
    EXPECT_TRUE(target.rebooting());
    EXPECT_TRUE(target.answer(f1(0x00)).isEmpty());
    time.advance(3999);
    EXPECT_TRUE(target.answer(f1(0x00)).isEmpty());
    time.advance(1);
    EXPECT_FALSE(target.rebooting());
    EXPECT_EQ(target.answer(f1(0x00)), bytes({0xF1, 0x01}));
}

TEST(ParameterSetTarget, IgnoresOtherTelegrams)
{
    core::VirtualTime time;
    sysmod::ParameterSetTarget target(time);
    for (const QByteArray &t : {f1(0x60), bytes({0xFF, 0x4A}), QByteArray(), bytes({0xF1})}) {
        EXPECT_FALSE(sysmod::ParameterSetTarget::handles(t)) << core::hexText(t).toStdString();
        EXPECT_TRUE(target.answer(t).isEmpty()) << core::hexText(t).toStdString();
    }
}
