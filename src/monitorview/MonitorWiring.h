#pragma once

#include "monitor/FramedSession.h"
#include "monitor/LinkState.h"
#include "monitor/MonitorHost.h"
#include "monitor/TransferControl.h"

#include <QPointer>
#include <QWidget>

#include <functional>

namespace comlink {
class ComPort;
class FramedLink;
}
namespace core {
class IniFile;
}
namespace monitor {
class MonitorControl;
}
namespace protocol {
class TransferQueue;
}
namespace sysmod {
class ParameterSet;
}

namespace shell {
class Configuration;
class MainController;
}

namespace monitorview {

class InfoTabs;
class MonitorWindow;

// The transfer queue, the port's link state and the framed link as the monitor
// uses them. Ending the session belongs to the program, which passes it in.
class MonitorLinks : public monitor::TransferControl, public monitor::LinkState, public monitor::FramedSession {
public:
    MonitorLinks(protocol::TransferQueue &queue, const comlink::ComPort &port, comlink::FramedLink &framing,
                 std::function<void()> stopSession);

    void transferFlush() override;
    void transferStart(int ms) override;
    bool isLinked() const override;
    void kavcomSend(const QByteArray &telegram, core::AnswerProc onAnswer) override;
    void stopSession() override;

private:
    protocol::TransferQueue &m_queue;
    const comlink::ComPort &m_port;
    comlink::FramedLink &m_framing;
    std::function<void()> m_stopSession;
};

// The main window as the monitor uses it: its message field, its report, the
// question before connecting and its link display.
class MainWindowHost : public monitor::MonitorHost {
public:
    MainWindowHost(shell::MainController &controller, const shell::Configuration &config);
    // The window the question is asked over.
    void setDialogParent(QWidget *parent) { m_dialogParent = parent; }

    void showMessageField(const QString &text) override;
    void setReportVisible(bool visible) override;
    bool confirmConnect() override;
    void clickLinkDisplay() override;

private:
    shell::MainController &m_controller;
    const shell::Configuration &m_config;
    QPointer<QWidget> m_dialogParent;
};

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
