#include "ReadingTabs.h"

#include "MonitorWindow.h"
#include "PortsTab.h"
#include "StatisticsTab.h"
#include "monitorview/StatisticsWindow.h"

#include <QVBoxLayout>

namespace monitorview {

namespace {
void place(QWidget *page, QWidget *content)
{
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
}
}  // namespace

ReadingTabs::ReadingTabs(MonitorWindow &window, protocol::CommandLibrary &library, core::Channel &channel, core::Clock &clock,
                         const shell::Configuration &config, monitor::MonitorHold &monitor, QWidget *chartParent)
    : m_statistics(library), m_statisticsControl(m_statistics, monitor), m_ports(channel, clock)
{
    m_portsTab = new PortsTab(m_ports, config, clock);
    place(window.tabPage(MonitorWindow::PortsTab), m_portsTab);

    m_statisticsTab = new StatisticsTab(m_statisticsControl);
    place(window.tabPage(MonitorWindow::StatisticsTab), m_statisticsTab);
    m_chart = new StatisticsWindow(config, chartParent);
    m_chart->hide();
    StatisticsWindow *chart = m_chart;
    QObject::connect(&m_statistics, &monitor::StatisticsReader::chartRead, chart, &StatisticsWindow::setRows);
    QObject::connect(m_statisticsTab, &StatisticsTab::chartRequested, chart, [chart] {
        chart->show();
        chart->raise();
    });
    QObject::connect(&m_statisticsControl, &monitor::StatisticsControl::fetchStarted, chart, &QWidget::hide);
}

PortsTab *ReadingTabs::portsTab() const { return m_portsTab; }
StatisticsTab *ReadingTabs::statisticsTab() const { return m_statisticsTab; }
StatisticsWindow *ReadingTabs::chartWindow() const { return m_chart; }

// The chart window may have gone with the main window already.
ReadingTabs::~ReadingTabs()
{
    delete m_chart.data();
}

}  // namespace monitorview
