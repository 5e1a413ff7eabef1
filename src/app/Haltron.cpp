#include "Haltron.h"

#include "comlink/LinkLampBinding.h"
#include "comlink/PortWindow.h"
#include "comlink/PortPicker.h"
#include "comlink/PhoneBookWindow.h"
#include "monitor/FaultLog.h"
#include "monitor/LiftState.h"
#include "panels/DisplayMirrorWindow.h"
#include "panels/LampWindow.h"
#include "panels/SessionPanelWindow.h"
#include "panels/SessionWiring.h"
#include "protocol/LinkLoss.h"
#include "protocol/LocalRoute.h"
#include "protocol/QueueWindow.h"
#include "protocol/LineDriverWindow.h"
#include "shell/MainWindow.h"
#include "shell/MainWiring.h"
#include "monitorview/FaultTab.h"
#include "monitorview/InfoTabs.h"
#include "monitorview/MonitorWindow.h"
#include "monitorview/MainWindowHost.h"
#include "monitorview/MonitorLinks.h"
#include "monitorview/MonitorWiring.h"
#include "monitorview/QueueGauges.h"
#include "monitorview/ShaftBinding.h"
#include "monitorview/ReadingTabs.h"
#include "shaft/ShaftWindow.h"
#include "core/Reports.h"
#include "batch/BatchWiring.h"
#include "sysmod/ParameterSetWiring.h"

#include <QCheckBox>
#include <QMessageBox>

namespace app {

Haltron::Haltron(core::TimerFactory &timers)
    : m_timers(timers),
      m_port(m_serial, timers),
      m_framedLink(timers),
      m_queue(timers),
      m_channel(m_queue),
      m_line(m_port, timers),
      m_commandLibrary(m_channel, timers.clock()),
      m_sysModTransfer(m_sysMod, m_channel, timers, m_transferLine, m_language),
      m_session(timers, m_sessionLine),
      m_program(timers, shell::MainPartners{&m_monitorSide, &m_portSide, &m_queueSide, &m_sessionSide})
{
    protocol::connectLineToQueue(m_line, m_queue, m_channel);
    protocol::flushOnLinkLoss(m_queue, m_port);
    m_line.askVersion = [this](std::function<void(const QString &)> onText) {
        m_commandLibrary.getVersion(std::move(onText));
        return true;
    };

    // The framing layer reaches the port only through these.
    m_framedLink.sendString = [this](const QByteArray &data) { return m_port.sendString(data); };
    m_framedLink.readChars = [this](int count) { return m_port.readChars(count); };
    m_framedLink.setPortRxHook = [this](std::function<void(int)> hook) { m_port.rxHook = std::move(hook); };

    sysmod::wireParameterSetTransfer(m_sysMod, m_sysModTransfer);

    m_program.descriptionVersion = [this] { return m_sysMod.descriptionVersion(); };
    m_program.createToolWindows = [this](QWidget *mainWindow) { createToolWindows(mainWindow); };
    m_session.inputQuery = &panels::SessionPanelWindow::inputQuery;
}

Haltron::~Haltron() { unregisterPanelLamps(); }

panels::SessionPanelWindow *Haltron::sessionPanel() { return m_panel.data(); }
panels::LampWindow *Haltron::lampWindow() { return m_lampWindow.data(); }
monitorview::MonitorWindow *Haltron::monitorWindow() { return m_monitorWindow.data(); }
shaft::ShaftWindow *Haltron::shaftWindow() { return m_shaftWindow.data(); }

// The panel's lamps go with the windows; the port outlives them.
void Haltron::unregisterPanelLamps()
{
    if (!m_panel) return;
    comlink::unbindLinkLamp(m_panel->kavcomLamp(), m_port);
    comlink::unbindLinkLamp(m_panel->modemLamp(), m_port);
}

bool Haltron::initModules(const shell::StartEnvironment &env)
{
    if (!m_program.initModules(env)) return false;
    shell::Configuration &config = m_program.config();
    // A batch visit is scripted with its own INI per line: the device picked
    // in the window must not redirect it.
    m_port.setConfiguredDevice(config.batchRequested() ? iniDevice() : comlink::startDevice(config.mainIni()));
    m_sysMod.setDescriptionKeys(config.getSysLn(), config.getSysHint());
    m_sysMod.startUp(config.getSysModFile(), config.getDefaultFile());
    return true;
}

void Haltron::createWindows()
{
    m_program.createWindows();
    wireMain();
    if (m_monitor) wireMonitorEvents();
    if (m_program.config().batchRequested()) createBatch();
}

// Between the main window and the start selection: the session panel, the
// lamp window and the remote connection (logic only, never shown) first; the
// LCD, shaft and statistics windows take their places here once they exist.
void Haltron::createToolWindows(QWidget *mainWindow)
{
    shell::Configuration &config = m_program.config();
    shell::MainController &controller = m_program.controller();
    const auto languageText = [&config](const QString &section, const QString &ident) { return config.languageText(section, ident); };
    m_panel = new panels::SessionPanelWindow(m_timers, languageText, false, mainWindow);
    m_panel->hide();
    QObject::connect(&m_panel->logic(), &panels::SessionPanel::dialling, m_panel, [&config](const QString &line) {
        if (shell::LogonLogFile *log = config.logOnLog()) log->write(line);
    });
    controller.registerShutdownProc([this] { m_panel->logic().halt(); });
    m_lampWindow = new panels::LampWindow(m_timers, mainWindow);
    m_lampWindow->hide();
    panels::wireSessionWindows(m_session, *m_lampWindow, *m_panel);
    m_lampWindow->onShowLeds = [this](panels::LineLamps &lamps) { lamps.setConnected(m_port.isConnected()); };
    m_lampWindow->onLampsVisible = [this](panels::LineLamps &lamps, bool visible) {
        if (visible) m_port.lineWatch().watch(lamps.lineLights());
        else m_port.lineWatch().unwatch(lamps.lineLights());
    };
    controller.registerShutdownProc([this] { m_lampWindow->halt(); });
    // Hang up and let go of the line before the port's own halt closes it.
    controller.registerShutdownProc([this] { stopSession(); });

    new protocol::LineDriverWindow(m_line, m_timers, mainWindow);
    new protocol::QueueWindow(m_queue, mainWindow);
    auto *phoneBook = new comlink::PhoneBookWindow(mainWindow);
    phoneBook->setFileName(m_program.config().getPhoneBookFile());
    phoneBook->languageText = languageText;
    m_portWindow = new comlink::PortWindow(m_port, m_timers, mainWindow);
    bindPortPickers(mainWindow);
    if (!config.batchRequested()) createMonitor();
}

QString Haltron::iniDevice()
{
    return m_program.config().mainIni().readString(QStringLiteral("comport"), QStringLiteral("device"));
}

// The picker in the port window and in the main window's small dialog.
void Haltron::bindPortPickers(QWidget *mainWindow)
{
    const QString iniDevice = this->iniDevice();
    const auto texts = [&config = m_program.config()](const QString &section, const QString &ident) {
        return config.languageText(section, ident);
    };
    m_serial.setProblemTexts(comlink::PortProblemTexts::fromLanguage(texts));
    auto *dialog = new comlink::PortPickerDialog(mainWindow);
    for (comlink::PortPicker *picker : {m_portWindow->picker(), dialog->picker()}) {
        picker->languageText = texts;
        comlink::bindPortPicker(*picker, m_port, iniDevice);
    }
    QObject::connect(&m_program.mainWindow(), &shell::MainWindow::portClicked, dialog, [dialog] {
        dialog->show();
        dialog->raise();
    });
}

// The monitor window comes last: it attaches to what the others offer.
void Haltron::createMonitor()
{
    shell::Configuration &config = m_program.config();
    shell::MainController &controller = m_program.controller();
    const core::IniFile &ini = config.mainIni();
    m_faultLog = std::make_unique<monitor::FaultLog>(m_channel, m_timers.clock(), config.getErrorFile(),
                                                     monitor::FaultListTexts::fromLanguage(config.languageIni()));
    m_monitorLinks = std::make_unique<monitorview::MonitorLinks>(m_queue, m_port, m_framedLink, [this] { stopSession(); });
    m_monitorHost = std::make_unique<monitorview::MainWindowHost>(controller, m_program.mainWindow(), config);
    const monitor::MonitorPartners partners{m_channel,    *m_monitorLinks, *m_monitorLinks, *m_monitorLinks,
                                            *m_faultLog,  *m_monitorHost,  config,          core::reports()};
    m_monitor = std::make_unique<monitor::MonitorControl>(
        m_timers, monitor::MonitorTextLists::fromLanguage(config.languageIni()), partners);
    monitor::MonitorControl &mon = *m_monitor;
    monitorview::applyMonitorSettings(mon, ini);
    mon.showLinkDisplay = [&controller](bool greeted) { controller.showModeLamp(greeted); };

    const auto showHelp = [this](const QString &topic) { m_program.mainWindow().showHelp(topic); };
    m_monitorWindow = new monitorview::MonitorWindow(m_program.mainWindow().rightPanel(), config, showHelp, mon);
    m_monitorWindow->hide();
    m_monitorHost->setDialogParent(m_monitorWindow);
    const shell::StartMethod method = shell::readStartMethod(ini.readString(QStringLiteral("Start"), QStringLiteral("methode"), QStringLiteral("?")));
    m_monitorWindow->setStartPage(method.startPage);
    mon.setKeepShaft(method.fileMode);
    QObject::connect(m_monitorWindow, &monitorview::MonitorWindow::firstShown, m_monitorWindow, [this, method] {
        if (!method.startPage) sessionFirstShow(method.autoPanel);
    });
    monitorview::bindQueueGauges(m_queue, *m_monitorWindow);
    m_infoTabs = std::make_unique<monitorview::InfoTabs>(*m_monitorWindow, config, mon, *m_faultLog, m_commandLibrary, m_channel);
    monitorview::wireMonitor(mon, *m_monitorWindow, *m_infoTabs, ini, m_sysMod);
    QObject::connect(m_infoTabs.get(), &monitorview::InfoTabs::installationCodeRead, m_infoTabs.get(),
                     [this, &config](const QString &code, const QString &label) {
                         if (m_shaftWindow) m_shaftWindow->setWindowTitle(code);
                         if (shell::LogonLogFile *log = config.logOnLog(); log && !code.isEmpty()) log->write(label);
                     });
    m_monitorWindow->confirmReset = [this, &config] {
        return QMessageBox::warning(m_monitorWindow, QStringLiteral("Achtung"), config.languageText(QStringLiteral("unit43"), 7),
                                    QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
    };
    controller.registerShutdownProc([this] { m_monitor->monitorHalt(); });
    // Routed like every other request of the monitor, to the group member chosen.
    m_readingTabs = std::make_unique<monitorview::ReadingTabs>(*m_monitorWindow, m_commandLibrary, m_channel, m_timers.clock(),
                                                               config, mon, &m_program.mainWindow());
    monitorview::wireReadingTabs(*m_readingTabs, *m_infoTabs, *m_monitorWindow);
    wireShaft();
    wireTestTabs();
}

// The shaft window shows what the monitor decodes; it docks into the main window's report panel.
void Haltron::wireShaft()
{
    shell::Configuration &config = m_program.config();
    m_shaftWindow = new shaft::ShaftWindow(m_timers, &m_program.mainWindow());
    shaft::ShaftWindow &shaftWindow = *m_shaftWindow;
    shaftWindow.hide();
    shaftWindow.onLog = [](const QString &text) { core::reports().write(text); };
    const int cabinTimer = config.mainIni().readInteger(QStringLiteral("unit43"), QStringLiteral("Kabinentimer"), 0);
    m_monitorWindow->setCabinTimer(cabinTimer);
    shaftWindow.setCabinTimer(m_monitorWindow->cabinTimer());
    QObject::connect(m_monitorWindow, &monitorview::MonitorWindow::cabinTimerChanged, m_shaftWindow, &shaft::ShaftWindow::setCabinTimer);
    m_program.controller().registerShutdownProc([this] { if (m_shaftWindow) m_shaftWindow->halt(); });

    m_shaftBinding = std::make_unique<monitorview::ShaftBinding>(*m_monitor, m_shaftWindow,
                                                           [this] { return m_program.mainWindow().reportPanel(); });
    m_monitor->setShaftView(m_shaftBinding.get());
}

void Haltron::wireMonitorEvents()
{
    // The main controller hears the monitor from here on; the monitor's halt lets go of it.
    shell::MainController &controller = m_program.controller();
    QObject::connect(m_monitor.get(), &monitor::MonitorControl::statusText, &controller,
                     &shell::MainController::monitorStatusText);
    QObject::connect(m_monitor.get(), &monitor::MonitorControl::partnerLinked, &controller,
                     &shell::MainController::monitorLinked);
}

// The monitor window's lamp shows the link, and the monitor hears it from
// then on, starting with the state it is in.
void Haltron::bindMonitorLinkLamp()
{
    if (!comlink::bindLinkLamp(*m_monitorWindow->linkLed(), m_port)) return;
    QObject::connect(&m_port, &comlink::ComPort::linkChanged, m_monitorWindow.data(), [this](bool linked) { m_monitor->linkChanged(linked); });
    m_monitor->linkChanged(m_port.isLinked());
}

// Where the monitor window's telephone tab would hold them: the session panel
// and the lamp window in the main window's tool host.
void Haltron::showSessionWindows()
{
    shell::MainController &controller = m_program.controller();
    QWidget *host = m_monitorWindow ? m_monitorWindow->tabPage(monitorview::MonitorWindow::TelephoneTab)
                                    : m_program.mainWindow().rightPanel();
    m_panel->showSessionPanel(host, 0, 0);
    m_panel->adjustSize();  // docked without a layout, the windows take their own size
    m_lampWindow->showLeds(host, 0, m_panel->height(), false);
    m_lampWindow->adjustSize();
    // The partner goes to the monitor (or straight to the main window in a
    // batch visit); the panel's status is the link state; the monitor window
    // counts the session's texts, and a hang-up halts the monitor first.
    panels::SessionPanel &panel = m_panel->logic();
    QObject::connect(&panel, &panels::SessionPanel::linked, &controller, [this, &controller](const QString &name) {
        if (m_monitor) m_monitor->onLinkUp(name);
        else controller.linkTo(name);
    });
    QObject::connect(&panel, &panels::SessionPanel::statusChanged, &controller,
                     [&controller](const QString &text) { controller.setStatusText(1, text); });
    if (m_monitorWindow) {
        QObject::connect(&panel, &panels::SessionPanel::partnerTextChanged, m_monitorWindow,
                         [window = m_monitorWindow.data()](const QString &) { window->countSessionText(); });
    }
    QObject::connect(&m_session, &session::RemoteSession::hangingUp, &m_session, [this] {
        if (m_monitor) m_monitor->monitorHalt();
    });
    // With an automatic start the panel dials the configured number once the
    // modem is ready; the batch dials by itself.
    if (!controller.batchMode() && (controller.autoLink() || controller.autoPanel()) && !m_session.dialNumber().isEmpty())
        m_panel->logic().autoDial();
}

// The monitor window's first show without the start page digit: the session's
// automatic dial (with the modem ready and digit 4) and the phone book as its dial.
void Haltron::sessionFirstShow(bool autoPanel)
{
    if (!m_panel || m_monitor->linkMode() != monitor::MonitorControl::ModemLink) return;
    panels::SessionPanel &panel = m_panel->logic();
    if (m_session.modemReady() && autoPanel && !panel.connected()) panel.autoDial();
    auto *phoneBook = m_program.mainWindow().findChild<comlink::PhoneBookWindow *>();
    if (!phoneBook) return;
    panel.dialProc = [this, phoneBook] {
        if (phoneBook->exec() != QDialog::Accepted) return false;
        m_session.setDialNumber(phoneBook->selectedNumber());
        return true;
    };
}

void Haltron::stopSession()
{
    if (!m_modem) return;
    m_session.stopMst([](const QString &text) { core::reports().debug(text); });
    m_session.sessionHalt([](const QString &text) { core::reports().write(text); });
    // The windows may go before this object does.
    unregisterPanelLamps();
}

void Haltron::wireMain()
{
    shell::MainController &controller = m_program.controller();
    controller.linkState = [this] { return m_port.isLinked(); };
    QObject::connect(&m_port, &comlink::ComPort::linkChanged, &controller, &shell::MainController::linkChanged);
    shell::wireMainController(controller, m_port, m_queue);
}

void Haltron::setLocalRoute()
{
    m_queue.setRoute(&m_localRoute);
    m_line.setLinkMode(0);
}

void Haltron::setRemoteRoute()
{
    if (!m_modem) {
        m_modem = std::make_unique<comlink::ModemControl>(m_port, m_framedLink, m_timers);
        m_modem->readSettings = [this] {
            const core::IniFile &ini = m_program.config().mainIni();
            const auto key = [&ini](const char *name, const QString &fallback) {
                return ini.readString(QStringLiteral("modem"), QString::fromLatin1(name), fallback);
            };
            comlink::ModemSettings settings;
            settings.i1 = key("i1", settings.i1);
            settings.i2 = key("i2", settings.i2);
            settings.i3 = key("i3", settings.i3);
            settings.askModem = key("askmodem", settings.askModem);
            settings.echoOff = key("echooff", settings.echoOff);
            return settings;
        };
        m_port.onConnectChange = [this](bool on) {
            if (m_lampWindow) m_lampWindow->lamps().setConnected(on);
            m_session.connectChange(on);
        };
        if (m_panel) {
            comlink::bindLinkLamp(m_panel->kavcomLamp(), m_port);
            comlink::bindLinkLamp(m_panel->modemLamp(), m_port);
        }
        if (m_portWindow) {
            m_portWindow->setModem(*m_modem);
            m_portWindow->setFraming(m_framedLink);
        }
    }
    m_line.setLinkMode(1);
    m_queue.setRoute(&m_framedRoute);
}

void Haltron::createBatch()
{
    shell::Configuration &config = m_program.config();
    shell::MainController &controller = m_program.controller();
    const core::IniFile &ini = config.mainIni();

    batch::BatchParams params;
    params.logFile = config.paramValue(QStringLiteral("/f="));
    params.dialNumber = config.paramValue(QStringLiteral("/t="));
    params.comment = config.paramValue(QStringLiteral("/c="));
    params.groupList = config.paramValue(QStringLiteral("/g="));
    params.summaryFile = config.paramValue(QStringLiteral("/j="));
    params.modem = shell::readStartMethod(ini.readString(QStringLiteral("Start"), QStringLiteral("methode"), QStringLiteral("?"))).modemMode;
    params.iniVersion = ini.readString(QStringLiteral("Version Info Keys"), QStringLiteral("FileVersion"), QStringLiteral("0.0"));
    params.verifyReadings = ini.readBool(QStringLiteral("batch"), QStringLiteral("verify"), true);

    batch::BatchTexts texts{monitor::MonitorTextLists::fromLanguage(config.languageIni()),
                            monitor::FaultListTexts::fromLanguage(config.languageIni()), config.getErrorFile()};
    m_batch = std::make_unique<batch::BatchProcess>(m_timers, m_channel, m_batchLink, std::move(texts), std::move(params));
    batch::wireBatch(*m_batch, controller, m_program.mainWindow(), config, [this] { m_program.quit(); });
}

// The modem dialogue holds the dial while the initialisation or the test still runs.
void Haltron::batchDial(const QString &number)
{
    if (!m_modem) {
        m_batch->batchDialError(QStringLiteral("kein Modem"));
        return;
    }
    m_modem->dial(
        number,
        [this](const QString &name) {
            m_panel->logic().partnerLinked(name);
            m_batch->batchVisit(name);
        },
        [this](const QString &text) { m_batch->batchDialError(text); });
}

int Haltron::exitStatus() const { return m_batch ? m_batch->exitStatus() : 0; }

}  // namespace app
