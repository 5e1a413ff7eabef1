#pragma once

#include "MonitorHold.h"
#include "StatisticsReader.h"

#include <QObject>

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace monitor {

// The "Statistik" tab's logic: starts the identifier search, starts the
// fetch once the identifier is found, and lays the rows out for the grid
// (row 0 the header, floor f in row f + 1, the totals in row topFloor + 3). The
// monitor's polling pauses from the start until the reading has ended.
class StatisticsControl : public QObject {
    Q_OBJECT
public:
    static constexpr int Columns = 5;
    static constexpr int NumberWidth = 15;

    StatisticsControl(StatisticsReader &reader, MonitorHold &monitor, QObject *parent = nullptr);

    // "Statistik holen".
    void fetch();
    // The reader's message procedure: shown, and the fetch starts on "K=OK 1993".
    void message(const QString &text);
    // The reader's row procedure.
    void row(const StatisticsRow &row);

    // The grid's rows, header first; a row not yet filled is empty.
    const std::vector<QStringList> &cells() const { return m_cells; }
    QString identifierText() const { return m_identifierText; }
    QString statusText() const { return m_statusText; }
    bool holding() const { return m_holding; }

signals:
    // A new reading starts: the chart of the last one goes out of sight.
    void fetchStarted();
    // The grid or the labels changed.
    void changed();

private:
    void setCell(int row, const QStringList &texts);
    void finished();

    StatisticsReader &m_reader;
    MonitorHold &m_monitor;
    std::vector<QStringList> m_cells;
    QString m_identifierText;
    QString m_statusText;
    bool m_ended = false;
    bool m_holding = false;
};

}  // namespace monitor
