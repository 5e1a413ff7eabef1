#pragma once

#include "protocol/CommandLibrary.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

namespace monitor {

// One line of the statistics: a floor's counters, or the totals (floor topFloor + 1).
struct StatisticsRow {
    int floor = 0;
    qint64 landingCalls = 0;
    qint64 carCalls = 0;
    qint64 parkingTrips = 0;
    qint64 sum = 0;
};

// Finds the controller's statistics area by its identifier word and reads
// the three per-floor tables (landing calls, car calls, parking trips) block
// by block through the command library's memory requests.
class StatisticsReader : public QObject {
    Q_OBJECT
public:
    using TextProc = std::function<void(const QString &text)>;
    using RowProc = std::function<void(const StatisticsRow &row)>;

    static constexpr quint16 Identifier = 1993;
    static constexpr int LastIndex = 20;
    static constexpr int BlockBytes = 13;
    static constexpr int CounterBytes = 4;
    // Floors 0..39: the tables are 224 bytes apart, the buffer keeps 1000 a table.
    static constexpr int MaxTopFloor = 39;
    enum Table { LandingCalls, CarCalls, ParkingTrips, TableCount };

    explicit StatisticsReader(protocol::CommandLibrary &library, QObject *parent = nullptr);
    ~StatisticsReader() override;

    static quint16 identifierAddress(int index) { return quint16(index - 11441); }
    static quint16 tableAddress(int index, Table table) { return quint16(index - 11427 + 224 * int(table)); }
    // Two little-endian words, the second counting ten-thousands; missing bytes count 0.
    static qint64 counterValue(const QByteArray &bytes, int pos);
    // Blocks of 13 bytes that cover the counters of floors 0..topFloor.
    static int blocksPerTable(int topFloor);
    // " %02x" style line of a block: each byte as two lower-case digits and a blank.
    static QString blockLine(const QByteArray &block);

    // Starts the search at index; a search or fetch still running is dropped.
    void searchIdentifier(int index, TextProc onMessage);
    // Reads topFloor and the three tables at the index the search found last.
    void fetchStatistics(RowProc onRow, TextProc onMessage);

    int index() const { return m_index; }
    bool busy() const { return m_busy; }
    // Totals of the last complete fetch.
    const StatisticsRow &totals() const { return m_totals; }
    // Per-floor rows of the last complete fetch.
    const std::vector<StatisticsRow> &rows() const { return m_rows; }

signals:
    // The floors' rows before the "ende" message: the chart is built from them.
    void chartRead(const std::vector<monitor::StatisticsRow> &rows);
    // The search or fetch has ended: found (search), complete (fetch), or given up.
    void finished(bool ok);

private:
    template <typename... Args>
    std::function<void(Args...)> next(int run, std::type_identity_t<std::function<void(Args...)>> body);
    void searchStep(int index, int run);
    void readTable(Table table, int run);
    void readBlock(Table table, int count, int run);
    void buildRows();
    void say(const QString &text) const;
    void finish(bool ok);
    // Ends the run as given up: a step the queue refused or dropped reads nothing.
    std::function<void()> givenUp(int run);
    bool current(int run) const { return run == m_run; }

    protocol::CommandLibrary &m_library;
    TextProc m_onMessage;
    RowProc m_onRow;
    int m_index = 0;
    int m_ko = 0;
    int m_run = 0;
    bool m_busy = false;
    QByteArray m_tables[TableCount];
    std::vector<StatisticsRow> m_rows;
    StatisticsRow m_totals;
    // Answers that arrive after this object has gone are dropped.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

}  // namespace monitor
