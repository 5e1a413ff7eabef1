#include "core/Colours.h"
#include "core/Timer.h"
#include "shaft/ShaftGeometry.h"
#include "shaft/ShaftModel.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

using namespace shaft;
using core::colour::Green;
using core::colour::Red;
using core::colour::Yellow;

// A model on virtual time with a shaft of floors 0..5 and the calls it makes.
struct ModelRig {
    core::VirtualTime time;
    ShaftModel model{time};
    std::vector<std::tuple<int, int, int>> calls;

    explicit ModelRig(int topFloor = 5, FloorConfig config = FloorConfig{})
    {
        QObject::connect(&model, &ShaftModel::callPressed, [this](int floor, int side, int mode) { calls.emplace_back(floor, side, mode); });
        model.build(topFloor, config);
    }
    int cabinTopAt(int floor) const { return geometry::stripTop(model.topFloor(), floor) - geometry::CabinAboveStrip; }
    void ticks(int n)
    {
        for (int i = 0; i < n; ++i) model.tick();
    }
};

TEST(ShaftModel, FloorButtonsFollowTheConfigurationByte)
{
    // Visible buttons as "AdAuAc BdBuBc" (d down, u up, c car call) and the
    // modes of the up and down buttons.
    struct Case {
        quint8 config;
        int floor, topFloor;
        const char *visible;
        int modeAUp, modeADown, modeBUp, modeBDown;
    };
    const Case cases[] = {
        {0x00, 2, 5, "------", 1, 0, 1, 0},
        {0x01, 2, 5, "-uc---", 1, 0, 1, 0},
        {0x02, 2, 5, "d-c---", 1, 0, 1, 0},
        {0x03, 2, 5, "duc---", 3, 3, 1, 0},  // both bits: one call for both directions
        {0x04, 2, 5, "duc---", 1, 0, 1, 0},
        {0x07, 2, 5, "duc---", 3, 3, 1, 0},
        {0x08, 2, 5, "---" "-uc", 1, 0, 1, 0},
        {0x10, 2, 5, "---" "d-c", 1, 0, 1, 0},
        {0x18, 2, 5, "---" "duc", 1, 0, 3, 3},
        {0x20, 2, 5, "---" "duc", 1, 0, 1, 0},
        {0x24, 0, 5, "-uc-uc", 1, 0, 1, 0},  // bottom floor: no down buttons
        {0x1B, 0, 5, "-uc-uc", 3, 3, 3, 3},
        {0x24, 5, 5, "d-cd-c", 1, 0, 1, 0},  // top floor: no up buttons
        {0x09, 5, 5, "--c--c", 1, 0, 1, 0},  // an up call on the top floor leaves the car call
        {0x24, 0, 0, "--c--c", 1, 0, 1, 0},  // a single floor is both
        {0xC0, 2, 5, "------", 1, 0, 1, 0},  // bits 6 and 7 mean nothing
    };
    const char letters[3] = {'d', 'u', 'c'};
    for (const Case &c : cases) {
        const FloorButtons buttons = floorButtons(c.config, c.floor, c.topFloor);
        std::string visible;
        for (int side = SideA; side <= SideB; ++side)
            for (int kind = CallDown; kind <= CallCar; ++kind)
                visible += buttons.at(side, kind).visible ? letters[kind] : '-';
        SCOPED_TRACE(testing::Message() << "config 0x" << std::hex << int(c.config) << std::dec << " floor " << c.floor);
        EXPECT_EQ(visible, c.visible);
        EXPECT_EQ(buttons.at(SideA, CallUp).mode, c.modeAUp);
        EXPECT_EQ(buttons.at(SideA, CallDown).mode, c.modeADown);
        EXPECT_EQ(buttons.at(SideB, CallUp).mode, c.modeBUp);
        EXPECT_EQ(buttons.at(SideB, CallDown).mode, c.modeBDown);
        EXPECT_EQ(buttons.at(SideA, CallCar).mode, CallCar);
        for (int side = SideA; side <= SideB; ++side)
            for (int kind = CallDown; kind <= CallCar; ++kind) EXPECT_TRUE(buttons.at(side, kind).enabled);
    }
}

TEST(ShaftModel, BuildSetsHeightTextAndRejectsImpossibleShafts)
{
    ModelRig rig;
    EXPECT_TRUE(rig.model.hasShaft());
    EXPECT_EQ(rig.model.floorCount(), 6);
    EXPECT_EQ(rig.model.message(), "hoehe: 300");
    EXPECT_EQ(rig.model.lastShown(), ShaftModel::NoTarget);
    EXPECT_FALSE(rig.model.cabinVisible());
    EXPECT_TRUE(rig.model.doorTimerRunning());

    rig.model.build(40, FloorConfig{});
    rig.model.build(-1, FloorConfig{});
    EXPECT_EQ(rig.model.topFloor(), 5);

    rig.model.build(39, FloorConfig{});
    EXPECT_EQ(rig.model.floorCount(), 40);
    EXPECT_EQ(rig.model.message(), "hoehe: 2000");

    rig.model.destroy();
    EXPECT_FALSE(rig.model.isBuilt());
    EXPECT_FALSE(rig.model.hasShaft());
    EXPECT_EQ(rig.model.floorCount(), 0);
    EXPECT_EQ(rig.time.activeTimers(), 0);
}

TEST(ShaftModel, MessageBeforeAnyShaft)
{
    core::VirtualTime time;
    ShaftModel model(time);
    EXPECT_EQ(model.message(), "warte auf Nachricht");
    EXPECT_EQ(model.standText(), "00");
    EXPECT_EQ(model.targetText(), "00");
    EXPECT_FALSE(model.hasShaft());
    EXPECT_EQ(time.activeTimers(), 0);
    model.setMessage("Normal");
    EXPECT_EQ(model.message(), "Normal");
}

TEST(ShaftModel, SingleFloorCountsAsNoShaft)
{
    FloorConfig config{};
    config[0] = 0x24;
    ModelRig rig(0, config);
    EXPECT_TRUE(rig.model.isBuilt());
    EXPECT_EQ(rig.model.floorCount(), 1);
    EXPECT_FALSE(rig.model.hasShaft());

    // Updates of the shaft are ignored.
    rig.model.setFloor(0);
    EXPECT_FALSE(rig.model.cabinVisible());
    rig.model.setCallLamp(0, SideA, 0, CallCar);
    EXPECT_TRUE(rig.model.buttons(0).at(SideA, CallCar).enabled);
    rig.model.setDoor(SideA, DoorOpening);
    rig.time.advance(1000);
    EXPECT_EQ(rig.model.door(SideA).state, DoorClosed);
    EXPECT_EQ(rig.model.door(SideA).width, geometry::DoorAFullWidth);
}

TEST(ShaftModel, DoorsOpenToTwoPixelsAndCloseToFullWidth)
{
    ModelRig rig;
    for (int side : {SideA, SideB}) {
        SCOPED_TRACE(side == SideA ? "door A" : "door B");
        const int full = side == SideA ? geometry::DoorAFullWidth : geometry::DoorBFullWidth;
        EXPECT_EQ(rig.model.door(side).width, full);
        rig.model.setDoor(side, DoorOpening);
        // Nothing moves before the door timer's next tick.
        EXPECT_EQ(rig.model.door(side).width, full);
        rig.time.advance(ShaftModel::DoorTickMs);
        EXPECT_EQ(rig.model.door(side).width, full - 1);
        EXPECT_EQ(rig.model.door(side).state, DoorOpening);
        rig.time.advance(ShaftModel::DoorTickMs * (full - 4));
        EXPECT_EQ(rig.model.door(side).width, 3);
        EXPECT_EQ(rig.model.door(side).state, DoorOpening);
        rig.time.advance(ShaftModel::DoorTickMs);
        EXPECT_EQ(rig.model.door(side).width, 2);
        EXPECT_EQ(rig.model.door(side).state, DoorOpen);
        rig.time.advance(ShaftModel::DoorTickMs * 50);
        EXPECT_EQ(rig.model.door(side).width, 2);
        EXPECT_EQ(rig.model.door(side).state, DoorOpen);

        rig.model.setDoor(side, DoorClosing);
        rig.time.advance(ShaftModel::DoorTickMs * (full - 3));
        EXPECT_EQ(rig.model.door(side).width, full - 1);
        EXPECT_EQ(rig.model.door(side).state, DoorClosing);
        rig.time.advance(ShaftModel::DoorTickMs);
        EXPECT_EQ(rig.model.door(side).width, full);
        EXPECT_EQ(rig.model.door(side).state, DoorClosed);
        rig.time.advance(ShaftModel::DoorTickMs * 50);
        EXPECT_EQ(rig.model.door(side).width, full);
    }

    // Open and closed jump straight to their widths; a closing door reverses mid-way.
    rig.model.setDoor(SideB, DoorOpen);
    rig.time.advance(ShaftModel::DoorTickMs);
    EXPECT_EQ(rig.model.door(SideB).width, 2);
    rig.model.setDoor(SideB, DoorClosing);
    rig.time.advance(ShaftModel::DoorTickMs * 3);
    rig.model.setDoor(SideB, DoorOpening);
    rig.time.advance(ShaftModel::DoorTickMs);
    EXPECT_EQ(rig.model.door(SideB).width, 4);
    rig.model.setDoor(SideB, DoorClosed);
    rig.time.advance(ShaftModel::DoorTickMs);
    EXPECT_EQ(rig.model.door(SideB).width, geometry::DoorBFullWidth);
    EXPECT_EQ(rig.model.door(SideA).width, geometry::DoorAFullWidth);

    // Doors and states out of range change nothing.
    for (auto [door, state] : {std::pair{2, 2}, {-1, 2}, {0, 4}, {0, -1}}) rig.model.setDoor(door, state);
    rig.time.advance(ShaftModel::DoorTickMs * 3);
    EXPECT_EQ(rig.model.door(SideA).state, DoorClosed);
    EXPECT_EQ(rig.model.door(SideA).width, geometry::DoorAFullWidth);
}

TEST(ShaftModel, CabinJumpsToItsFloorWithoutCabinTimer)
{
    ModelRig rig;
    rig.model.setFloor(2);
    EXPECT_TRUE(rig.model.cabinVisible());
    EXPECT_EQ(rig.model.cabinTop(), rig.cabinTopAt(2));
    EXPECT_EQ(rig.model.cabinTop(), 20 + 3 * 50 - 6);
    EXPECT_EQ(rig.model.standText(), "2");
    rig.model.setTravel(0x10);
    rig.model.setTarget(4);
    rig.ticks(100);
    EXPECT_EQ(rig.model.cabinTop(), rig.cabinTopAt(2));  // K = 0: no creeping

    // A floor above topFloor still shows its number but leaves the cabin where it is.
    rig.model.setFloor(9);
    EXPECT_EQ(rig.model.standText(), "9");
    EXPECT_EQ(rig.model.cabinTop(), rig.cabinTopAt(2));
    rig.model.setFloor(-1);
    rig.model.setFloor(256);
    EXPECT_EQ(rig.model.standText(), "9");
}

TEST(ShaftModel, SmoothTravelCreepsOnePixelEveryKTicks)
{
    ModelRig rig;
    rig.model.setCabinTimer(4);
    rig.model.setTravel(0x10);  // upward
    rig.model.setFloor(1);
    rig.model.setTarget(3);
    const int start = rig.cabinTopAt(1);
    EXPECT_EQ(rig.model.cabinTop(), start);
    rig.ticks(3);
    EXPECT_EQ(rig.model.cabinTop(), start);
    rig.ticks(1);
    EXPECT_EQ(rig.model.cabinTop(), start - 1);
    rig.ticks(4 * 10);
    EXPECT_EQ(rig.model.cabinTop(), start - 11);

    // The same floor again does not pull the cabin back while it travels.
    rig.model.setFloor(1);
    EXPECT_EQ(rig.model.cabinTop(), start - 11);
    // The next floor sets it straight.
    rig.model.setFloor(2);
    EXPECT_EQ(rig.model.cabinTop(), rig.cabinTopAt(2));
    EXPECT_EQ(rig.model.standText(), "2");
    EXPECT_EQ(rig.model.lastShown(), 2);

    // It stops at the target, however long it runs.
    rig.ticks(4 * 500);
    EXPECT_EQ(rig.model.cabinTop(), rig.cabinTopAt(3));

    // Downward to floor 0.
    rig.model.setTravel(0x20);
    rig.model.setTarget(0);
    rig.ticks(4 * 3);
    EXPECT_EQ(rig.model.cabinTop(), rig.cabinTopAt(3) + 3);
    rig.ticks(4 * 500);
    EXPECT_EQ(rig.model.cabinTop(), rig.cabinTopAt(0));

    // A travel step pointing away from the target never runs the cabin off the shaft.
    rig.model.setTravel(0x20);
    rig.model.setTarget(5);
    rig.ticks(4 * 20);
    EXPECT_EQ(rig.model.cabinTop(), rig.cabinTopAt(0));

    // Standing (step 0), even the same floor places the cabin.
    rig.model.setTravel(0x10);
    rig.ticks(4 * 5);
    EXPECT_EQ(rig.model.cabinTop(), rig.cabinTopAt(0) - 5);
    rig.model.setTravel(0);
    rig.model.setFloor(0);
    EXPECT_EQ(rig.model.cabinTop(), rig.cabinTopAt(0));

    // No target, or one above topFloor: no creeping.
    for (int target : {ShaftModel::NoTarget, 6}) {
        rig.model.setTravel(0x10);
        rig.model.setTarget(target);
        rig.ticks(4 * 20);
        EXPECT_EQ(rig.model.cabinTop(), rig.cabinTopAt(0)) << target;
    }
}

TEST(ShaftModel, CabinTimerAndTravelBitsOutOfRangeAreIgnored)
{
    ModelRig rig;
    rig.model.setCabinTimer(20);
    for (int k : {-1, 21, 1000}) rig.model.setCabinTimer(k);
    EXPECT_EQ(rig.model.cabinTimer(), 20);
    rig.model.setTravel(0x10);
    EXPECT_EQ(rig.model.travelStep(), 1);
    rig.model.setTravel(0x30);
    EXPECT_EQ(rig.model.travelStep(), 1);
    rig.model.setTravel(0x20 | 0x46);  // the doors' and full load's bits around it
    EXPECT_EQ(rig.model.travelStep(), -1);
    rig.model.setTravel(0);
    EXPECT_EQ(rig.model.travelStep(), 0);
}

TEST(ShaftModel, TargetTextAndRange)
{
    ModelRig rig;
    rig.model.setTarget(7);
    EXPECT_EQ(rig.model.targetText(), "7");
    rig.model.setTarget(255);
    EXPECT_EQ(rig.model.targetText(), "");
    EXPECT_EQ(rig.model.target(), ShaftModel::NoTarget);
    rig.model.setTarget(0);
    EXPECT_EQ(rig.model.targetText(), "0");
    rig.model.setTarget(256);
    rig.model.setTarget(-3);
    EXPECT_EQ(rig.model.targetText(), "0");
}

TEST(ShaftModel, SafetyLampsPerState)
{
    ModelRig rig;
    EXPECT_EQ(rig.model.safetyLamps(), (std::array<unsigned, 4>{Red, Red, Red, Red}));
    const std::array<unsigned, 4> table[9] = {
        {Green, Green, Green, Green}, {Red, Red, Red, Red},       {Green, Red, Red, Red},
        {Green, Red, Red, Red},       {Green, Red, Red, Red},     {Green, Red, Red, Red},
        {Green, Red, Red, Red},       {Green, Green, Red, Red},   {Green, Green, Green, Red},
    };
    for (int s = 0; s < 9; ++s) {
        rig.model.setSafetyState(s);
        EXPECT_EQ(rig.model.safetyLamps(), table[s]) << "state " << s;
        EXPECT_EQ(rig.model.blinking(), s == 2) << "state " << s;
    }
    // Beyond the table the lamps stay as they were.
    for (int s : {9, 10, 255, -1}) {
        rig.model.setSafetyState(s);
        EXPECT_EQ(rig.model.safetyLamps(), table[8]) << "state " << s;
    }
}

TEST(ShaftModel, OverloadBlinksOnlyInStateTwo)
{
    ModelRig rig;
    rig.model.setSafetyState(2);
    EXPECT_EQ(rig.model.overloadColour(), ShaftModel::Grey);
    // The monitor repeats the state every poll, faster than the blink: the rhythm holds.
    std::vector<std::pair<unsigned, bool>> seen;
    for (int ms = 0; ms < 1600; ms += 100) {
        if (ms % 300 == 0) rig.model.setSafetyState(2);
        rig.time.advance(100);
        if ((ms + 100) % 400 == 0) seen.emplace_back(rig.model.overloadColour(), rig.model.overloadLabelVisible());
    }
    const std::vector<std::pair<unsigned, bool>> expected = {{Yellow, false}, {Red, true}, {Yellow, false}, {Red, true}};
    EXPECT_EQ(seen, expected);

    // Any other state stops it grey with the caption shown, even while the caption is off.
    for (int s : {0, 9}) {
        rig.model.setSafetyState(2);
        for (int i = 0; i < 10 && rig.model.overloadLabelVisible(); ++i) rig.time.advance(100);
        ASSERT_FALSE(rig.model.overloadLabelVisible()) << s;
        rig.model.setSafetyState(s);
        EXPECT_FALSE(rig.model.blinking()) << s;
        EXPECT_EQ(rig.model.overloadColour(), ShaftModel::Grey) << s;
        EXPECT_TRUE(rig.model.overloadLabelVisible()) << s;
        rig.time.advance(2000);
        EXPECT_EQ(rig.model.overloadColour(), ShaftModel::Grey) << s;
    }
}

TEST(ShaftModel, CallLampsAndClicks)
{
    FloorConfig config{};
    config.fill(0x24);
    config[2] = 0x03 | 0x20;
    ModelRig rig(5, config);

    // A registered call disables its button, which then takes no click.
    rig.model.setCallLamp(3, SideB, 0, CallDown);
    EXPECT_FALSE(rig.model.buttons(3).at(SideB, CallDown).enabled);
    EXPECT_TRUE(rig.model.buttons(3).at(SideB, CallUp).enabled);
    EXPECT_FALSE(rig.model.press(3, SideB, CallDown));
    EXPECT_TRUE(rig.calls.empty());
    rig.model.setCallLamp(3, SideB, 1, CallDown);
    EXPECT_TRUE(rig.model.press(3, SideB, CallDown));

    // "Which" 3 covers the up and down buttons, not the car call.
    rig.model.setCallLamp(2, SideA, 0, CallUpAndDown);
    EXPECT_FALSE(rig.model.buttons(2).at(SideA, CallUp).enabled);
    EXPECT_FALSE(rig.model.buttons(2).at(SideA, CallDown).enabled);
    EXPECT_TRUE(rig.model.buttons(2).at(SideA, CallCar).enabled);
    rig.model.setCallLamp(2, SideA, 1, CallUpAndDown);

    EXPECT_TRUE(rig.model.press(2, SideA, CallUp));    // mode 3: both bits of side A
    EXPECT_TRUE(rig.model.press(2, SideB, CallCar));
    EXPECT_TRUE(rig.model.press(5, SideA, CallDown));
    EXPECT_FALSE(rig.model.press(5, SideA, CallUp));   // the top floor has none
    EXPECT_FALSE(rig.model.press(0, SideB, CallDown)); // the bottom floor has none
    EXPECT_FALSE(rig.model.press(6, SideA, CallCar));
    EXPECT_FALSE(rig.model.press(1, 2, CallCar));
    EXPECT_FALSE(rig.model.press(1, SideA, 3));
    const std::vector<std::tuple<int, int, int>> expected = {{3, 1, 0}, {2, 0, 3}, {2, 1, 2}, {5, 0, 0}};
    EXPECT_EQ(rig.calls, expected);

    // Lamps of floors above topFloor, unknown sides and buttons are ignored.
    const FloorButtons before = rig.model.buttons(5);
    for (auto [floor, side, which] : {std::tuple{6, 0, 0}, {39, 0, 2}, {255, 1, 1}, {-1, 0, 0}, {5, 2, 0}, {5, 0, 4}})
        rig.model.setCallLamp(floor, side, 0, which);
    for (int side = SideA; side <= SideB; ++side)
        for (int kind = CallDown; kind <= CallCar; ++kind)
            EXPECT_EQ(rig.model.buttons(5).at(side, kind).enabled, before.at(side, kind).enabled);
}

TEST(ShaftModel, HaltStopsTimersAndTakesTheShaftDown)
{
    ModelRig rig;
    rig.model.setSafetyState(2);
    EXPECT_EQ(rig.time.activeTimers(), 2);
    rig.model.halt();
    EXPECT_EQ(rig.time.activeTimers(), 0);
    EXPECT_FALSE(rig.model.isBuilt());
    rig.model.setFloor(3);
    rig.model.setCallLamp(1, 0, 0, 0);
    EXPECT_FALSE(rig.model.cabinVisible());

    // A new build after a halt works as the first one.
    rig.model.build(3, FloorConfig{});
    EXPECT_TRUE(rig.model.hasShaft());
    EXPECT_EQ(rig.model.lastShown(), ShaftModel::NoTarget);
}

}  // namespace
