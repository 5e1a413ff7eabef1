#include "MonitorWiring.h"

#include "InfoTabs.h"
#include "FaultTab.h"
#include "MonitorWindow.h"
#include "PortsTab.h"
#include "ReadingTabs.h"
#include "SysModTab.h"
#include "TestTabControls.h"

#include "core/IniFile.h"
#include "monitor/ControllerInfo.h"
#include "monitor/MonitorControl.h"
#include "shaft/ShaftLayout.h"
#include "shell/Configuration.h"
#include "widgets/Lamp.h"

#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>

namespace monitorview {

void applyMonitorSettings(monitor::MonitorControl &control, const core::IniFile &ini)
{
    readTickSettings(control, ini);
    control.loadTask(ini.readInteger(QStringLiteral("unit43"), QStringLiteral("task"), 0));
    control.setResetTimeoutSeconds(ini.readInteger(QStringLiteral("time"), QStringLiteral("reset_timeout"), 4));
}

void readTickSettings(monitor::MonitorControl &control, const core::IniFile &ini, MonitorWindow *window)
{
    using monitor::PollCycle;
    static const char *const keys[] = {"TICKuMONBLK", "TICKuQUITT", "TICKuBS", "TICKuFZ", "TICKuERROR", "TICKuLERROR"};
    std::array<int, PollCycle::SlotCount> ticks{};
    for (int i = 0; i < PollCycle::SlotCount; ++i)
        ticks[i] = ini.readInteger(QStringLiteral("unit43"), QString::fromLatin1(keys[i]), PollCycle::DefaultReloads[i]);
    control.setReloads(ticks);
    if (window) window->showReloads();
}

void wireMonitor(monitor::MonitorControl &control, MonitorWindow &window, InfoTabs &info, const core::IniFile &ini,
                 const sysmod::ParameterSet &sysMod)
{
    using monitor::MonitorControl;
    QObject::connect(&control, &MonitorControl::infoRequested, &window,
                     [&info](monitor::InfoRequest request) { info.requestInfo(request); });
    QObject::connect(&control, &MonitorControl::shaftBuilt, &window, [&window](int topFloor) {
        window.showInfo(monitor::InfoRequest::TopFloor, monitor::topFloorText(topFloor));
    });
    QObject::connect(&control, &MonitorControl::restarting, &control,
                     [&control, &ini, shown = QPointer<MonitorWindow>(&window)] { readTickSettings(control, ini, shown); });
    QObject::connect(&window, &MonitorWindow::shaftFromSysModClicked, &control, [&control, &sysMod] {
        const shaft::ShaftLayout layout = shaft::shaftFromParameterSet(sysMod);
        control.makeShaftFromSysMod(layout.topFloor, layout.config);
    });
}

void wireReadingTabs(ReadingTabs &tabs, InfoTabs &info, MonitorWindow &window)
{
    QObject::connect(tabs.portsTab(), &PortsTab::portFileSaved, &window, [&info, &window](const QStringList &lines) {
        info.faultTab()->setLines(lines);
        window.showTab(MonitorWindow::FaultTab);
    });
}

void wireTestTab(TestTabControls &tests, MonitorWindow &window, monitor::MonitorControl &control)
{
    QObject::connect(&window, &MonitorWindow::firstShown, &tests,
                     [&tests, &control] { tests.modemButton()->setEnabled(control.hasLinkMode()); });
    window.addToTab(MonitorWindow::TestTab, &tests);
    QObject::connect(&control, &monitor::MonitorControl::shaftBuilt, &tests, &TestTabControls::setTopFloor);
}

void wireSysModTab(SysModTab &tab, MonitorWindow &window, const shell::Configuration &config)
{
    tab.filesDirectory = [&config] { return config.filesDir(); };
    tab.setSendAllowed(config.mainIni().readBool(QStringLiteral("unit43"), QStringLiteral("senden"), false));
    QObject::connect(&tab, &SysModTab::linkRequested, &window, [shown = QPointer<MonitorWindow>(&window)] {
        if (shown) shown->linkLed()->click();
    });
    window.addToTab(MonitorWindow::SysModTab, &tab);
    QObject::connect(window.pages(), &QTabWidget::currentChanged, &tab, [&tab, &window] {
        const auto *page = qobject_cast<QScrollArea *>(window.pages()->currentWidget());
        if (page && page->widget() == window.tabPage(MonitorWindow::SysModTab)) tab.tabSelected();
    });
}

}  // namespace monitorview
