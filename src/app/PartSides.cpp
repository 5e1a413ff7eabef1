#include "Haltron.h"

#include "comlink/PortWindow.h"
#include "monitorview/MonitorWindow.h"
#include "panels/DisplayMirrorWindow.h"
#include "panels/SessionPanelWindow.h"
#include "widgets/Lamp.h"

#include <QCheckBox>

// The parts as the main window, the remote session and the batch visit drive
// them: each side forwards to the single instances Haltron holds, and does
// nothing for a part this run does not have.
namespace app {

void Haltron::MonitorSide::clearAutorun()
{
    if (!app.m_monitor) return;
    app.m_monitor->setAutorun(false);
    app.m_monitorWindow->autorunCheckBox()->setChecked(false);
}

void Haltron::MonitorSide::linkToZbl()
{
    if (!app.m_monitor) return;
    const int tabsheets = app.m_program.config().mainIni().readInteger(QStringLiteral("unit43"), QStringLiteral("tabsheets"), 0);
    app.m_monitor->linkToZbl(monitor::MonitorControl::LocalLink);
    app.m_monitorWindow->applyTabVisibility(tabsheets);
    app.m_monitorWindow->setTabShown(monitorview::MonitorWindow::TelephoneTab, false);
    app.m_monitorWindow->showTab(monitorview::MonitorWindow::MonitorTab);
    app.bindMonitorLinkLamp();
}

void Haltron::MonitorSide::linkToMst()
{
    if (!app.m_monitor) {
        app.showSessionWindows();
        return;
    }
    Haltron &h = app;
    const int tabsheets = h.m_program.config().mainIni().readInteger(QStringLiteral("unit43"), QStringLiteral("tabsheets"), 0);
    h.m_monitor->linkToMst(monitor::MonitorControl::ModemLink);
    h.showSessionWindows();
    // The session's panel is on the "Telefon" tab: shown once the port is open, before any link.
    h.m_port.addAfterOpenHandler([&h] {
        if (!h.m_monitorWindow) return;
        h.m_monitorWindow->showTab(monitorview::MonitorWindow::TelephoneTab);
        h.m_monitorWindow->show();
    });
    h.bindMonitorLinkLamp();
    h.m_queue.onRestart = [&h](const QString &text) { h.m_monitor->modemRestart(text); };
    h.m_monitorWindow->applyTabVisibility(tabsheets);
    h.m_monitorWindow->showTab(monitorview::MonitorWindow::TelephoneTab);
}

bool Haltron::MonitorSide::resetInProgress() const { return app.m_monitor && app.m_monitor->resetInProgress(); }

void Haltron::MonitorSide::linkLost()
{
    if (app.m_monitor) app.m_monitor->linkLostReset();
}

void Haltron::MonitorSide::show()
{
    if (app.m_monitorWindow) app.m_monitorWindow->show();
}

void Haltron::MonitorSide::setClosing()
{
    if (app.m_monitor) app.m_monitor->setClosing(true);
}

void Haltron::MonitorSide::halt()
{
    if (app.m_monitor) app.m_monitor->monitorHalt();
}

// The quit sequence halts it before the queue stops, so no display request is left behind.
void Haltron::MonitorSide::haltDisplayMirror()
{
    if (app.m_lcdWindow) app.m_lcdWindow->mirror().halt();
}

void Haltron::SessionLineSide::modemTestAndInit(session::TextProc onReady)
{
    if (app.m_modem) app.m_modem->modemTestAndInit(std::move(onReady));
    else onReady(QString());
}

bool Haltron::SessionLineSide::dial(const QString &number, session::TextProc onLinked, session::TextProc onError)
{
    return app.m_modem && app.m_modem->dial(number, std::move(onLinked), std::move(onError));
}

void Haltron::SessionLineSide::hangUp()
{
    if (app.m_modem) app.m_modem->hangUp();
}

void Haltron::SessionLineSide::closePort()
{
    comlink::ComPort &port = app.m_port;
    // The orderly hang-up waits for the modem; a closing port cannot, so
    // the modem is put on-hook at once before the line goes.
    if (port.modemUsed() && port.isOpen() && port.onModemHangup) port.onModemHangup();
    port.closePort();
}

void Haltron::PortSide::setComNumber(int port)
{
    app.m_line.setComNumber(port);
    app.m_port.setComNumber(port);
    app.m_session.setComPort(port);
}

void Haltron::QueueSide::stop()
{
    queue.setStopped(true);
    queue.transferHalt();
}

void Haltron::SessionSide::setDialTimeout(int seconds)
{
    app.m_session.setDialTimeout(seconds > 0 ? qMin(seconds, session::RemoteSession::MaxDialTimeout)
                                             : session::RemoteSession::DefaultDialTimeout);
}

void Haltron::SessionSide::requestInit()
{
    if (app.m_panel) app.m_panel->logic().requestInit();
}

void Haltron::BatchLinkSide::transferStart(int delayMs) { app.m_queue.transferStart(delayMs); }

QString Haltron::BatchLinkSide::portError() const
{
    return app.m_port.isOpen() ? QString() : app.m_port.lastOpenError();
}

}  // namespace app
