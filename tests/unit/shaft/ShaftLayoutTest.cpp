#include "shaft/ShaftLayout.h"
#include "sysmod/ParameterSet.h"

#include <gtest/gtest.h>

namespace {

using shaft::floorConfigFromParameters;
using shaft::shaftFromParameterSet;

TEST(ShaftLayout, FloorByteFromDoorsAndCallWord)
{
    struct Case {
        quint8 doors;
        quint16 word;
        quint8 expected;
    };
    const Case cases[] = {
        {0x00, 0x1E00, 0},        // no door: no buttons, whatever the word says
        {0x01, 0x0000, 4},        // side A, pair 00: up, down and car call
        {0x01, 0x0200, 1},        // pair 01: up
        {0x01, 0x0400, 2},        // pair 10: down
        {0x01, 0x0600, 3},        // pair 11: up and down
        {0x02, 0x0000, 32},       // side B, pair 00
        {0x02, 0x0800, 8},
        {0x02, 0x1000, 16},
        {0x02, 0x1800, 24},
        {0x02, 0x0600, 32},       // side A's pair does not count without door A
        {0x01, 0x1800, 4},        // nor side B's without door B
        {0x03, 0x1E00, 3 | 24},   // both sides, both pairs 11
        {0x03, 0x0A00, 1 | 8},    // both sides up only (the bottom floor of the delivered set)
        {0x01, 0x01FF | 0xE000, 4},  // bits outside 9..12 are other parameters
        {0xFC, 0x0000, 0},        // only bits 0 and 1 of the door function count
    };
    for (const Case &c : cases)
        EXPECT_EQ(floorConfigFromParameters(c.doors, c.word), c.expected)
            << "doors " << int(c.doors) << " word 0x" << std::hex << c.word;
}

TEST(ShaftLayout, DeliveredDefaultParameterSet)
{
    sysmod::ParameterSet parameters;
    ASSERT_TRUE(parameters.loadFromFile(QString(HALTRON_SOURCE_DIR) + "/data/files/default.smb"));
    const shaft::ShaftLayout layout = shaftFromParameterSet(parameters);
    // Six floors: the bottom one with doors A and B and up calls only, the top
    // one with a down call only, the floors between with all buttons on side A.
    EXPECT_EQ(layout.topFloor, 5);
    const quint8 expected[6] = {1 | 8, 4, 4, 4, 4, 2};
    for (int floor = 0; floor < shaft::MaxFloors; ++floor)
        EXPECT_EQ(layout.config[size_t(floor)], floor < 6 ? expected[floor] : 0) << "floor " << floor;
}

// Image offsets of the three fields the shaft is built from.
constexpr int TopFloorAt = 154;
constexpr int CallWordAt = 176;
constexpr int DoorsAt = 568;

void setFloor(sysmod::ParameterSet &parameters, int floor, quint8 doors, quint16 word)
{
    parameters.setByte(DoorsAt + floor, doors);
    parameters.setByte(CallWordAt + 4 * floor, quint8(word));
    parameters.setByte(CallWordAt + 4 * floor + 1, quint8(word >> 8));
}

TEST(ShaftLayout, CraftedParameterSets)
{
    sysmod::ParameterSet parameters;
    parameters.setByte(TopFloorAt, 3);
    setFloor(parameters, 0, 3, 0x0000);
    setFloor(parameters, 1, 2, 0x1800);
    setFloor(parameters, 2, 0, 0x0600);
    setFloor(parameters, 3, 1, 0x0600);
    setFloor(parameters, 4, 3, 0x0000);  // above topFloor: not part of the shaft
    shaft::ShaftLayout layout = shaftFromParameterSet(parameters);
    EXPECT_EQ(layout.topFloor, 3);
    EXPECT_EQ(layout.config[0], 4 | 32);
    EXPECT_EQ(layout.config[1], 24);
    EXPECT_EQ(layout.config[2], 0);
    EXPECT_EQ(layout.config[3], 3);
    EXPECT_EQ(layout.config[4], 0);

    // The tallest shaft reaches floor 39; a larger topFloor in the image counts as 39.
    for (int topFloor : {39, 60, 255}) {
        parameters.setByte(TopFloorAt, quint8(topFloor));
        setFloor(parameters, 39, 2, 0x1000);
        layout = shaftFromParameterSet(parameters);
        EXPECT_EQ(layout.topFloor, 39) << topFloor;
        EXPECT_EQ(layout.config[39], 16) << topFloor;
        EXPECT_EQ(layout.config[4], 4 | 32) << topFloor;
    }

    // An empty parameter set: one floor without doors.
    layout = shaftFromParameterSet(sysmod::ParameterSet());
    EXPECT_EQ(layout.topFloor, 0);
    EXPECT_EQ(layout.config, shaft::FloorConfig{});
}

}  // namespace
