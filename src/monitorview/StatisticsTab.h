#pragma once

#include "monitor/StatisticsControl.h"

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;
class QTableWidget;

namespace monitorview {

// The "Statistik" tab: fetch button, identifier and progress lines, the grid
// of calls and trips per floor with its totals, and the button for the chart.
class StatisticsTab : public QWidget {
    Q_OBJECT
public:
    explicit StatisticsTab(monitor::StatisticsControl &control, QWidget *parent = nullptr);
    ~StatisticsTab() override;

    QPushButton *fetchButton() const { return m_fetchButton; }
    QPushButton *chartButton() const { return m_chartButton; }
    QLabel *identifierLabel() const { return m_identifierLabel; }
    QLabel *statusLabel() const { return m_statusLabel; }
    QTableWidget *grid() const { return m_grid; }
    // The grid's text at (row, column) as laid out, the header being row 0.
    QString cellText(int row, int column) const;

signals:
    // "Bar": show the chart window.
    void chartRequested();

private:
    void showControl();

    monitor::StatisticsControl &m_control;
    QPushButton *m_fetchButton = nullptr;
    QPushButton *m_chartButton = nullptr;
    QLabel *m_identifierLabel = nullptr;
    QLabel *m_statusLabel = nullptr;
    QTableWidget *m_grid = nullptr;
};

}  // namespace monitorview
