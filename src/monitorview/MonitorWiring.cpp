#include "MonitorWiring.h"

#include "InfoTabs.h"
#include "MonitorWindow.h"

#include "core/IniFile.h"
#include "monitor/ControllerInfo.h"
#include "monitor/MonitorControl.h"
#include "shaft/ShaftLayout.h"

#include <QPointer>

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
    window.onShaftFromSysMod = [&control, &sysMod] {
        const shaft::ShaftLayout layout = shaft::shaftFromParameterSet(sysMod);
        control.makeShaftFromSysMod(layout.topFloor, layout.config);
    };
}

}  // namespace monitorview
