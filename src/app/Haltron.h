#pragma once

#include "core/Timer.h"
#include "link/ComPort.h"
#include "link/KavCom.h"
#include "link/ModemControl.h"
#include "link/QtSerialLine.h"
#include "protocol/Line401.h"
#include "protocol/TransferQueue.h"
#include "protocol/ZblUtils.h"
#include "shell/Program.h"
#include "shell/session/TModem.h"
#include "sysmod/SysMod.h"
#include "sysmod/SysModTransfer.h"

#include <QPointer>

#include <memory>

namespace batch {
class BatchProcess;
}
namespace comlink {
class TMyComPort;
}
namespace panels {
class TLEDS;
class TMStPanel;
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
    comlink::TKavCom &framing() { return m_kavcom; }
    protocol::TransferQueue &queue() { return m_queue; }
    protocol::Line401 &line() { return m_line; }
    protocol::TZBL_UTILS &utils() { return m_utils; }
    shell::TModem &session() { return m_session; }
    // Null until the modem route is chosen.
    comlink::ModemControl *modem() { return m_modem.get(); }
    panels::TMStPanel *sessionPanel();
    panels::TLEDS *lampWindow();
    sysmod::TSysMod &sysMod() { return m_sysMod; }
    bool batchMode() const { return m_batch != nullptr; }
    // 0 when not in batch mode.
    int exitStatus() const;

private:
    void createToolWindows(QWidget *mainWindow);
    void createBatch();
    void fillMainHooks();
    void setLocalRoute();
    void setRemoteRoute();
    void wireSession();
    void showSessionWindows();
    void stopSession();
    void unregisterPanelLamps();
    void batchDial(const QString &number);

    core::TimerFactory &m_timers;
    comlink::QtSerialLine m_serial;
    comlink::ComPort m_port;
    comlink::TKavCom m_kavcom;
    protocol::TransferQueue m_queue;
    protocol::Line401 m_line;
    protocol::TZBL_UTILS m_utils;
    sysmod::TSysMod m_sysMod;
    sysmod::TRW m_sysModTransfer;
    // The modem dialogue watches every byte the port reads, so it exists only on the modem route.
    std::unique_ptr<comlink::ModemControl> m_modem;
    shell::TModem m_session;
    // Windows, owned by the main window.
    QPointer<panels::TMStPanel> m_panel;
    QPointer<panels::TLEDS> m_leds;
    comlink::TMyComPort *m_portWindow = nullptr;
    std::unique_ptr<batch::BatchProcess> m_batch;
    shell::Program m_program;
};

}  // namespace app
