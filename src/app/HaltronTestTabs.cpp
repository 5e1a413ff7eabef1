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
#include "widgets/Lamp.h"
#include "monitorview/MonitorWindow.h"
#include "monitorview/SysModTab.h"
#include "monitorview/TestTabControls.h"

#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>

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
    shell::MainController &controller = m_program.controller();
    QWidget *mainWindow = &m_program.mainWindow();

    m_lcdWindow = new panels::DisplayMirrorWindow(
        m_timers, m_channel, panels::DisplayMirror::hpzFromMachineType(config.readMachineType()), mainWindow);
    m_lcdWindow->hide();
    m_lcdWindow->mirror().log = [](const QString &line) { core::reports().write(line); };

    monitorview::MonitorWindow &window = *m_monitorWindow;
    window.onLcdClicked = [this] { openLcd(); };
    window.onFlushClicked = [this] { m_queue.transferFlush(); };

    auto *tests = new monitorview::TestTabControls(m_singleCommands);
    tests->showPortWindow = [this] { showWindow(m_portWindow); };
    tests->showQueueWindow = [mainWindow] { showWindow(mainWindow->findChild<protocol::QueueWindow *>()); };
    tests->showModemWindow = [this] { showWindow(m_panel); };
    tests->showZblPortWindow = [mainWindow] { showWindow(mainWindow->findChild<protocol::LineDriverWindow *>()); };
    tests->showLcd = [this] { openLcd(); };
    tests->linkMode = [this] { return int(m_monitor->linkMode()); };
    tests->transferFlush = [this] { m_queue.transferFlush(); };
    tests->showMessage = [&controller](const QString &text) { controller.showMessageField(text); };
    tests->setDoor = [this](int door, int state) { if (m_shaftWindow) m_shaftWindow->setDoor(door, state); };
    tests->setFloor = [this](int floor) { if (m_shaftWindow) m_shaftWindow->setFloor(floor); };
    QObject::connect(&window, &monitorview::MonitorWindow::firstShown, tests,
                     [this, tests] { tests->modemButton()->setEnabled(m_monitor->linkMode() != monitor::MonitorControl::NoLink); });
    window.addToTab(monitorview::MonitorWindow::TestTab, tests);
    window.addToTab(monitorview::MonitorWindow::FunctionTab, new monitorview::TestTripButtons(m_singleCommands));
    // The cabin test reaches as high as the shaft that was built.
    QObject::connect(m_monitor.get(), &monitor::MonitorControl::shaftBuilt, tests, &monitorview::TestTabControls::setTopFloor);

    m_sysModTab = new monitorview::SysModTab(m_sysMod, m_sysModTransfer);
    monitorview::SysModTab &tab = *m_sysModTab;
    tab.isLinkUp = [this] { return m_port.isLinked(); };
    tab.linkMode = [this] { return int(m_monitor->linkMode()); };
    tab.holdMonitor = [this] { m_monitor->holdMonitor(); };
    tab.releaseMonitor = [this] { m_monitor->releaseMonitor(); };
    tab.clickLinkLed = [this] { if (m_monitorWindow) m_monitorWindow->linkLed()->click(); };
    tab.languageText = [&config](const QString &section, int number) { return config.languageText(section, number); };
    tab.filesDirectory = [&config] { return config.filesDir(); };
    tab.trace = [](const QString &line) { core::reports().writeIf(core::ReportMonitor, line); };
    tab.setSendAllowed(config.mainIni().readBool(QStringLiteral("unit43"), QStringLiteral("senden"), false));
    window.addToTab(monitorview::MonitorWindow::SysModTab, m_sysModTab);
    QObject::connect(window.pages(), &QTabWidget::currentChanged, m_sysModTab, [this] {
        const auto *page = qobject_cast<QScrollArea *>(m_monitorWindow->pages()->currentWidget());
        if (page && page->widget() == m_monitorWindow->tabPage(monitorview::MonitorWindow::SysModTab)) m_sysModTab->tabSelected();
    });
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
