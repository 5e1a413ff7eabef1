// The monitor's tools beside the polling cycle: the display mirror, the
// "SysMod" tab and the buttons of the "Test" and "Funktion" tabs.

#include "Haltron.h"

#include "core/Reports.h"
#include "comlink/PortWindow.h"
#include "panels/DisplayMirrorWindow.h"
#include "panels/SessionPanelWindow.h"
#include "protocol/LineDriverWindow.h"
#include "protocol/QueueWindow.h"
#include "shaft/ShaftWindow.h"
#include "shell/MainWindow.h"
#include "monitorview/MonitorWindow.h"
#include "monitorview/MonitorWiring.h"
#include "monitorview/MainWindowHost.h"
#include "monitorview/MonitorLinks.h"
#include "monitorview/SysModTab.h"
#include "monitorview/TestTabControls.h"

namespace app {

namespace {

void showWindow(QWidget *window)
{
    if (!window) return;
    window->show();
    window->raise();
}

}  // namespace

void Haltron::wireTestTabs()
{
    shell::Configuration &config = m_program.config();
    QWidget *mainWindow = &m_program.mainWindow();

    m_lcdWindow = new panels::DisplayMirrorWindow(
        m_timers, m_channel, panels::DisplayMirror::hpzFromMachineType(config.readMachineType()), mainWindow);
    m_lcdWindow->hide();
    m_lcdWindow->mirror().log = [](const QString &line) { core::reports().write(line); };

    monitorview::MonitorWindow &window = *m_monitorWindow;
    QObject::connect(&window, &monitorview::MonitorWindow::lcdClicked, &window, [this] { openLcd(); });
    QObject::connect(&window, &monitorview::MonitorWindow::flushClicked, &window, [this] { m_queue.transferFlush(); });

    auto *tests = new monitorview::TestTabControls(m_singleCommands, {*m_monitor, *m_monitorLinks, *m_monitorHost});
    using monitorview::TestTabControls;
    QObject::connect(tests, &TestTabControls::portWindowRequested, tests, [this] { showWindow(m_portWindow); });
    QObject::connect(tests, &TestTabControls::queueWindowRequested, tests,
                     [mainWindow] { showWindow(mainWindow->findChild<protocol::QueueWindow *>()); });
    QObject::connect(tests, &TestTabControls::modemWindowRequested, tests, [this] { showWindow(m_panel); });
    QObject::connect(tests, &TestTabControls::zblPortWindowRequested, tests,
                     [mainWindow] { showWindow(mainWindow->findChild<protocol::LineDriverWindow *>()); });
    QObject::connect(tests, &TestTabControls::lcdRequested, tests, [this] { openLcd(); });
    QObject::connect(tests, &TestTabControls::cabinDoorClicked, tests,
                     [this](int door, int state) { if (m_shaftWindow) m_shaftWindow->setDoor(door, state); });
    QObject::connect(tests, &TestTabControls::cabinFloorChanged, tests, [this](int floor) { if (m_shaftWindow) m_shaftWindow->setFloor(floor); });
    monitorview::wireTestTab(*tests, window, *m_monitor);
    window.addToTab(monitorview::MonitorWindow::FunctionTab, new monitorview::TestTripButtons(m_singleCommands));

    m_sysModTab = new monitorview::SysModTab(m_sysMod, m_sysModTransfer, {*m_monitorLinks, *m_monitor, config, core::reports()});
    monitorview::wireSysModTab(*m_sysModTab, window, config);
    showChosenMember();
}

void Haltron::showChosenMember()
{
    QObject::connect(&m_channel, &protocol::ControllerChannel::memberChanged, m_monitorWindow, [this](int member) {
        const QString caption = monitor::memberCaption(member);
        const QString lift = caption.isEmpty() ? QString() : QStringLiteral("Aufzug ") + caption;
        m_program.mainWindow().setMemberText(lift);
        if (m_lcdWindow) m_lcdWindow->setMemberCaption(caption);
        const QString tab = QStringLiteral("SysMod");
        m_monitorWindow->setTabCaption(monitorview::MonitorWindow::SysModTab, caption.isEmpty() ? tab : tab + QLatin1Char(' ') + caption);
    });
}

panels::DisplayMirrorWindow *Haltron::lcdWindow() { return m_lcdWindow.data(); }

// The LCD start: the mirror polls through the queue beside the monitor's cycle.
void Haltron::openLcd()
{
    if (!m_lcdWindow) return;
    panels::DisplayMirror &mirror = m_lcdWindow->mirror();
    mirror.afterAnswer = [&mirror] { mirror.pollStep(); };
    if (!m_lcdWindow->isVisible()) {
        m_lcdWindow->show();  // showing makes it ready and sends the first request
    } else {
        mirror.makeReady();
        if (!mirror.inFlight() && !mirror.errorWaiting()) mirror.pollStep();
    }
    m_lcdWindow->raise();
    m_lcdWindow->activateWindow();
}

}  // namespace app
