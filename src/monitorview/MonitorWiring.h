#pragma once

namespace core {
class IniFile;
}
namespace monitor {
class MonitorControl;
}
namespace sysmod {
class ParameterSet;
}

namespace monitorview {

class InfoTabs;
class MonitorWindow;

// The monitor's settings of section "unit43" ("task", the countdowns) and the reset wait.
void applyMonitorSettings(monitor::MonitorControl &control, const core::IniFile &ini);
// The countdowns of the poll slots ("TICKu..."); the window, when given, shows them.
void readTickSettings(monitor::MonitorControl &control, const core::IniFile &ini, MonitorWindow *window = nullptr);

// Connects the monitor to its window's parts: the identity fields answer the
// loop's requests, the top floor field follows every shaft built, a restart
// reads the countdowns afresh, and "aus SysMod" builds the shaft from the
// layout the program reads from the parameter set.
void wireMonitor(monitor::MonitorControl &control, MonitorWindow &window, InfoTabs &info, const core::IniFile &ini,
                 const sysmod::ParameterSet &sysMod);

}  // namespace monitorview
