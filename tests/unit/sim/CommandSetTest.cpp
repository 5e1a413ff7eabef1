#include "sim/CommandSet.h"

#include "protocol/Codes.h"

#include "core/Bytes.h"
#include "sysmod/ParameterSetCodec.h"

#include <gtest/gtest.h>

using core::bytes;

namespace {

struct CommandSetTest : ::testing::Test {
    explicit CommandSetTest(sim::InstallationSetup setup = {.lifts = 2, .floors = 20, .seed = 5})
        : installation(time, setup), commands(installation)
    {
    }

    QByteArray ask(const QByteArray &telegram, std::optional<int> lift = std::nullopt)
    {
        return commands.answer({lift, telegram}).value_or(QByteArray());
    }
    quint32 counter(const QByteArray &telegram, int scale)
    {
        const QByteArray a = ask(telegram);
        return quint32(protocol::fromNibbles(a, 1)) * quint32(scale) + protocol::fromNibbles(a, 5);
    }

    core::VirtualTime time;
    sim::Installation installation;
    sim::CommandSet commands;
    sim::Lift &lift0 = *installation.lift(0);
};

TEST_F(CommandSetTest, EveryRequestGetsTheAnswerLengthAndMarkerThePcExpects)
{
    struct Case {
        QByteArray telegram;
        int length;
        int marker;
    } cases[] = {
        {bytes({0xF1, 0x00}), 2, 0xF1},
        {bytes({0xF1, 0x01}), 16, 0xFF},
        {bytes({0xF1, 0x0B}), 9, 0xF8},
        {bytes({0xF1, 0x26}), 2, 0xF1},
        {bytes({0xF1, 0x31}), 5, 0xF4},
        {bytes({0xF1, 0x33}), 5, 0xF4},
        {bytes({0xF1, 0x35}), 5, 0xF4},
        {bytes({0xF1, 0x3A}), 2, 0xF1},
        {bytes({0xF1, 0x40}), 9, 0xF8},
        {bytes({0xF1, 0x42}), 9, 0xF8},
        {bytes({0xF1, 0x46}), 2, 0xF1},
        {bytes({0xF1, 0x47}), 2, 0xF1},
        {bytes({0xF1, 0x54}), 14, 0xFD},
        {bytes({0xF1, 0x60}), 7, 0xF6},
        {bytes({0xF2, 0x55, 0x01}), 2, 0xF1},
        {bytes({0xF2, 0x55, 0x09}), 2, 0xF1},
        {bytes({0xF2, 0x55, 0x12}), 16, 0xFF},
        {bytes({0xF2, 0x55, 0x14}), 16, 0xFF},
        {bytes({0xF2, 0x55, 0x1B}), 3, 0xF2},
        {bytes({0xF2, 0x55, 0x21}), 15, 0xFE},
        {bytes({0xF3, 0x55, 0x1A, 0x00}), 16, 0xFF},
        {bytes({0xF3, 0x55, 0x1A, 0x01}), 16, 0xFF},
        {bytes({0xF3, 0x55, 0x1A, 0x02}), 16, 0xFF},
        {bytes({0xF3, 0x55, 0x1C, 0x00}), 10, 0xF9},
        {bytes({0xF3, 0x55, 0x07, 0x00}), 8, 0xF7},
        {bytes({0xF3, 0x01, 0x02, 0x03}), 1, 0xF0},
        {bytes({0xF5, 0x04, 0x0C, 0x01, 0x0F, 0x03}), 5, 0xF4},
        {bytes({0xF5, 0x34, 0, 0, 0, 0}), 5, 0xF4},
        {bytes({0xF5, 0x36, 1, 0, 0, 0}), 5, 0xF4},
        {bytes({0xF5, 0x55, 0x1E, 0x02, 0x03, 0x00}), 2, 0xF1},
        {bytes({0xFF, 0x55, 0x11}) + QByteArray(13, 'x'), 2, 0xF1},
        {bytes({0xFF, 0x55, 0x13}) + QByteArray(13, 'y'), 2, 0xF1},
        {bytes({0xF0, 0x10, 0x5B, 0x00}), 2, 0xF1},
        {bytes({0xC1, 0x00}), 2, 0xF1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(core::hexText(c.telegram).toStdString());
        const QByteArray a = ask(c.telegram);
        ASSERT_EQ(a.size(), c.length);
        EXPECT_EQ(core::byteAt(a, 0), c.marker);
        EXPECT_EQ((core::byteAt(a, 0) & 0x0F) + 1, a.size());  // the line driver's length rule
    }
    // No answer: reset, test trips, unknown requests, a short telegram.
    for (const QByteArray &t : {bytes({0xF3, 0x3D, 0x00, 0x0F}), bytes({0xF1, 0x99}), bytes({0xF2, 0x55, 0x77}), QByteArray()})
        EXPECT_FALSE(commands.answer({std::nullopt, t})) << core::hexText(t).toStdString();
}

TEST_F(CommandSetTest, CountersReadWhatTheLiftCounted)
{
    const quint32 trips = counter(bytes({0xF1, 0x40}), 10000);
    EXPECT_EQ(trips, lift0.trips());
    const quint32 seconds = counter(bytes({0xF1, 0x42}), 3600);
    EXPECT_EQ(seconds, lift0.operatingSeconds());

    ask(bytes({0xF5, 0x55, 0x1E, 0x02, 0x04, 0x00}));
    time.advance(60000);
    EXPECT_EQ(counter(bytes({0xF1, 0x40}), 10000), trips + 1);
    EXPECT_EQ(counter(bytes({0xF1, 0x42}), 3600), seconds + 60);
}

TEST_F(CommandSetTest, ACallIsShownTravelledToAndCleared)
{
    EXPECT_EQ(ask(bytes({0xF5, 0x55, 0x1E, 0x02, 0x05, 0x00})), bytes({0xF1, 0x01}));
    EXPECT_EQ(core::byteAt(ask(bytes({0xF3, 0x55, 0x1C, 0x00})), 2 + 5), 0x04);  // floor 5: car call side A

    time.advance(1000);
    QByteArray state = ask(bytes({0xF1, 0x60}));
    EXPECT_EQ(core::byteAt(state, 1) & 0x18, 0x08);  // upward
    EXPECT_EQ(core::byteAt(state, 3), 5);            // target
    EXPECT_EQ(core::byteAt(state, 5) & 0x30, 0x10);  // drive up

    time.advance(5 * sim::Lift::FloorTravelMs + sim::Lift::DoorMoveMs);
    state = ask(bytes({0xF1, 0x60}));
    EXPECT_EQ(core::byteAt(state, 2), 5);
    EXPECT_EQ(core::byteAt(state, 5) & 0x33, 0x03);  // door A open, drive off
    EXPECT_EQ(core::byteAt(state, 4), 7);            // door contacts open
    EXPECT_EQ(core::byteAt(ask(bytes({0xF3, 0x55, 0x1C, 0x00})), 2 + 5), 0x00);

    EXPECT_EQ(ask(bytes({0xF5, 0x55, 0x1E, 0x01, 19, 0x00})), bytes({0xF1, 0x00}));  // no up button at the top
}

TEST_F(CommandSetTest, ClockSetAndReadBack)
{
    const QDateTime pcNow = time.now();
    EXPECT_EQ(protocol::fromNibbles(ask(bytes({0xF1, 0x35})), 1), protocol::dateCode(pcNow.date()));

    const quint16 code = protocol::timeCode(QTime(12, 34, 56));
    EXPECT_EQ(ask(bytes({0xF5, 0x34}) + protocol::nibbles(code)), QByteArray(1, char(0xF4)) + protocol::nibbles(code));
    const quint16 day = protocol::dateCode(QDate(2007, 3, 5));
    ask(bytes({0xF5, 0x36}) + protocol::nibbles(day));
    time.advance(4000);
    EXPECT_EQ(protocol::fromNibbles(ask(bytes({0xF1, 0x33})), 1), code + 2);
    EXPECT_EQ(protocol::fromNibbles(ask(bytes({0xF1, 0x35})), 1), day);
    // The other lift keeps its own clock.
    EXPECT_EQ(protocol::fromNibbles(ask(bytes({0xF1, 0x35}), 1), 1), protocol::dateCode(time.now().date()));
}

TEST_F(CommandSetTest, TextsWrittenAreReadBackAndSitInTheEeprom)
{
    ask(bytes({0xFF, 0x55, 0x11, 'A', 'B'}) + QByteArray(11, '\0'));
    EXPECT_EQ(ask(bytes({0xF2, 0x55, 0x12})), bytes({0xFF, 'A', 'B'}) + QByteArray(13, '\0'));

    ask(bytes({0xF5, 0x04}) + protocol::nibbles(sim::Lift::IdentityAddress));
    EXPECT_EQ(ask(bytes({0xF1, 0x54})), bytes({0xFD, 'A', 'B'}) + QByteArray(11, '\0'));
    // A block read moves the address on: the next block follows the first.
    EXPECT_EQ(ask(bytes({0xF1, 0x54})).mid(1), lift0.memory().mid(sim::Lift::IdentityAddress + 13, 13));
    ask(bytes({0xF5, 0x04}) + protocol::nibbles(sim::Lift::IdentityAddress));
    // Four bytes as eight nibbles, low nibble first: 'A' = 41 gives 01 04.
    EXPECT_EQ(ask(bytes({0xF1, 0x0B})), bytes({0xF8, 0x01, 0x04, 0x02, 0x04, 0, 0, 0, 0}));

    EXPECT_EQ(ask(bytes({0xF1, 0x01})).mid(1).trimmed(), lift0.versionText());
}

TEST_F(CommandSetTest, SwitchesShowInTheStateBlock)
{
    EXPECT_EQ(ask(bytes({0xF1, 0x3A})), bytes({0xF1, 0x00}));
    EXPECT_EQ(ask(bytes({0xF1, 0x3B})), bytes({0xF1, 0x01}));
    EXPECT_EQ(ask(bytes({0xF1, 0x3A})), bytes({0xF1, 0x01}));
    EXPECT_EQ(core::byteAt(ask(bytes({0xF1, 0x60})), 6), 1);  // "Fernabschaltung"
    EXPECT_EQ(ask(bytes({0xF5, 0x55, 0x1E, 0x02, 0x03, 0x00})), bytes({0xF1, 0x00}));
    EXPECT_EQ(ask(bytes({0xF1, 0x3C})), bytes({0xF1, 0x00}));

    EXPECT_EQ(ask(bytes({0xF1, 0x27})), bytes({0xF1, 0x01}));
    EXPECT_EQ(core::byteAt(ask(bytes({0xF1, 0x60})), 1) & 0x20, 0x20);  // address lock
    EXPECT_EQ(ask(bytes({0xF1, 0x28})), bytes({0xF1, 0x00}));
    EXPECT_EQ(ask(bytes({0xF1, 0x26})), bytes({0xF1, 0x00}));
}

TEST_F(CommandSetTest, FaultLogCountRecordsAndDelete)
{
    const auto &faults = lift0.faults();
    ASSERT_FALSE(faults.empty());
    EXPECT_EQ(protocol::fromNibbles(ask(bytes({0xF1, 0x31})), 1), faults.size());
    const sim::FaultRecord &newest = faults.front();
    EXPECT_EQ(ask(bytes({0xF3, 0x55, 0x07, 0x00})),
              bytes({0xF7, newest.category, newest.number, newest.value, newest.dateCode & 0xFF, newest.dateCode >> 8,
                     newest.timeCode & 0xFF, newest.timeCode >> 8}));
    EXPECT_LT(newest.dateCode, protocol::dateCode(time.now().date()));
    EXPECT_GT(newest.dateCode, faults.back().dateCode);

    EXPECT_EQ(ask(bytes({0xF1, 0x25})), bytes({0xF1, 0x01}));
    EXPECT_EQ(ask(bytes({0xF1, 0x31})), bytes({0xF4, 0, 0, 0, 0}));
    EXPECT_EQ(ask(bytes({0xF3, 0x55, 0x07, 0x00})), bytes({0xF1, 0x00}));
}

TEST_F(CommandSetTest, ShaftConfigurationCoversTheFloors)
{
    const QByteArray b0 = ask(bytes({0xF3, 0x55, 0x1A, 0x00}));
    const QByteArray b1 = ask(bytes({0xF3, 0x55, 0x1A, 0x01}));
    const QByteArray b2 = ask(bytes({0xF3, 0x55, 0x1A, 0x02}));
    EXPECT_EQ(core::byteAt(b0, 1), 19);
    for (int f = 0; f < 14; ++f) EXPECT_EQ(core::byteAt(b0, 2 + f), lift0.floorConfig(f)) << f;
    for (int f = 14; f < 29; ++f) EXPECT_EQ(core::byteAt(b1, 1 + f - 14), lift0.floorConfig(f)) << f;
    EXPECT_EQ(core::byteAt(b1, 1 + 19 - 14) & 0x07, 0x02);  // top floor: down only
    EXPECT_EQ(b2, QByteArray(1, char(0xFF)) + QByteArray(15, '\0'));
    EXPECT_FALSE(commands.answer({std::nullopt, bytes({0xF3, 0x55, 0x1A, 0x03})}));
}

TEST_F(CommandSetTest, TestTripsAndSearchTripMoveTheLiftWithoutAnAnswer)
{
    EXPECT_FALSE(commands.answer({std::nullopt, bytes({0xF3, 0x3D, 0x00, 0x0E})}));  // "SEQUENZ"
    std::vector<int> stops;
    for (int t = 0; t < 60000; t += 100) {
        time.advance(100);
        if (lift0.doorA() == sim::Lift::Door::Opening && (stops.empty() || stops.back() != lift0.floor())) stops.push_back(lift0.floor());
    }
    ASSERT_GE(stops.size(), 3u);
    EXPECT_EQ(stops[0], 1);
    EXPECT_EQ(stops[1], 2);
    EXPECT_EQ(stops[2], 3);

    ask(bytes({0xF3, 0x3D, 0x00, 0x0F}));  // "AUS"
    EXPECT_FALSE(commands.answer({std::nullopt, bytes({0xF1, 0x23})}));
    time.advance(120000);
    EXPECT_EQ(lift0.floor(), 0);
    EXPECT_FALSE(lift0.hasCalls());
}

TEST(CommandSetFaults, NewFaultsAppearWithTheControllersDateAndTime)
{
    core::VirtualTime time;
    sim::Installation installation(time, {.faultMinutes = 1, .storedFaults = 250});
    sim::CommandSet commands(installation);
    auto count = [&] { return protocol::fromNibbles(commands.answer({0, bytes({0xF1, 0x31})}).value_or(QByteArray()), 1); };
    EXPECT_EQ(count(), 250);
    time.advance(30 * 60 * 1000);
    EXPECT_GT(count(), 255);
    const QByteArray newest = commands.answer({0, bytes({0xF3, 0x55, 0x07, 0x00})}).value_or(QByteArray());
    EXPECT_EQ(core::byteAt(newest, 4) | core::byteAt(newest, 5) << 8, protocol::dateCode(time.now().date()));
    const int seconds = 2 * (core::byteAt(newest, 6) | core::byteAt(newest, 7) << 8);
    EXPECT_LE(seconds, time.now().time().msecsSinceStartOfDay() / 1000);
    EXPECT_GT(seconds, time.now().time().msecsSinceStartOfDay() / 1000 - 30 * 60);
}

TEST_F(CommandSetTest, ResetRestartsTheLiftAndGivesNoAnswer)
{
    int lineResets = 0;
    commands.onReset = [&] { ++lineResets; };

    // A group member reset through the prefix is silent for a while; the line is not.
    ask(bytes({0xF5, 0x55, 0x1E, 0x02, 0x05, 0x00}), 1);
    EXPECT_FALSE(commands.answer({1, bytes({0xF1, 0x10})}));
    EXPECT_FALSE(installation.lift(1)->hasCalls());
    EXPECT_EQ(lineResets, 0);
    EXPECT_FALSE(commands.answer({1, bytes({0xF1, 0x00})}));
    EXPECT_EQ(ask(bytes({0xF1, 0x00}), 0), bytes({0xF1, 0x01}));
    time.advance(sim::CommandSet::RestartMs);
    EXPECT_EQ(ask(bytes({0xF1, 0x00}), 1), bytes({0xF1, 0x01}));

    // The controller on the cable restarts the line.
    EXPECT_FALSE(commands.answer({std::nullopt, bytes({0xF1, 0x10})}));
    EXPECT_EQ(lineResets, 1);
}

}  // namespace

namespace {

// Reads a lift's image the way the program does: select, then packets until it is whole.
QByteArray readImage(sim::CommandSet &commands, std::optional<int> lift)
{
    auto ask = [&](const QByteArray &t) { return commands.answer({lift, t}).value_or(QByteArray()); };
    if (ask(bytes({0xF1, 0x05})).isEmpty()) return {};
    QByteArray image(sysmod::ImageSize, '\0');
    int pos = 0;
    for (int packets = 0; pos < sysmod::ImageSize && packets < 400; ++packets) {
        const QByteArray packet = ask(bytes({0xF1, 0x48}));
        if (core::byteAt(packet, 1) != 0x48) return {};
        sysmod::decodeRuns(packet, 2, core::byteAt(packet, 0) & 0x0F, image, pos);
    }
    return image;
}

}  // namespace

TEST_F(CommandSetTest, EachLiftServesItsOwnSystemModuleMatchingItsShaft)
{
    for (int index = 0; index < installation.liftCount(); ++index) {
        SCOPED_TRACE(index);
        const sim::Lift &lift = *installation.lift(index);
        const QByteArray image = readImage(commands, index);
        EXPECT_EQ(image, installation.systemModule(index)->image());
        EXPECT_TRUE(sysmod::checksumValid(image));
        EXPECT_EQ(sysmod::wordAt(image, 0), sysmod::FormatWord);
        EXPECT_EQ(core::byteAt(image, sysmod::TopFloorOffset), lift.topFloor());
        for (int f = 0; f <= lift.topFloor(); ++f)
            EXPECT_EQ(core::byteAt(image, sysmod::DoorFunctionOffset + f), lift.hasSideB(f) ? 3 : 1) << f;
    }
    EXPECT_NE(installation.systemModule(0)->image(), installation.systemModule(1)->image());
    // Without the group prefix the request goes to the controller on the cable.
    EXPECT_EQ(readImage(commands, std::nullopt), installation.systemModule(0)->image());
    EXPECT_EQ(ask(bytes({0xF1, 0x07}), 1), bytes({0xF4, 0x08, 0x00, 0x04, 0x00}));
}

TEST_F(CommandSetTest, SystemModuleTransferStopsWhileTheLiftRestarts)
{
    EXPECT_EQ(ask(bytes({0xF1, 0x0E}), 1), bytes({0xF1, 0x01}));  // suspend
    EXPECT_FALSE(commands.answer({1, bytes({0xF1, 0x10})}));
    EXPECT_FALSE(commands.answer({1, bytes({0xF1, 0x07})}));
    time.advance(sim::CommandSet::RestartMs);
    EXPECT_EQ(ask(bytes({0xF1, 0x00}), 1), bytes({0xF1, 0x01}));
    // The restart ended the suspension: a write must be prepared anew.
    EXPECT_EQ(ask(bytes({0xF1, 0x0F}), 1), bytes({0xF1, 0x00}));
    EXPECT_EQ(installation.systemModule(1)->resets(), 1);

    installation.systemModule(0)->setCorruptChecksum(true);
    EXPECT_FALSE(sysmod::checksumValid(readImage(commands, 0)));
}
