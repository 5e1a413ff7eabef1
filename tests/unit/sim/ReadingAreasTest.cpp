// The stand-in's statistics area and I/O ports: what the monitor's reading
// tabs find in the controller, and how it follows the lift.
#include "sim/CommandSet.h"

#include "protocol/Codes.h"

#include "core/Bytes.h"

#include <gtest/gtest.h>

using core::bytes;
using sim::Lift;

namespace {

struct ReadingAreasTest : ::testing::Test {
    ReadingAreasTest() : installation(time, {.lifts = 2, .floors = 10, .seed = 7}), commands(installation) {}

    QByteArray ask(const QByteArray &telegram, std::optional<int> lift = std::nullopt)
    {
        return commands.answer({lift, telegram}).value_or(QByteArray());
    }
    quint16 wordAt(int address, std::optional<int> lift = std::nullopt)
    {
        ask(bytes({0xF5, 0x04}) + protocol::nibbles(quint16(address)), lift);
        return protocol::fromNibbles(ask(bytes({0xF1, 0x0B}), lift), 1);
    }
    // The table's counters of floors 0..topFloor as the PC reads them: select once, then blocks.
    QByteArray table(Lift::StatisticsTable t, const Lift &lift)
    {
        const int address = Lift::StatisticsBase + lift.statisticsIndex() + Lift::StatisticsTables + Lift::StatisticsTableSize * int(t);
        ask(bytes({0xF5, 0x04}) + protocol::nibbles(quint16(address)));
        QByteArray out;
        while (out.size() < 4 * (lift.topFloor() + 1)) out += ask(bytes({0xF1, 0x54})).mid(1);
        return out;
    }
    static quint32 counter(const QByteArray &bytes, int floor)
    {
        const auto b = [&](int i) { return quint32(quint8(bytes.at(4 * floor + i))); };
        return b(0) + 256 * b(1) + 10000 * (b(2) + 256 * b(3));
    }
    quint8 port(int answerByte) { return core::byteAt(ask(bytes({0xF2, 0x55, 0x21})), answerByte); }
    void runUntil(const std::function<bool()> &done)
    {
        for (int i = 0; i < 1000 && !done(); ++i) time.advance(sim::Installation::TickMs);
        ASSERT_TRUE(done());
    }

    core::VirtualTime time;
    sim::Installation installation;
    sim::CommandSet commands;
    Lift &lift0 = *installation.lift(0);
};

TEST_F(ReadingAreasTest, IdentifierSitsAtAnIndexTheSearchHasToFind)
{
    for (int l = 0; l < 2; ++l) {
        const Lift &lift = *installation.lift(l);
        const int index = lift.statisticsIndex();
        ASSERT_GE(index, 1);
        ASSERT_LE(index, 20);
        EXPECT_EQ(wordAt(Lift::StatisticsBase + index, l), 1993);
        for (int k = 0; k < index; ++k) EXPECT_NE(wordAt(Lift::StatisticsBase + k, l), 1993) << k;
    }
    // Seeds differ in where they keep it.
    core::VirtualTime otherTime;
    sim::Installation other(otherTime, {.lifts = 1, .floors = 10, .seed = 8});
    sim::Installation third(otherTime, {.lifts = 1, .floors = 10, .seed = 9});
    EXPECT_TRUE(other.lift(0)->statisticsIndex() != lift0.statisticsIndex() || third.lift(0)->statisticsIndex() != lift0.statisticsIndex());
}

TEST_F(ReadingAreasTest, CountersReadBlockByBlockAndGrowWithServedCalls)
{
    const QByteArray car = table(Lift::CarCalls, lift0);
    for (int f = 0; f <= lift0.topFloor(); ++f) {
        EXPECT_EQ(counter(car, f), lift0.statistic(Lift::CarCalls, f)) << f;
        EXPECT_GT(counter(car, f), 0u) << f;
    }
    const quint32 car5 = lift0.statistic(Lift::CarCalls, 5), landing5 = lift0.statistic(Lift::LandingCalls, 5);
    const quint32 park5 = lift0.statistic(Lift::ParkingTrips, 5), landing2 = lift0.statistic(Lift::LandingCalls, 2);
    const quint32 otherLift = installation.lift(1)->statistic(Lift::LandingCalls, 2);

    ASSERT_EQ(ask(bytes({0xF5, 0x55, 0x1E, Lift::CallCar, 5, 0})), bytes({0xF1, 0x01}));
    ASSERT_EQ(ask(bytes({0xF5, 0x55, 0x1E, Lift::CallUp, 5, 0})), bytes({0xF1, 0x01}));
    runUntil([&] { return lift0.floor() == 5 && lift0.doorA() == Lift::Door::Open; });
    EXPECT_EQ(lift0.statistic(Lift::CarCalls, 5), car5 + 1);        // both buttons at one stop
    EXPECT_EQ(lift0.statistic(Lift::LandingCalls, 5), landing5 + 1);
    runUntil([&] { return lift0.doorA() == Lift::Door::Closed; });
    EXPECT_EQ(lift0.statistic(Lift::ParkingTrips, 5), park5 + 1);   // nothing left to do: parked
    EXPECT_EQ(counter(table(Lift::CarCalls, lift0), 5), car5 + 1);

    ASSERT_EQ(ask(bytes({0xF5, 0x55, 0x1E, Lift::CallDown, 2, 0})), bytes({0xF1, 0x01}));
    runUntil([&] { return lift0.floor() == 2 && lift0.doorA() == Lift::Door::Open; });
    EXPECT_EQ(lift0.statistic(Lift::LandingCalls, 2), landing2 + 1);
    EXPECT_EQ(installation.lift(1)->statistic(Lift::LandingCalls, 2), otherLift);  // each lift counts its own
}

TEST_F(ReadingAreasTest, PortsFollowDoorsDirectionAndSafetyCircuit)
{
    // At rest: doors closed, the whole safety circuit closed, no direction.
    EXPECT_EQ(port(1) & 0x07, 0x03);  // port 72: doors closed, door A closed, not open
    EXPECT_EQ(port(4), 0xFF);         // port 75
    EXPECT_EQ(port(7) & 0x03, 0);     // port 90: neither up nor down
    EXPECT_EQ(port(2), lift0.floor());

    ASSERT_EQ(ask(bytes({0xF5, 0x55, 0x1E, Lift::CallCar, 4, 0})), bytes({0xF1, 0x01}));
    EXPECT_EQ(port(9), 0x10);         // port A1: a call at floor 4
    runUntil([&] { return lift0.travelling(); });
    EXPECT_EQ(port(7) & 0x43, 0x41);  // up, main contactor
    EXPECT_EQ(port(8) & 0x03, 0x01);  // port 91: arrow up
    runUntil([&] { return lift0.doorA() == Lift::Door::Open; });
    EXPECT_EQ(port(1) & 0x07, 0x04);  // door A open, not closed
    EXPECT_EQ(port(4), 0x1F);         // landing doors, locks and car door open the circuit
    EXPECT_EQ(port(2), 4);
    EXPECT_EQ(port(9), 0x00);         // served
}

}  // namespace
