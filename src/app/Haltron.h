#pragma once

#include "core/Timer.h"
#include "comlink/ComPort.h"
#include "comlink/FramedLink.h"
#include "comlink/ModemControl.h"
#include "comlink/QtSerialLine.h"
#include "monitor/ControllerFunctions.h"
#include "monitor/FaultLog.h"
#include "monitor/MonitorControl.h"
#include "monitor/SingleCommands.h"
#include "protocol/ControllerChannel.h"
#include "protocol/FramedRoute.h"
#include "protocol/Line401.h"
#include "protocol/LocalRoute.h"
#include "protocol/TransferQueue.h"
#include "protocol/CommandLibrary.h"
#include "shell/MainPartners.h"
#include "shell/Program.h"
#include "batch/BatchProcess.h"
#include "session/RemoteSession.h"
#include "sysmod/ParameterSet.h"
#include "sysmod/ParameterSetTransfer.h"

#include <QPointer>

#include <memory>

namespace comlink {
class PortWindow;
}
namespace monitorview {
class InfoTabs;
class MainWindowHost;
class MonitorLinks;
class MonitorWindow;
class ShaftBinding;
class ReadingTabs;
class SysModTab;
}
namespace shaft {
class ShaftWindow;
}
namespace panels {
class DisplayMirrorWindow;
class LampWindow;
class SessionPanelWindow;
}

namespace app {

// The single instances of the program and the hooks between them. The
// program (windows and configuration) is the last member, so the windows go
// before the logic they show.
class Haltron {
public:
    explicit Haltron(core::TimerFactory &timers);
    ~Haltron();
    Haltron(const Haltron &) = delete;
    Haltron &operator=(const Haltron &) = delete;

    // Configuration, then the system module's default file; false without an INI.
    bool initModules(const shell::StartEnvironment &env);
    // The windows in their fixed order, the batch process in batch mode, and the main window's hooks.
    void createWindows();
    void applyStartSettings() { m_program.applyStartSettings(); }

    shell::Program &program() { return m_program; }
    comlink::ComPort &port() { return m_port; }
    comlink::FramedLink &framing() { return m_framedLink; }
    protocol::TransferQueue &queue() { return m_queue; }
    protocol::ControllerChannel &channel() { return m_channel; }
    protocol::Line401 &line() { return m_line; }
    protocol::CommandLibrary &commandLibrary() { return m_commandLibrary; }
    session::RemoteSession &session() { return m_session; }
    // Null until the modem route is chosen.
    comlink::ModemControl *modem() { return m_modem.get(); }
    panels::SessionPanelWindow *sessionPanel();
    panels::LampWindow *lampWindow();
    sysmod::ParameterSet &sysMod() { return m_sysMod; }
    // Null in batch mode.
    monitor::MonitorControl *monitor() { return m_monitor.get(); }
    monitorview::MonitorWindow *monitorWindow();
    monitorview::InfoTabs *infoTabs() { return m_infoTabs.get(); }
    // The "Ports" and "Statistik" tabs; null in batch mode.
    monitorview::ReadingTabs *readingTabs() { return m_readingTabs.get(); }
    shaft::ShaftWindow *shaftWindow();
    // The LCD start of the monitor; the window is null in batch mode.
    void openLcd();
    panels::DisplayMirrorWindow *lcdWindow();
    bool batchMode() const { return m_batch != nullptr; }
    // 0 when not in batch mode.
    int exitStatus() const;

private:
    void createToolWindows(QWidget *mainWindow);
    void createBatch();
    void wireMain();
    void setLocalRoute();
    void setRemoteRoute();
    void showSessionWindows();
    void stopSession();
    void sessionFirstShow(bool autoPanel);
    void unregisterPanelLamps();
    void bindMonitorLinkLamp();
    void batchDial(const QString &number);
    void createMonitor();
    void bindPortPickers(QWidget *mainWindow);
    // [comport] device as the INI gives it; the port picker's choice may stand in for it.
    QString iniDevice();
    void wireShaft();
    void wireMonitorEvents();
    // HaltronTestTabs.cpp: the display mirror, the "SysMod" tab and the test buttons.
    void wireTestTabs();
    // The lift every request goes to, named in the status bar, the display mirror and the "SysMod" tab.
    void showChosenMember();

    core::TimerFactory &m_timers;
    comlink::QtSerialLine m_serial;
    comlink::ComPort m_port;
    comlink::FramedLink m_framedLink;
    protocol::TransferQueue m_queue;
    // Every request to the controller goes to the group member chosen on the monitor.
    protocol::ControllerChannel m_channel;
    protocol::Line401 m_line;
    // The queue's two ways to the controller; the local and the remote route switch between them.
    protocol::LocalRoute m_localRoute{m_line, m_port};
    protocol::FramedRoute m_framedRoute{m_framedLink, m_port};
    protocol::CommandLibrary m_commandLibrary;
    sysmod::ParameterSet m_sysMod;
    // The parameter-set transfer's line: the queue and the local line driver.
    struct TransferLineSide final : sysmod::TransferLine {
        explicit TransferLineSide(Haltron &app) : app(app) {}
        void transferFlush() override { app.m_queue.transferFlush(); }
        int swapLineTimeout(int newMs) override { return app.m_line.swapLineTimeout(newMs); }
        Haltron &app;
    };
    TransferLineSide m_transferLine{*this};
    // The language file of the configuration, which is made after the parts that read it.
    struct LanguageSide final : core::LanguageTexts {
        explicit LanguageSide(Haltron &app) : app(app) {}
        QString text(const QString &section, int number) const override { return app.m_program.config().text(section, number); }
        QString text(const QString &section, const QString &ident) const override
        {
            return app.m_program.config().text(section, ident);
        }
        Haltron &app;
    };
    LanguageSide m_language{*this};
    sysmod::ParameterSetTransfer m_sysModTransfer;
    // The modem dialogue watches every byte the port reads, so it exists only on the modem route.
    std::unique_ptr<comlink::ModemControl> m_modem;
    // The session's line: the port, the modem dialogue (once the modem route exists) and the queue.
    struct SessionLineSide final : session::SessionLine {
        explicit SessionLineSide(Haltron &app) : app(app) {}
        bool openPort(int comNumber) override { return app.m_port.openPort(comNumber); }
        bool isConnected() const override { return app.m_port.isConnected(); }
        void modemTestAndInit(session::TextProc onReady) override;
        bool dial(const QString &number, session::TextProc onLinked, session::TextProc onError) override;
        void hangUp() override;
        bool sendString(const QByteArray &bytes) override { return app.m_port.sendString(bytes); }
        void closePort() override;
        void haltTransfers() override { app.m_queue.transferHalt(); }
        Haltron &app;
    };
    SessionLineSide m_sessionLine{*this};
    session::RemoteSession m_session;
    // Windows, owned by the main window.
    QPointer<panels::SessionPanelWindow> m_panel;
    QPointer<panels::LampWindow> m_lampWindow;
    comlink::PortWindow *m_portWindow = nullptr;
    // The link as a batch visit uses it.
    struct BatchLinkSide final : batch::BatchLink {
        explicit BatchLinkSide(Haltron &app) : app(app) {}
        void transferStart(int delayMs) override;
        void dial(const QString &number) override { app.batchDial(number); }
        QString portError() const override;
        Haltron &app;
    };
    BatchLinkSide m_batchLink{*this};
    std::unique_ptr<batch::BatchProcess> m_batch;
    // The monitor exists only outside batch mode: a visit greets and reads by itself.
    std::unique_ptr<monitor::FaultLog> m_faultLog;
    std::unique_ptr<monitorview::MonitorLinks> m_monitorLinks;
    std::unique_ptr<monitorview::MainWindowHost> m_monitorHost;
    // Outlives the monitor that points at it.
    std::unique_ptr<monitorview::ShaftBinding> m_shaftBinding;
    std::unique_ptr<monitor::MonitorControl> m_monitor;
    // The queue's restarts reach the monitor once the modem route linked to it.
    QMetaObject::Connection m_restartToMonitor;
    QPointer<monitorview::MonitorWindow> m_monitorWindow;
    QPointer<shaft::ShaftWindow> m_shaftWindow;
    std::unique_ptr<monitorview::ReadingTabs> m_readingTabs;  // the "Ports" and "Statistik" tabs
    std::unique_ptr<monitorview::InfoTabs> m_infoTabs;
    monitor::SingleCommands m_singleCommands{m_channel};
    QPointer<panels::DisplayMirrorWindow> m_lcdWindow;
    QPointer<monitorview::SysModTab> m_sysModTab;

    // The parts as the main window drives them; a batch visit has no monitor,
    // and its modem route shows only the session's windows.
    struct MonitorSide final : shell::MonitorPort {
        explicit MonitorSide(Haltron &app) : app(app) {}
        void clearAutorun() override;
        void linkToZbl() override;
        void linkToMst() override;
        bool resetInProgress() const override;
        void linkLost() override;
        void show() override;
        void setClosing() override;
        void halt() override;
        void haltDisplayMirror() override;
        Haltron &app;
    };
    struct PortSide final : shell::PortControl {
        explicit PortSide(Haltron &app) : app(app) {}
        void setComNumber(int port) override;
        void useLocalRoute() override { app.setLocalRoute(); }
        void useRemoteRoute() override { app.setRemoteRoute(); }
        void haltLine() override { app.m_line.zblPortHalt(); }
        void allowClose() override { app.m_port.setCloseAllowed(true); }
        void linkAction() override { app.m_port.linkAction(); }
        void halt() override { app.m_port.portHalt(); }
        Haltron &app;
    };
    struct QueueSide final : shell::QueueControl {
        explicit QueueSide(protocol::TransferQueue &queue) : queue(queue) {}
        void stop() override;
        protocol::TransferQueue &queue;
    };
    struct SessionSide final : shell::RemoteControl {
        explicit SessionSide(Haltron &app) : app(app) {}
        void setDialNumber(const QString &number) override { app.m_session.setDialNumber(number); }
        void setDialTimeout(int seconds) override;
        void setClosing() override { app.m_session.setClosing(true); }
        void requestInit() override;
        Haltron &app;
    };
    MonitorSide m_monitorSide{*this};
    PortSide m_portSide{*this};
    QueueSide m_queueSide{m_queue};
    SessionSide m_sessionSide{*this};
    shell::Program m_program;
};

}  // namespace app
