#pragma once

#include "core/FileWrite.h"
#include "monitor/StatisticsReader.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <vector>

class QBarCategoryAxis;
class QBarSeries;
class QBarSet;
class QChart;
class QChartView;
class QLabel;
class QPushButton;
class QValueAxis;

namespace shell {
class Configuration;
}

namespace monitorview {

// The statistics window: calls and parking trips per floor as a bar chart,
// three bars a floor, with their values on them; the chart can be saved as PNG.
class StatisticsWindow : public QWidget {
public:
    enum Series { LandingCalls, CarCalls, ParkingTrips, SeriesCount };

    StatisticsWindow(const shell::Configuration &config, QWidget *parent = nullptr);

    // One bar a series for each row, in floor order; earlier bars go.
    void setRows(const std::vector<monitor::StatisticsRow> &rows);

    QChart *chart() const { return m_chart; }
    QBarSet *barSet(Series series) const { return m_sets[series]; }
    QLabel *titleLabel() const { return m_title; }
    QPushButton *saveButton() const { return m_saveButton; }
    // The title and the chart as one picture.
    QPixmap picture() const;
    // Writes picture() as PNG through a temporary file; an earlier file stays whole on failure.
    core::WriteOutcome savePng(const QString &fileName) const;
    static core::WriteOutcome writePng(const QImage &picture, const QString &fileName);
    // The text a click on bar index of series shows.
    static QString barText(Series series, int index);
    void barClicked(Series series, int index);

    // Shows a click's text; unset: a message box.
    std::function<void(const QString &text)> showMessage;
    // Asks for the picture's file; empty: cancelled. Unset: a save dialog in the data folder.
    std::function<QString()> chooseFile;

private:
    void save();

    const shell::Configuration &m_config;
    QWidget *m_frame = nullptr;
    QLabel *m_title = nullptr;
    QChart *m_chart = nullptr;
    QChartView *m_view = nullptr;
    QBarSeries *m_series = nullptr;
    QBarSet *m_sets[SeriesCount] = {};
    QBarCategoryAxis *m_floors = nullptr;
    QValueAxis *m_counts = nullptr;
    QPushButton *m_saveButton = nullptr;
};

}  // namespace monitorview
