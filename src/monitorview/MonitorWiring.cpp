#include "MonitorWiring.h"

#include "InfoTabs.h"
#include "MonitorWindow.h"

#include "core/IniFile.h"
#include "comlink/ComPort.h"
#include "comlink/FramedLink.h"
#include "monitor/ControllerInfo.h"
#include "monitor/MonitorControl.h"
#include "protocol/TransferQueue.h"
#include "shaft/ShaftLayout.h"
#include "shell/Configuration.h"
#include "shell/MainController.h"

#include <QMessageBox>

namespace monitorview {

MonitorLinks::MonitorLinks(protocol::TransferQueue &queue, const comlink::ComPort &port, comlink::FramedLink &framing,
                           std::function<void()> stopSession)
    : m_queue(queue), m_port(port), m_framing(framing), m_stopSession(std::move(stopSession))
{
}

void MonitorLinks::transferFlush() { m_queue.transferFlush(); }
void MonitorLinks::transferStart(int ms) { m_queue.transferStart(ms); }
bool MonitorLinks::isLinked() const { return m_port.linkUp(); }

void MonitorLinks::kavcomSend(const QByteArray &telegram, core::AnswerProc onAnswer)
{
    m_framing.kavcomSend(telegram, std::move(onAnswer));
}

void MonitorLinks::stopSession() { if (m_stopSession) m_stopSession(); }

MainWindowHost::MainWindowHost(shell::MainController &controller, const shell::Configuration &config)
    : m_controller(controller), m_config(config)
{
}

void MainWindowHost::showMessageField(const QString &text) { m_controller.showMessageField(text); }

void MainWindowHost::setReportVisible(bool visible)
{
    if (m_controller.view().setReportVisible) m_controller.view().setReportVisible(visible);
}

bool MainWindowHost::confirmConnect()
{
    return QMessageBox::question(m_dialogParent, m_config.languageText(QStringLiteral("Unit99"), 1),
                                 m_config.languageText(QStringLiteral("monitor_43"), 2)) == QMessageBox::Yes;
}

void MainWindowHost::clickLinkDisplay() { m_controller.linkAction(); }

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
        control.makeShaftFromSysMod(layout.ko, layout.config);
    };
}

}  // namespace monitorview
