#include "MemoryController.h"
#include "MonitorFakes.h"

#include "monitor/StatisticsControl.h"
#include "monitor/StatisticsReader.h"

#include <gtest/gtest.h>

using core::bytes;
using monitor::StatisticsReader;

namespace {

// The reader over the command library and a controller whose statistics area
// sits at index 3, with known counters for floors 0..topFloor.
struct StatisticsTest : ::testing::Test {
    static constexpr int Index = 3;
    MemoryController controller;
    core::VirtualTime time;
    protocol::CommandLibrary library{controller, time};
    StatisticsReader reader{library};
    QStringList messages;
    QList<monitor::StatisticsRow> rows;
    QList<bool> finished;

    void SetUp() override
    {
        QObject::connect(&reader, &StatisticsReader::finished, [this](bool ok) { finished << ok; });
        controller.put16(StatisticsReader::identifierAddress(Index), StatisticsReader::Identifier);
    }
    void fillTables(int topFloor)
    {
        controller.topFloor = topFloor;
        for (int f = 0; f <= topFloor; ++f)
            for (int t = 0; t < StatisticsReader::TableCount; ++t)
                controller.putCounter(quint16(StatisticsReader::tableAddress(Index, StatisticsReader::Table(t)) + 4 * f),
                                      quint32(10000 * t + 100 * f + 7));
    }
    StatisticsReader::TextProc keep() { return [this](const QString &t) { messages << t; }; }
    StatisticsReader::RowProc keepRows() { return [this](const monitor::StatisticsRow &r) { rows << r; }; }
};

TEST(StatisticsCodes, AddressesCountersAndBlocks)
{
    EXPECT_EQ(StatisticsReader::identifierAddress(0), 0xD34F);
    EXPECT_EQ(StatisticsReader::identifierAddress(20), 54115);
    EXPECT_EQ(StatisticsReader::tableAddress(0, StatisticsReader::LandingCalls), quint16(-11427));
    EXPECT_EQ(StatisticsReader::tableAddress(0, StatisticsReader::CarCalls), quint16(-11203));
    EXPECT_EQ(StatisticsReader::tableAddress(0, StatisticsReader::ParkingTrips), quint16(-10979));

    struct Case { QByteArray bytes; qint64 value; };
    const Case counters[] = {
        {bytes({0x10, 0x27, 0x01, 0x00}), 20000},
        {bytes({0x01, 0x00, 0x00, 0x00}), 1},
        {bytes({0xFF, 0xFF, 0xFF, 0xFF}), 65535 + 10000LL * 65535},
        {bytes({0x34, 0x12}), 0x1234},  // short: the missing bytes count 0
        {QByteArray(), 0},
    };
    for (const Case &c : counters) EXPECT_EQ(StatisticsReader::counterValue(c.bytes, 0), c.value) << c.bytes.toHex().constData();

    const std::pair<int, int> blocks[] = {{13, 5}, {0, 1}, {2, 1}, {3, 2}, {39, 13}};
    for (auto [topFloor, count] : blocks) EXPECT_EQ(StatisticsReader::blocksPerTable(topFloor), count) << topFloor;
    EXPECT_EQ(StatisticsReader::blockLine(bytes({0x0A, 0xFF, 0x00})), QStringLiteral("0a ff 00 "));
}

TEST_F(StatisticsTest, SearchStepsToTheIdentifierWithItsMessages)
{
    reader.searchIdentifier(0, keep());
    controller.run();
    EXPECT_EQ(reader.index(), Index);
    EXPECT_TRUE(finished.isEmpty());  // found: the fetch is the caller's next step
    // Index 0 asks at 0xD34F; each miss names the index left behind.
    EXPECT_EQ(controller.sent.value(0), bytes({0xF5, 0x04}) + protocol::nibbles(0xD34F));
    const QStringList expected{
        "Statistik Kennung suchen", "K=0", "0", "000000C9", "Statistik Kennung suchen", "0",
        "K=0", "0", "0000C907", "Statistik Kennung suchen", "1",
        "K=51456", "51456", "00C90700", "Statistik Kennung suchen", "2",  // the identifier's low byte, one index early
        "K=OK 1993", "1993", "C9070000", "Statistik Kennung gefunden"};
    EXPECT_EQ(messages, expected);
}

TEST_F(StatisticsTest, SearchGivesUpAfterIndexTwenty)
{
    controller.memory.fill('\0');
    reader.searchIdentifier(0, keep());
    controller.run();
    EXPECT_EQ(controller.count(bytes({0xF1, 0x0B})), 21);
    EXPECT_EQ(messages.last(), QStringLiteral("00000000"));  // no index after the last
    EXPECT_EQ(finished, QList<bool>{false});
    EXPECT_FALSE(reader.busy());
}

TEST_F(StatisticsTest, FetchReadsThreeTablesBlockByBlockIntoRowsAndTotals)
{
    fillTables(13);
    reader.searchIdentifier(0, keep());
    controller.run();
    std::vector<monitor::StatisticsRow> chart;
    QObject::connect(&reader, &StatisticsReader::chartRead, [&](const std::vector<monitor::StatisticsRow> &r) {
        chart = r;
        EXPECT_EQ(rows.size(), 14);  // the chart comes after the floors, before the totals
    });
    messages.clear();
    controller.sent.clear();
    reader.fetchStatistics(keepRows(), keep());
    controller.run();

    // topFloor = 13: 56 bytes a table, five blocks of 13 each.
    EXPECT_EQ(controller.count(bytes({0xF1, 0x54})), 15);
    EXPECT_EQ(controller.count(bytes({0xF5, 0x04}) + protocol::nibbles(StatisticsReader::tableAddress(Index, StatisticsReader::CarCalls))), 1);
    EXPECT_EQ(messages.value(0), QStringLiteral("K=1993"));
    EXPECT_EQ(messages.value(1), QStringLiteral("Start hole Adr"));
    EXPECT_EQ(messages.value(2), QStringLiteral("07 00 00 00 6b 00 00 00 cf 00 00 00 33 "));
    EXPECT_EQ(messages.value(7), QStringLiteral("Start hole Idr"));
    EXPECT_EQ(messages.value(13), QStringLiteral("Start hole Park"));
    EXPECT_EQ(messages.last(), QStringLiteral("ende"));

    ASSERT_EQ(rows.size(), 15);
    for (int f = 0; f <= 13; ++f) {
        EXPECT_EQ(rows[f].floor, f);
        EXPECT_EQ(rows[f].landingCalls, 100 * f + 7);
        EXPECT_EQ(rows[f].carCalls, 10000 + 100 * f + 7);
        EXPECT_EQ(rows[f].parkingTrips, 20000 + 100 * f + 7);
        EXPECT_EQ(rows[f].sum, 30000 + 300 * f + 21);
    }
    const monitor::StatisticsRow &totals = rows.last();
    EXPECT_EQ(totals.floor, 14);
    EXPECT_EQ(totals.landingCalls, 9100 + 98);
    EXPECT_EQ(totals.sum, totals.landingCalls + totals.carCalls + totals.parkingTrips);
    EXPECT_EQ(reader.totals().sum, totals.sum);
    EXPECT_EQ(chart.size(), 14u);
    EXPECT_EQ(finished, QList<bool>{true});
}

TEST_F(StatisticsTest, UnreadableTopFloorStopsTheFetch)
{
    for (int topFloor : {255, 40}) {
        controller.topFloor = topFloor;
        messages.clear();
        controller.sent.clear();
        finished.clear();
        reader.fetchStatistics(keepRows(), keep());
        controller.run();
        EXPECT_EQ(messages.last(), QStringLiteral(" Lesefehler : KO-Etage")) << topFloor;
        EXPECT_EQ(controller.count(bytes({0xF1, 0x54})), 0) << topFloor;
        EXPECT_EQ(finished, QList<bool>{false});
    }
    EXPECT_TRUE(rows.isEmpty());
}

TEST_F(StatisticsTest, BadBlocksCountZeroAndTheFetchGoesOn)
{
    fillTables(3);
    reader.searchIdentifier(0, keep());
    controller.run();
    int blocks = 0;
    controller.override = [&](const QByteArray &t) {
        // The first block of every table comes back without its marker.
        if (t == bytes({0xF1, 0x54}) && blocks++ % 2 == 0) {
            controller.selected = quint16(controller.selected + 13);
            return QByteArray(14, '\x11');
        }
        return QByteArray();
    };
    reader.fetchStatistics(keepRows(), keep());
    controller.run();
    ASSERT_EQ(rows.size(), 5);
    EXPECT_EQ(rows[0].landingCalls, 0);
    // Floor 3's counter spans both blocks: its low byte (0x33 of 307) was lost.
    EXPECT_EQ(rows[3].landingCalls, 256);
    EXPECT_EQ(rows[3].carCalls, 10256);
    EXPECT_EQ(rows[3].parkingTrips, 20256);
    EXPECT_EQ(rows[4].floor, 4);                         // totals
    EXPECT_EQ(finished, QList<bool>{true});
}

TEST_F(StatisticsTest, DroppedRequestOrANewStartEndsTheRunOnce)
{
    fillTables(3);
    reader.searchIdentifier(0, keep());
    controller.run();
    reader.fetchStatistics(keepRows(), keep());
    controller.run(6);  // into the first table
    controller.dropAll();
    EXPECT_EQ(finished, QList<bool>{false});
    EXPECT_FALSE(reader.busy());

    // A search started while one runs replaces it: the old answers change nothing.
    finished.clear();
    messages.clear();
    reader.searchIdentifier(0, keep());
    controller.answerNext();
    reader.searchIdentifier(0, keep());
    controller.run();
    EXPECT_EQ(messages.count(QStringLiteral("K=OK 1993")), 1);
    EXPECT_TRUE(finished.isEmpty());

    // Refused requests: the chain ends at once, nothing counts as found.
    controller.refuseAfter = 0;
    messages.clear();
    reader.searchIdentifier(0, keep());
    EXPECT_FALSE(messages.contains(QStringLiteral("K=OK 1993")));
    EXPECT_EQ(finished, QList<bool>{false});
}

// The tab's grid: floor f in row f + 1, a free row, the totals as "Gesamt".
TEST_F(StatisticsTest, GridRowsAndOnePauseOfTheMonitor)
{
    fillTables(3);
    FakeMonitorHold hold;
    monitor::StatisticsControl tab(reader, hold);
    int hidden = 0;
    QObject::connect(&tab, &monitor::StatisticsControl::fetchStarted, [&] { ++hidden; });
    tab.fetch();
    EXPECT_EQ(tab.identifierText(), QStringLiteral("Kennung ?"));
    tab.fetch();  // again before any answer
    EXPECT_EQ(hold.taken, 1);
    controller.run();
    EXPECT_EQ(hold.released, 1);
    EXPECT_EQ(hidden, 2);
    EXPECT_EQ(tab.identifierText(), QStringLiteral("K=OK 1993"));
    EXPECT_EQ(tab.statusText(), QStringLiteral("ende"));

    const auto &cells = tab.cells();
    ASSERT_EQ(cells.size(), 7u);
    EXPECT_EQ(cells[0], (QStringList{"Etage", "Adr", "Idr", "Park", "Gesamt"}));
    for (int f = 0; f <= 3; ++f) EXPECT_EQ(cells[size_t(f) + 1].value(0), QString::number(f));
    EXPECT_EQ(cells[1].value(1), QStringLiteral("              7"));
    EXPECT_EQ(cells[4].value(4), QString::number(30000 + 900 + 21).rightJustified(15));
    EXPECT_TRUE(cells[5].isEmpty());
    EXPECT_EQ(cells[6].value(0), QStringLiteral("Gesamt"));
    EXPECT_EQ(cells[6].value(1).trimmed(), QString::number(7 + 107 + 207 + 307));

    // Not found: the pause ends as well.
    controller.memory.fill('\0');
    tab.fetch();
    controller.run();
    EXPECT_EQ(hold.taken, 2);
    EXPECT_EQ(hold.released, 2);
    EXPECT_EQ(tab.cells().size(), 1u);
}

}  // namespace
