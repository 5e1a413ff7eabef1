#include "FakeChannel.h"

#include "core/Bytes.h"
#include "monitor/SingleCommands.h"

#include <gtest/gtest.h>

using core::bytes;
using monitor::SingleCommands;

namespace {

struct Commands {
    FakeChannel queue;
    SingleCommands commands{queue};
};

TEST(SingleCommands, TelegramsOfTheTestTripAndSearchButtons)
{
    const std::pair<int, QByteArray> trips[] = {{SingleCommands::TripsOff, bytes({0xF3, 0x3D, 0x00, 0x0F})},
                                                {SingleCommands::TripsSequence, bytes({0xF3, 0x3D, 0x00, 0x0E})},
                                                {SingleCommands::TripsRandom, bytes({0xF3, 0x3D, 0x00, 0x09})},
                                                {SingleCommands::TripsEndToEnd, bytes({0xF3, 0x3D, 0x00, 0x0B})}};
    Commands c;
    for (const auto &[mode, telegram] : trips) {
        EXPECT_TRUE(c.commands.testTrips(mode));
        EXPECT_EQ(c.queue.sent.last(), telegram);
    }
    EXPECT_TRUE(c.commands.searchTrip());
    EXPECT_EQ(c.queue.sent.last(), bytes({0xF1, 0x23}));
    for (int length : c.queue.answerLengths) EXPECT_EQ(length, 2);
    c.queue.controller = [](const QByteArray &) { return bytes({0xF1, 0x01}); };
    EXPECT_EQ(c.queue.run(), 5);  // the answers are taken and ignored

    FakeChannel refusing;
    refusing.refuseAfter = 0;
    SingleCommands refused(refusing);
    EXPECT_FALSE(refused.testTrips(SingleCommands::TripsOff));
}

TEST(SingleCommands, LinkTestsShowTheAnswerInHex)
{
    Commands c;
    c.queue.controller = [](const QByteArray &t) {
        return t == bytes({0xF1, 0x00}) ? bytes({0xF1, 0x01, 0x77}) : bytes({0xF1, 0x0a});
    };
    QString zbl, group;
    c.commands.zblTest([&](const QString &hex) { zbl = hex; });
    c.commands.groupTest([&](const QString &hex) { group = hex; });
    c.queue.run();
    EXPECT_EQ(zbl, QStringLiteral("F101"));  // the first two bytes only
    EXPECT_EQ(group, QStringLiteral("F10A"));
    EXPECT_EQ(c.queue.sent.value(1), bytes({0xF0, 0x10, 0x5B, 0x00}));

    // A short or empty answer shows what came.
    c.queue.controller = [](const QByteArray &) { return bytes({0xF1}); };
    c.commands.zblTest([&](const QString &hex) { zbl = hex; });
    c.queue.run();
    EXPECT_EQ(zbl, QStringLiteral("F1"));
}

TEST(SingleCommands, BurstPutsTwentyOneHellosAndCountsEveryAnswer)
{
    Commands c;
    c.queue.controller = [](const QByteArray &) { return bytes({0xF1, 0x01}); };
    int answers = 0;
    EXPECT_EQ(c.commands.burst([&] { ++answers; }), 21);
    EXPECT_EQ(c.queue.pending(), 21);
    c.queue.run();
    EXPECT_EQ(answers, 21);
    for (const QByteArray &t : c.queue.sent) EXPECT_EQ(t, bytes({0xF1, 0x00}));

    // A queue that takes only some: the count says how many went.
    Commands full;
    full.queue.refuseAfter = 5;
    EXPECT_EQ(full.commands.burst({}), 5);
}

}  // namespace
