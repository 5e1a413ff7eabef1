#include "MainController.h"

namespace shell {

namespace {

template <typename Hook, typename... Args>
void call(const Hook &hook, Args &&...args)
{
    if (hook) hook(std::forward<Args>(args)...);
}

constexpr int StartTick = 100;
constexpr int MessageTime = 4000;
constexpr int PortHaltPause = 100;
constexpr int AutoLinkCount = 2;
constexpr int BatchStartCount = 19;
constexpr int StartEndCount = 25;

}  // namespace

StartMethod readStartMethod(const QString &methode)
{
    const QString digits = methode + QStringLiteral("00000");
    const auto on = [&](int k) { return digits.at(k - 1) == QLatin1Char('1'); };
    return StartMethod{on(1), on(2), on(3), on(4), on(5)};
}

MainController::MainController(Configuration &config, core::ReportSink &reports, core::TimerFactory &timers)
    : m_config(config), m_reports(reports), m_startTimer(timers.createTimer()), m_messageTimer(timers.createTimer()),
      m_portHaltTimer(timers.createTimer())
{
    m_startTimer->setCallback([this] { startTimerTimer(); });
    m_messageTimer->setInterval(3000);
    m_messageTimer->setCallback([this] {
        m_messageTimer->stop();
        call(m_view.setMessage, QString());
    });
    m_portHaltTimer->setSingleShot(true);
    m_portHaltTimer->setCallback([this] { finishQuit(); });
    // Debug lines always reach the main log once the main window exists.
    m_reports.setFlag(core::ReportDebugBit);
}

MainController::~MainController()
{
    // Hooks handed out by the start settings point here; give the log its plain ones back.
    if (MainLogFile *log = m_config.mainLog()) log->onWrite = nullptr;
    m_config.onLogError = nullptr;
    if (m_reports.reportDebug) {
        core::ReportSink *reports = &m_reports;
        m_reports.reportDebug = [reports](const QString &text) { reports->writeIf(core::ReportDebugBit, text); };
    }
}

void MainController::applyStartSettings()
{
    if (MainLogFile *log = m_config.mainLog()) log->onWrite = [this](const QString &line) { mainLogMirror(line); };
    m_reports.reportDebug = [this](const QString &text) { debugReport(text); };

    const core::IniFile &ini = m_config.mainIni();
    const StartMethod method = readStartMethod(ini.readString(QStringLiteral("Start"), QStringLiteral("methode"), QStringLiteral("?")));
    m_startPage = method.startPage;
    m_modemMode = method.modemMode;
    m_fileMode = method.fileMode;
    m_autoPanel = method.autoPanel;
    m_autoLink = method.autoLink;
    m_batchMode = m_config.batchRequested();
    m_batchRunning = false;

    call(m_hooks.setMonitorFileMode, m_fileMode);
    call(m_hooks.setMonitorStatusHook, [this](int index, const QString &text) { setStatusText(index, text); });
    // The link lamp starts with the port's state, and so does all that hangs on it.
    if (m_hooks.isLinked) linkChanged(m_hooks.isLinked());
    m_comPort = m_config.getComPort();

    applyBatchAndDialSettings();
    call(m_hooks.setComPort, m_comPort);

    setStatusText(PanelPort, QStringLiteral("COM") + QString::number(m_comPort));
    showLinkMode();
    applyRoute();

    if (m_autoLink) {
        m_startCount = 0;
        m_startTimer->start(StartTick);
    }

    m_version = ini.readString(QStringLiteral("Version Info Keys"), QStringLiteral("FileVersion"), QStringLiteral("0.0"));
    call(m_view.setPanelText, int(PanelVersion), QStringLiteral(" version ") + m_version);
    call(m_hooks.setQueueErrorHook, [this](const QString &text) { debugReport(text); });

    if (!m_config.logErrors().isEmpty()) showMessageField(m_config.logErrors().join(QStringLiteral("; ")));
    m_config.onLogError = [this](const QString &text) { showMessageField(text); };
}

void MainController::applyBatchAndDialSettings()
{
    const core::IniFile &ini = m_config.mainIni();
    if (m_batchMode) {
        call(m_view.setWindowWidth, 300);
        call(m_view.setCaption, QStringLiteral("Batch Prozess"));
        call(m_hooks.setDialNumber, m_config.paramValue(QStringLiteral("/t=")));
        m_autoLink = true;
        call(m_hooks.clearMonitorStart);
    } else {
        call(m_hooks.setDialNumber, ini.readString(QStringLiteral("modem"), QStringLiteral("defaultdial")));
    }
    call(m_hooks.setDialTimeout, ini.readInteger(QStringLiteral("time"), QStringLiteral("Dial_Timeout"), 45));
}

void MainController::applyRoute()
{
    call(m_hooks.setPortOpenHooks, [this] { call(m_view.showPortOpen, true); }, [this] { call(m_view.showPortOpen, false); });
    call(m_hooks.setPortText, [this](const QString &text) { setStatusText(PanelPort, text); });
    if (m_modemMode) {
        call(m_hooks.setRemoteRoute);
        call(m_hooks.monitorLinkToMst);
    } else {
        call(m_hooks.setLocalRoute);
        call(m_hooks.monitorLinkToZbl);
    }
    call(m_hooks.setMonitorLinkMode, m_modemMode);
    call(m_hooks.setMonitorLinkHook, [this](const QString &name) { linkTo(name); });
}

void MainController::debugReport(const QString &text)
{
    showMessageField(text);
    m_reports.writeIf(core::ReportDebugBit, text);
}

void MainController::startTimerTimer()
{
    m_startTimer->stop();
    ++m_startCount;
    switch (m_startCount) {
    case AutoLinkCount:
        setStatusText(PanelLinkState, QStringLiteral("AUTO LINK.BUTTON"));
        linkAction();
        break;
    case BatchStartCount:
        if (m_batchMode) {
            setStatusText(PanelLinkState, QStringLiteral("BATCH BETRIEB"));
            call(m_hooks.startBatch);
            return;  // the batch process owns the timer from here
        }
        break;
    case StartEndCount:
        setStatusText(PanelLinkState, QString());
        m_startTimer->setCallback(nullptr);
        return;
    default:
        break;
    }
    m_startTimer->start();
}

void MainController::quit()
{
    if (m_closing) return;
    m_closing = true;
    call(m_hooks.setRemoteClosing);
    call(m_hooks.setMonitorClosing);
    call(m_hooks.setPortText, MainHooks::TextHook());
    if (m_view.reportVisible && !m_view.reportVisible()) {
        call(m_view.setReportVisible, true);
        call(m_hooks.toggleShaftVisible);
    }
    m_reports.debug(QStringLiteral("main/FormCloseQuery/Stoppe Systemprozesse...bitte warten...."));
    call(m_hooks.haltMonitor);
    call(m_hooks.haltLcd);
    call(m_hooks.haltZblPort);
    call(m_hooks.stopQueue);
    // A copy: a halt procedure may register another one.
    const auto procs = m_shutdownList;
    for (const auto &proc : procs) call(proc);
    call(m_hooks.setPortClosing);
    m_startTimer->stop();
    m_messageTimer->stop();
    m_portHaltTimer->start(PortHaltPause);
}

void MainController::finishQuit()
{
    call(m_hooks.portHalt);
    if (MainLogFile *log = m_config.mainLog()) log->onWrite = nullptr;
    m_quitDone = true;
    call(m_view.quitApplication);
}

void MainController::registerShutdownProc(std::function<void()> proc) { m_shutdownList.push_back(std::move(proc)); }

void MainController::setStatusText(int index, const QString &text)
{
    if (index <= PanelVersion || index >= StatusPanelCount) return;
    call(m_view.setPanelText, index, QLatin1Char(' ') + text);
    if (index == PanelLinkState && m_batchMode) call(m_hooks.batchLine, text);
}

void MainController::showMessageField(const QString &text)
{
    if (text.isEmpty()) {
        m_messageTimer->stop();
        call(m_view.setMessage, QString());
        return;
    }
    call(m_view.setMessage, QLatin1Char(' ') + text + QLatin1Char(' '));
    m_messageTimer->start(MessageTime);
}

void MainController::linkTrace(const QString &text) { m_reports.writeIf(core::ReportLink, text); }

void MainController::showLinkMode()
{
    QString mode = QStringLiteral("[LOKAL]");
    if (m_fileMode) mode = QStringLiteral("[FILE]");
    if (m_modemMode) mode = QStringLiteral("[MODEM]");
    const QString notLinked = m_config.languageText(QStringLiteral("main"), QStringLiteral("32"));
    setStatusText(PanelLinkMode, mode + QLatin1Char(' ') + notLinked);
    showModeLamp(false);
    setStatusText(PanelLinkState, QLatin1Char(' ') + notLinked);
}

void MainController::showModeLamp(bool greeted) { call(m_view.showModeLamp, greeted); }

void MainController::setEditVersion(const QString &caption)
{
    m_editVersion = caption;
    call(m_view.setCaption, caption);
}

void MainController::linkChanged(bool linked)
{
    call(m_view.showLink, linked);
    if (!linked) {
        if (m_hooks.monitorResetInProgress && m_hooks.monitorResetInProgress()) return;
        linkTrace(QStringLiteral("link_led: FALSE"));
        showLinkMode();
        call(m_hooks.monitorLinkLost);
        call(m_view.setLinkButtonEnabled, true);
        setStatusText(PanelLinkState, QStringLiteral("NO LINK"));
    } else {
        call(m_view.setLinkButtonEnabled, false);
        call(m_hooks.showMonitor);
        linkTrace(QStringLiteral("link_led: TRUE"));
        setStatusText(PanelLinkState, QLatin1Char(' ') + m_config.languageText(QStringLiteral("main"), QStringLiteral("33")));
    }
}

void MainController::linkAction()
{
    linkLampClicked();
    call(m_view.setReportVisible, true);
    if (m_autoLink) call(m_hooks.requestInit);
}

void MainController::linkLampClicked() { call(m_hooks.linkAction); }

void MainController::linkTo(const QString &name)
{
    if (name.isEmpty()) return;
    if (LogonLogFile *log = m_config.logOnLog()) log->write(name);
    call(m_view.appendReport, QStringLiteral("link to: ") + name);
    if (!m_batchMode) call(m_view.setReportVisible, false);
}

void MainController::mainLogMirror(const QString &line)
{
    if (m_mirrorOn) call(m_view.appendReport, line);
}

}  // namespace shell
