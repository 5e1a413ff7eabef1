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
                         const shell::Configuration &config, QWidget *chartParent)
    : m_statistics(library), m_ports(channel, clock)
{
    m_portsTab = new PortsTab(m_ports, config, clock);
    place(window.tabPage(MonitorWindow::PortsTab), m_portsTab);
    m_portsTab->showInFaultList = [this](const QStringList &lines) { if (showInFaultList) showInFaultList(lines); };

    m_statisticsTab = new StatisticsTab(m_statisticsControl);
    place(window.tabPage(MonitorWindow::StatisticsTab), m_statisticsTab);
    m_chart = new StatisticsWindow(config, chartParent);
    m_chart->hide();
    QPointer<StatisticsWindow> chart = m_chart;
    m_statistics.onChart = [chart](const std::vector<monitor::StatisticsRow> &rows) { if (chart) chart->setRows(rows); };
    m_statisticsTab->onShowChart = [chart] {
        if (!chart) return;
        chart->show();
        chart->raise();
    };
    m_statisticsControl.hideChart = [chart] { if (chart) chart->hide(); };
    m_statisticsControl.holdMonitor = [this] { if (holdMonitor) holdMonitor(); };
    m_statisticsControl.releaseMonitor = [this] { if (releaseMonitor) releaseMonitor(); };
}

PortsTab *ReadingTabs::portsTab() const { return m_portsTab; }
StatisticsTab *ReadingTabs::statisticsTab() const { return m_statisticsTab; }
StatisticsWindow *ReadingTabs::chartWindow() const { return m_chart; }

// The windows may have gone with the main window already.
ReadingTabs::~ReadingTabs()
{
    m_statistics.onChart = nullptr;
    m_statisticsControl.onChanged = nullptr;
    m_ports.onValues = nullptr;
    m_ports.onWaiting = nullptr;
    delete m_chart.data();
}

}  // namespace monitorview
