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
    // The monitor is held while the statistics are read.
    ReadingTabs(MonitorWindow &window, protocol::CommandLibrary &library, core::Channel &channel, core::Clock &clock,
                const shell::Configuration &config, monitor::MonitorHold &monitor, QWidget *chartParent);
    ~ReadingTabs();

    monitor::StatisticsReader &statisticsReader() { return m_statistics; }
    monitor::StatisticsControl &statisticsControl() { return m_statisticsControl; }
    monitor::PortReader &portReader() { return m_ports; }
    PortsTab *portsTab() const;
    StatisticsTab *statisticsTab() const;
    StatisticsWindow *chartWindow() const;

private:
    monitor::StatisticsReader m_statistics;
    monitor::StatisticsControl m_statisticsControl;
    monitor::PortReader m_ports;
    QPointer<PortsTab> m_portsTab;
    QPointer<StatisticsTab> m_statisticsTab;
    QPointer<StatisticsWindow> m_chart;
};

}  // namespace monitorview
