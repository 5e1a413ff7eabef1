#include "sim/Lift.h"

#include <gtest/gtest.h>

using sim::Lift;

namespace {

// Advances in the installation's 100 ms steps until done() or the limit; returns the time taken.
template <typename Done>
int runUntil(Lift &lift, Done done, int limitMs = 120000)
{
    int t = 0;
    while (!done() && t < limitMs) {
        lift.advance(100);
        t += 100;
    }
    return t;
}

TEST(Lift, CabinTravelsToTheCallServesItAndCloses)
{
    Lift lift(8, 1);
    const quint32 trips = lift.trips();
    ASSERT_TRUE(lift.placeCall(Lift::CallCar, 5, 0));
    EXPECT_EQ(lift.callBits(5), 0x04);

    const int arrival = runUntil(lift, [&] { return lift.doorA() != Lift::Door::Closed; });
    EXPECT_EQ(arrival, 5 * Lift::FloorTravelMs);
    EXPECT_EQ(lift.floor(), 5);
    EXPECT_EQ(lift.callBits(5), 0);
    EXPECT_EQ(lift.trips(), trips + 1);

    // Opening, open, closing, closed, each for its time.
    EXPECT_EQ(lift.doorA(), Lift::Door::Opening);
    lift.advance(Lift::DoorMoveMs);
    EXPECT_EQ(lift.doorA(), Lift::Door::Open);
    lift.advance(Lift::DoorDwellMs);
    EXPECT_EQ(lift.doorA(), Lift::Door::Closing);
    lift.advance(Lift::DoorMoveMs);
    EXPECT_EQ(lift.doorA(), Lift::Door::Closed);
    lift.advance(100);
    EXPECT_EQ(lift.direction(), Lift::Direction::None);
    EXPECT_EQ(lift.target(), -1);
}

TEST(Lift, StopsOnTheWayAtCallsInItsDirection)
{
    Lift lift(10, 3);
    lift.placeCall(Lift::CallCar, 7, 0);
    lift.advance(100);
    lift.placeCall(Lift::CallUp, 3, 0);
    std::vector<int> stops;
    runUntil(lift, [&] {
        if (lift.doorA() == Lift::Door::Opening && (stops.empty() || stops.back() != lift.floor())) stops.push_back(lift.floor());
        return !lift.hasCalls() && lift.doorA() == Lift::Door::Closed;
    });
    EXPECT_EQ(stops, (std::vector<int>{3, 7}));
    EXPECT_EQ(lift.floor(), 7);
}

TEST(Lift, CallAtTheStandingFloorOpensTheDoorsWithoutATrip)
{
    Lift lift(6, 1);
    const quint32 trips = lift.trips();
    ASSERT_TRUE(lift.placeCall(Lift::CallUp, 0, 0));
    lift.advance(100);
    EXPECT_EQ(lift.doorA(), Lift::Door::Opening);
    EXPECT_EQ(lift.trips(), trips);
}

TEST(Lift, RefusesCallsForButtonsItDoesNotHave)
{
    Lift lift(6, 1);
    int sideBFloor = -1, noSideBFloor = -1;
    for (int f = 0; f <= lift.topFloor(); ++f) (lift.hasSideB(f) ? sideBFloor : noSideBFloor) = f;
    ASSERT_GE(noSideBFloor, 0);

    struct Case {
        const char *name;
        int mode, floor, side;
    } refused[] = {
        {"below the shaft", Lift::CallCar, -1, 0},
        {"above the top floor", Lift::CallCar, 6, 0},
        {"up at the top floor", Lift::CallUp, 5, 0},
        {"down at the bottom floor", Lift::CallDown, 0, 0},
        {"side B where there is no door B", Lift::CallCar, noSideBFloor, 1},
        {"unknown side", Lift::CallCar, 2, 2},
        {"unknown mode", 4, 2, 0},
    };
    for (const auto &c : refused) EXPECT_FALSE(lift.placeCall(c.mode, c.floor, c.side)) << c.name;
    EXPECT_FALSE(lift.hasCalls());

    // Both directions at once register only the buttons the floor has.
    EXPECT_TRUE(lift.placeCall(Lift::CallUpDown, 5, 0));
    EXPECT_EQ(lift.callBits(5), 0x02);
    if (sideBFloor > 0 && sideBFloor < lift.topFloor()) {
        EXPECT_TRUE(lift.placeCall(Lift::CallUpDown, sideBFloor, 1));
        EXPECT_EQ(lift.callBits(sideBFloor), 0x18);
    }

    lift.setSwitchedOff(true);
    EXPECT_FALSE(lift.hasCalls());
    EXPECT_FALSE(lift.placeCall(Lift::CallCar, 3, 0));
}

TEST(Lift, SameSeedSameInstallation)
{
    Lift a(12, 42), b(12, 42);
    EXPECT_EQ(a.trips(), b.trips());
    EXPECT_EQ(a.operatingSeconds(), b.operatingSeconds());
    EXPECT_EQ(a.memory(), b.memory());
    for (int f = 0; f < 12; ++f) EXPECT_EQ(a.floorConfig(f), b.floorConfig(f));
    EXPECT_EQ(a.floorConfig(0) & 0x07, 0x01);   // bottom: up only
    EXPECT_EQ(a.floorConfig(11) & 0x07, 0x02);  // top: down only
}

TEST(Lift, OperatingTimeCounts)
{
    Lift lift(4, 1);
    const quint32 before = lift.operatingSeconds();
    lift.advance(60000);
    EXPECT_EQ(lift.operatingSeconds(), before + 60);
}

}  // namespace
