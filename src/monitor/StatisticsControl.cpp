#include "StatisticsControl.h"

namespace monitor {

namespace {
QStringList header()
{
    return {QStringLiteral("Etage"), QStringLiteral("Adr"), QStringLiteral("Idr"), QStringLiteral("Park"), QStringLiteral("Gesamt")};
}
QString number(qint64 value) { return QString::number(value).rightJustified(StatisticsControl::NumberWidth, QLatin1Char(' ')); }
}  // namespace

StatisticsControl::StatisticsControl(StatisticsReader &reader, MonitorHold &monitor, QObject *parent)
    : QObject(parent), m_reader(reader), m_monitor(monitor)
{
    m_cells.push_back(header());
    connect(&m_reader, &StatisticsReader::finished, this, [this] { finished(); });
}

void StatisticsControl::fetch()
{
    emit fetchStarted();
    // One pause for the whole reading, however often the user starts it.
    if (!m_holding) m_monitor.holdMonitor();
    m_holding = true;
    m_identifierText = QStringLiteral("Kennung ?");
    m_cells.assign(1, header());
    m_ended = false;
    emit changed();
    m_reader.searchIdentifier(0, [this](const QString &text) { message(text); });
}

void StatisticsControl::message(const QString &text)
{
    m_ended = text == QLatin1String("ende");
    m_statusText = text;
    const bool found = text.contains(QLatin1String("K=OK 1993"));
    if (found) m_identifierText = text;
    emit changed();
    if (found)
        m_reader.fetchStatistics([this](const StatisticsRow &r) { row(r); }, [this](const QString &t) { message(t); });
}

void StatisticsControl::row(const StatisticsRow &r)
{
    const QString first = m_ended ? QStringLiteral("Gesamt") : QString::number(r.floor);
    setCell(m_ended ? r.floor + 2 : r.floor + 1, {first, number(r.landingCalls), number(r.carCalls), number(r.parkingTrips), number(r.sum)});
    emit changed();
}

void StatisticsControl::setCell(int row, const QStringList &texts)
{
    if (row < 1) return;
    if (int(m_cells.size()) <= row) m_cells.resize(size_t(row) + 1);
    m_cells[size_t(row)] = texts;
}

void StatisticsControl::finished()
{
    if (!m_holding) return;
    m_holding = false;
    m_monitor.releaseMonitor();
    emit changed();
}

}  // namespace monitor
