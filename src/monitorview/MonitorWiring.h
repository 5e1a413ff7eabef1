#pragma once

namespace core {
class IniFile;
}
namespace shell {
class Configuration;
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
class ReadingTabs;
class SysModTab;
class TestTabControls;

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

// The saved port file is shown in the fault list, on its tab.
void wireReadingTabs(ReadingTabs &tabs, InfoTabs &info, MonitorWindow &window);

// Places the "Test" tab on its page: the modem window's button works once the
// window's first show finds a link mode, and the cabin test reaches as high as
// the shaft that was built.
void wireTestTab(TestTabControls &tests, MonitorWindow &window, monitor::MonitorControl &control);

// Places the "SysMod" tab on its page: the files folder and the send switch
// ("senden") of the configuration, "connect now?" answered yes clicks the link
// lamp, and choosing the page retitles the tab's group.
void wireSysModTab(SysModTab &tab, MonitorWindow &window, const shell::Configuration &config);

}  // namespace monitorview
