#include "monitor/ControllerInfo.h"

#include "FakeChannel.h"
#include "core/Bytes.h"

#include <gtest/gtest.h>

using core::bytes;
using namespace monitor;

namespace {
// F8, then H and L as four nibbles each.
QByteArray counterAnswer(int high, int low)
{
    QByteArray a = bytes({0xF8});
    for (int v : {high, low})
        for (int shift = 0; shift < 16; shift += 4) a.append(char((v >> shift) & 0xF));
    return a;
}
}  // namespace

TEST(ControllerInfo, CounterAnswers)
{
    const struct { QByteArray answer; const char *trips; const char *hours; } cases[] = {
        {bytes({0xF8, 0x01, 0x00, 0x00, 0x00, 0x02, 0x03, 0x00, 0x00}), "10050", " 1: 0"},
        {counterAnswer(2, 3600), "23600", " 3: 0"},
        {counterAnswer(2, 300), "20300", " 2: 5"},
        {counterAnswer(2000, 0), "20000000", "2000: 0"},  // above 1092 hours in full
        {counterAnswer(1, 4096), "14096", " 2: 8"},
        {counterAnswer(65535, 65535), "655415535", "65553:12"},
        // Not a counter: wrong marker, short, empty, the zero-filled time-out answer.
        {bytes({0xF4, 0x01, 0x00, 0x00, 0x00, 0x02, 0x03, 0x00, 0x00}), "999999", "1666:39"},
        {bytes({0xF8, 0x01, 0x00, 0x00, 0x00, 0x02, 0x03, 0x00}), "999999", "1666:39"},
        {QByteArray(), "999999", "1666:39"},
        {QByteArray(9, '\0'), "999999", "1666:39"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(tripCounterText(c.answer), c.trips) << ::testing::PrintToString(c.answer);
        EXPECT_EQ(operatingHoursText(c.answer), c.hours) << ::testing::PrintToString(c.answer);
    }
}

TEST(ControllerInfo, ReadTripCounterAsksF140AndPassesTheDecimalText)
{
    FakeChannel queue;
    queue.controller = [](const QByteArray &) { return counterAnswer(1, 50); };
    QStringList texts;
    ASSERT_TRUE(readTripCounter(queue, [&](const QString &t) { texts << t; }));
    EXPECT_EQ(queue.sent, QList<QByteArray>{bytes({0xF1, 0x40})});
    EXPECT_EQ(queue.answerLengths, QList<int>{9});
    EXPECT_TRUE(texts.isEmpty());  // only when the answer comes
    queue.run();
    EXPECT_EQ(texts, QStringList{"10050"});

    queue.controller = [](const QByteArray &) { return QByteArray("garbage"); };
    ASSERT_TRUE(readTripCounter(queue, [&](const QString &t) { texts << t; }));
    queue.run();
    EXPECT_EQ(texts.last(), "999999");

    queue.refuseAfter = 0;
    EXPECT_FALSE(readTripCounter(queue, [&](const QString &t) { texts << t; }));
    EXPECT_EQ(texts.size(), 2);
}

TEST(ControllerInfo, GroupAddressValues)
{
    const int members[] = {-1, 0, 1, -1, -1, 0, 1, 2, -1, 0, 1, 2, 3, -1, -1, -1};
    for (int v = 0; v < 16; ++v) {
        EXPECT_EQ(groupMemberOfAddress(v), members[v]) << v;
        EXPECT_EQ(isValidGroupAddress(v), members[v] >= 0) << v;
    }
    EXPECT_EQ(groupMemberOfAddress(255), -1);
}

TEST(ControllerInfo, QueryGroupAddressRoutesToTheMember)
{
    FakeChannel queue;
    QByteArray reply;
    queue.controller = [&](const QByteArray &) { return reply; };
    QStringList texts;
    const auto ask = [&](int k, QByteArray answer) {
        reply = answer;
        EXPECT_TRUE(queryGroupAddress(queue, [&](const QString &t) { texts << t; }, k));
        queue.run();
        return texts.value(texts.size() - 1);
    };
    EXPECT_EQ(ask(2, bytes({0xF2, 0x06, 0x00})), " QRX[6]");
    EXPECT_EQ(queue.sent.last(), bytes({0xF0, 0x10, 0x70, 0x02, 0xF2, 0x55, 0x1B}));
    EXPECT_EQ(queue.answerLengths.last(), 3);
    EXPECT_EQ(ask(0, bytes({0xF2, 0x03, 0x00})), " GRUPPE/QRX <ERROR> [F20300]");
    EXPECT_EQ(ask(1, bytes({0xF2, 0x0D, 0xAB})), " GRUPPE/QRX <ERROR> [F20DAB]");
    EXPECT_EQ(ask(1, QByteArray()), " GRUPPE/QRX <ERROR> []");
    EXPECT_EQ(ask(3, bytes({0xF2})), " GRUPPE/QRX <ERROR> [F2]");
    EXPECT_EQ(ask(3, bytes({0x00, 0x0C})), " QRX[12]");  // the value alone decides
}
