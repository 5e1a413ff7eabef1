#include "StatisticsControl.h"

namespace monitor {

namespace {
QStringList header()
{
    return {QStringLiteral("Etage"), QStringLiteral("Adr"), QStringLiteral("Idr"), QStringLiteral("Park"), QStringLiteral("Gesamt")};
}
QString number(qint64 value) { return QString::number(value).rightJustified(StatisticsControl::NumberWidth, QLatin1Char(' ')); }
}  // namespace

StatisticsControl::StatisticsControl(StatisticsReader &reader) : m_reader(reader)
{
    m_cells.push_back(header());
    m_reader.onFinished = [this](bool) { finished(); };
}

void StatisticsControl::fetch()
{
    if (hideChart) hideChart();
    // One pause for the whole reading, however often the user starts it.
    if (!m_holding && holdMonitor) holdMonitor();
    m_holding = true;
    m_identifierText = QStringLiteral("Kennung ?");
    m_cells.assign(1, header());
    m_ended = false;
    changed();
    m_reader.searchIdentifier(0, [this](const QString &text) { message(text); });
}

void StatisticsControl::message(const QString &text)
{
    m_ended = text == QLatin1String("ende");
    m_statusText = text;
    const bool found = text.contains(QLatin1String("K=OK 1993"));
    if (found) m_identifierText = text;
    changed();
    if (found)
        m_reader.fetchStatistics([this](const StatisticsRow &r) { row(r); }, [this](const QString &t) { message(t); });
}

void StatisticsControl::row(const StatisticsRow &r)
{
    const QString first = m_ended ? QStringLiteral("Gesamt") : QString::number(r.floor);
    setCell(m_ended ? r.floor + 2 : r.floor + 1, {first, number(r.landingCalls), number(r.carCalls), number(r.parkingTrips), number(r.sum)});
    changed();
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
    if (releaseMonitor) releaseMonitor();
    changed();
}

}  // namespace monitor
