#pragma once

#include "monitor/PortReader.h"
#include "monitor/StatisticsControl.h"
#include "monitor/StatisticsReader.h"

#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>

namespace core {
class Clock;
}
namespace protocol {
class CommandLibrary;
}
namespace shell {
class Configuration;
}

namespace monitorview {

class MonitorWindow;
class PortsTab;
class StatisticsTab;
class StatisticsWindow;

// The monitor's reading tabs: "Ports" and "Statistik" with their logic, and
// the statistics chart window. Places the tabs into the monitor window's pages.
class ReadingTabs {
public:
    ReadingTabs(MonitorWindow &window, protocol::CommandLibrary &library, core::Channel &channel, core::Clock &clock,
                const shell::Configuration &config, QWidget *chartParent);
    ~ReadingTabs();

    monitor::StatisticsReader &statisticsReader() { return m_statistics; }
    monitor::StatisticsControl &statisticsControl() { return m_statisticsControl; }
    monitor::PortReader &portReader() { return m_ports; }
    PortsTab *portsTab() const;
    StatisticsTab *statisticsTab() const;
    StatisticsWindow *chartWindow() const;

    // The monitor's hold and release for the statistics reading.
    std::function<void()> holdMonitor;
    std::function<void()> releaseMonitor;
    // The saved port file goes to the fault list of the "Fehler" tab.
    std::function<void(const QStringList &lines)> showInFaultList;

private:
    monitor::StatisticsReader m_statistics;
    monitor::StatisticsControl m_statisticsControl{m_statistics};
    monitor::PortReader m_ports;
    QPointer<PortsTab> m_portsTab;
    QPointer<StatisticsTab> m_statisticsTab;
    QPointer<StatisticsWindow> m_chart;
};

}  // namespace monitorview
