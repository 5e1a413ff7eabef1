#include "StatisticsReader.h"

#include "core/Bytes.h"

namespace monitor {

namespace {
const char *const TableStart[] = {"Start hole Adr", "Start hole Idr", "Start hole Park"};
// Each table keeps room for 1000 bytes, as the controller's tables do.
constexpr int TableRoom = 1000;
}  // namespace

StatisticsReader::StatisticsReader(protocol::CommandLibrary &library, QObject *parent) : QObject(parent), m_library(library) {}

StatisticsReader::~StatisticsReader() { *m_alive = false; }

qint64 StatisticsReader::counterValue(const QByteArray &bytes, int pos)
{
    const auto b = [&](int i) { return qint64(core::byteAt(bytes, pos + i)); };
    return (b(0) + 256 * b(1)) + 10000 * (b(2) + 256 * b(3));
}

int StatisticsReader::blocksPerTable(int topFloor)
{
    const int bytes = (qMax(0, topFloor) + 1) * CounterBytes;
    return (bytes + BlockBytes - 1) / BlockBytes;
}

QString StatisticsReader::blockLine(const QByteArray &block)
{
    QString line;
    for (char b : block) line += QStringLiteral("%1 ").arg(quint8(b), 2, 16, QLatin1Char('0'));
    return line;
}

// The continuation of a step: dropped when this object has gone or a newer
// run has begun. A step the queue refuses or drops ends the run (givenUp).
template <typename... Args>
std::function<void(Args...)> StatisticsReader::next(int run, std::type_identity_t<std::function<void(Args...)>> body)
{
    std::weak_ptr<bool> alive = m_alive;
    return [this, alive, run, body = std::move(body)](Args... args) {
        if (!alive.expired() && current(run)) body(args...);
    };
}

std::function<void()> StatisticsReader::givenUp(int run)
{
    std::weak_ptr<bool> alive = m_alive;
    return [this, alive, run] {
        if (!alive.expired() && current(run)) {
            ++m_run;
            finish(false);
        }
    };
}

void StatisticsReader::say(const QString &text) const
{
    if (m_onMessage) m_onMessage(text);
}

void StatisticsReader::finish(bool ok)
{
    m_busy = false;
    emit finished(ok);
}

void StatisticsReader::searchIdentifier(int index, TextProc onMessage)
{
    m_onMessage = std::move(onMessage);
    m_busy = true;
    searchStep(qBound(0, index, LastIndex), ++m_run);
}

void StatisticsReader::searchStep(int index, int run)
{
    say(QStringLiteral("Statistik Kennung suchen"));
    m_index = index;
    m_library.selectAndReadInfo(identifierAddress(index), next<>(run, [this, index, run] {
        const quint16 word = m_library.infoWord();
        const bool found = word == Identifier;
        m_busy = !found;
        say((found ? QStringLiteral("K=OK ") : QStringLiteral("K=")) + QString::number(word));
        say(QString::number(word));
        say(QString::fromLatin1(m_library.infoBytes().toHex().toUpper()));
        if (found) {
            say(QStringLiteral("Statistik Kennung gefunden"));
            return;
        }
        if (index >= LastIndex) {
            finish(false);
            return;
        }
        searchStep(index + 1, run);
        say(QString::number(index));
    }), givenUp(run));
}

void StatisticsReader::fetchStatistics(RowProc onRow, TextProc onMessage)
{
    m_onRow = std::move(onRow);
    m_onMessage = std::move(onMessage);
    m_busy = true;
    const int run = ++m_run;
    m_library.selectAndReadInfo(identifierAddress(m_index), next<>(run, [this, run] {
        say(QStringLiteral("K=") + QString::number(m_library.infoWord()));
        m_library.getTopFloor(next<const QString &>(run, [this, run](const QString &text) {
            const int topFloor = text.isEmpty() ? 255 : text.at(0).unicode();
            // More floors than the tables hold is no top floor either.
            if (topFloor > MaxTopFloor) {
                say(QStringLiteral(" Lesefehler : KO-Etage"));
                finish(false);
                return;
            }
            m_ko = topFloor;
            for (QByteArray &table : m_tables) table = QByteArray(TableRoom, '\0');
            readTable(LandingCalls, run);
        }));
    }), givenUp(run));
}

void StatisticsReader::readTable(Table table, int run)
{
    m_library.selectAddress(tableAddress(m_index, table), next<>(run, [this, table, run] { readBlock(table, 0, run); }), givenUp(run));
    say(QString::fromLatin1(TableStart[table]));
}

void StatisticsReader::readBlock(Table table, int count, int run)
{
    m_library.readBlock(next<>(run, [this, table, count, run] {
        QByteArray block;
        for (int i = 1; i <= BlockBytes; ++i) block += char(m_library.blockByte(i));
        m_tables[table].replace(count, BlockBytes, block);
        say(blockLine(block));
        const int next = count + BlockBytes;
        if (next < (m_ko + 1) * CounterBytes) readBlock(table, next, run);
        else if (table + 1 < TableCount) readTable(Table(table + 1), run);
        else buildRows();
    }), givenUp(run));
}

void StatisticsReader::buildRows()
{
    m_rows.clear();
    StatisticsRow totals;
    totals.floor = m_ko + 1;
    for (int floor = 0; floor <= m_ko; ++floor) {
        StatisticsRow row;
        row.floor = floor;
        row.landingCalls = counterValue(m_tables[LandingCalls], floor * CounterBytes);
        row.carCalls = counterValue(m_tables[CarCalls], floor * CounterBytes);
        row.parkingTrips = counterValue(m_tables[ParkingTrips], floor * CounterBytes);
        row.sum = row.landingCalls + row.carCalls + row.parkingTrips;
        m_rows.push_back(row);
        if (m_onRow) m_onRow(row);
        totals.landingCalls += row.landingCalls;
        totals.carCalls += row.carCalls;
        totals.parkingTrips += row.parkingTrips;
        totals.sum += row.sum;
    }
    emit chartRead(m_rows);
    say(QStringLiteral("ende"));
    m_totals = totals;
    if (m_onRow) m_onRow(totals);
    for (QByteArray &table : m_tables) table.clear();
    finish(true);
}

}  // namespace monitor
