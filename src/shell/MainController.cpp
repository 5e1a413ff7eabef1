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
        call(view.setMessage, QString());
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
    if (m_reports.reportDebug) {
        core::ReportSink *reports = &m_reports;
        m_reports.reportDebug = [reports](const QString &text) { reports->writeIf(core::ReportDebugBit, text); };
    }
}

void MainController::setLamps(core::LinkLamp *lineLamp, core::LinkLamp *linkLamp)
{
    m_lineLamp = lineLamp;
    m_linkLamp = linkLamp;
}

void MainController::applyStartSettings()
{
    if (MainLogFile *log = m_config.mainLog()) log->onWrite = [this](const QString &line) { mainLogMirror(line); };
    m_reports.reportDebug = [this](const QString &text) { debugReport(text); };

    const core::IniFile &ini = m_config.mainIni;
    const StartMethod method = readStartMethod(ini.readString(QStringLiteral("Start"), QStringLiteral("methode"), QStringLiteral("?")));
    startPage = method.startPage;
    modemMode = method.modemMode;
    fileMode = method.fileMode;
    autoPanel = method.autoPanel;
    autoLink = method.autoLink;
    batchMode = m_config.paramValue(QStringLiteral("/b")) == QLatin1String("atch");
    batchRunning = false;

    call(hooks.setMonitorFileMode, fileMode);
    call(hooks.setMonitorStatusHook, [this](int index, const QString &text) { setStatusText(index, text); });
    if (m_linkLamp) call(hooks.registerLinkLed, *m_linkLamp);
    comPort = m_config.getComPort();

    applyBatchAndDialSettings();
    call(hooks.setComPort, comPort);

    setStatusText(PanelPort, QStringLiteral("COM") + QString::number(comPort));
    showLinkMode();
    applyRoute();

    if (autoLink) {
        m_startCount = 0;
        m_startTimer->start(StartTick);
    }

    version = ini.readString(QStringLiteral("Version Info Keys"), QStringLiteral("FileVersion"), QStringLiteral("0.0"));
    call(view.setPanelText, int(PanelVersion), QStringLiteral(" version ") + version);
    call(hooks.setQueueErrorHook, [this](const QString &text) { debugReport(text); });

    if (!m_config.logErrors.isEmpty()) showMessageField(m_config.logErrors.join(QStringLiteral("; ")));
}

void MainController::applyBatchAndDialSettings()
{
    const core::IniFile &ini = m_config.mainIni;
    if (batchMode) {
        call(view.setWindowWidth, 300);
        call(view.setCaption, QStringLiteral("Batch Prozess"));
        call(hooks.setDialNumber, m_config.paramValue(QStringLiteral("/t=")));
        autoLink = true;
        call(hooks.clearMonitorStart);
    } else {
        call(hooks.setDialNumber, ini.readString(QStringLiteral("modem"), QStringLiteral("defaultdial")));
    }
    call(hooks.setDialTimeout, ini.readInteger(QStringLiteral("time"), QStringLiteral("Dial_Timeout"), 45));
}

void MainController::applyRoute()
{
    call(hooks.setPortOpenHooks, [this] { if (m_lineLamp) m_lineLamp->setLampColour(core::colour::Green); },
         [this] { if (m_lineLamp) m_lineLamp->setLampColour(core::colour::Red); });
    call(hooks.setPortText, [this](const QString &text) { setStatusText(PanelPort, text); });
    if (modemMode) {
        call(hooks.setRemoteRoute);
        call(hooks.monitorLinkToMst);
    } else {
        call(hooks.setLocalRoute);
        call(hooks.monitorLinkToZbl);
    }
    call(hooks.setMonitorLinkMode, modemMode);
    call(hooks.setMonitorLinkHook, [this](const QString &name) { linkTo(name); });
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
        if (batchMode) {
            setStatusText(PanelLinkState, QStringLiteral("BATCH BETRIEB"));
            call(hooks.startBatch);
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
    if (closing) return;
    closing = true;
    call(hooks.setRemoteClosing);
    call(hooks.setMonitorClosing);
    call(hooks.setPortText, MainHooks::TextHook());
    if (view.reportVisible && !view.reportVisible()) {
        call(view.setReportVisible, true);
        call(hooks.toggleShaftVisible);
    }
    m_reports.debug(QStringLiteral("main/FormCloseQuery/Stoppe Systemprozesse...bitte warten...."));
    call(hooks.haltMonitor);
    call(hooks.haltLcd);
    call(hooks.haltZblPort);
    call(hooks.stopQueue);
    // A copy: a halt procedure may register another one.
    const auto procs = m_shutdownList;
    for (const auto &proc : procs) call(proc);
    call(hooks.setPortClosing);
    m_startTimer->stop();
    m_messageTimer->stop();
    m_portHaltTimer->start(PortHaltPause);
}

void MainController::finishQuit()
{
    call(hooks.portHalt);
    if (MainLogFile *log = m_config.mainLog()) log->onWrite = nullptr;
    m_quitDone = true;
    call(view.quitApplication);
}

void MainController::registerShutdownProc(std::function<void()> proc) { m_shutdownList.push_back(std::move(proc)); }

void MainController::setStatusText(int index, const QString &text)
{
    if (index <= PanelVersion || index >= StatusPanelCount) return;
    call(view.setPanelText, index, QLatin1Char(' ') + text);
    if (index == PanelLinkState && batchMode) call(hooks.batchLine, text);
}

void MainController::showMessageField(const QString &text)
{
    if (text.isEmpty()) {
        m_messageTimer->stop();
        call(view.setMessage, QString());
        return;
    }
    call(view.setMessage, QLatin1Char(' ') + text + QLatin1Char(' '));
    m_messageTimer->start(MessageTime);
}

void MainController::linkTrace(const QString &text) { m_reports.writeIf(core::ReportLink, text); }

void MainController::showLinkMode()
{
    QString mode = QStringLiteral("[LOKAL]");
    if (fileMode) mode = QStringLiteral("[FILE]");
    if (modemMode) mode = QStringLiteral("[MODEM]");
    const QString notLinked = m_config.languageText(QStringLiteral("main"), QStringLiteral("32"));
    setStatusText(PanelLinkMode, mode + QLatin1Char(' ') + notLinked);
    setModeLampColour(core::colour::Red);
    setStatusText(PanelLinkState, QLatin1Char(' ') + notLinked);
}

void MainController::setModeLampColour(unsigned bgr) { call(view.setModeLampColour, bgr); }

void MainController::setEditVersion(const QString &caption)
{
    editVersion = caption;
    call(view.setCaption, caption);
}

void MainController::linkLedChanged(unsigned bgr)
{
    if (bgr == core::colour::Red) {
        if (hooks.monitorResetInProgress && hooks.monitorResetInProgress()) return;
        linkTrace(QStringLiteral("link_led: FALSE"));
        showLinkMode();
        call(hooks.monitorLinkLost);
        call(view.setLinkButtonEnabled, true);
        setStatusText(PanelLinkState, QStringLiteral("NO LINK"));
    } else if (bgr == core::colour::Green) {
        call(view.setLinkButtonEnabled, false);
        call(hooks.showMonitor);
        linkTrace(QStringLiteral("link_led: TRUE"));
        setStatusText(PanelLinkState, QLatin1Char(' ') + m_config.languageText(QStringLiteral("main"), QStringLiteral("33")));
    } else {
        setStatusText(PanelLinkMode, QStringLiteral("[line status ??]"));
        setStatusText(PanelLinkState, QStringLiteral("??"));
    }
}

void MainController::linkAction()
{
    if (m_linkLamp) call(m_linkLamp->onClick);
    call(view.setReportVisible, true);
    if (autoLink) call(hooks.requestInit);
}

void MainController::linkTo(const QString &name)
{
    if (name.isEmpty()) return;
    if (LogonLogFile *log = m_config.logOnLog()) log->write(name);
    call(view.appendReport, QStringLiteral("link to: ") + name);
    if (!batchMode) call(view.setReportVisible, false);
}

void MainController::mainLogMirror(const QString &line)
{
    if (mirrorOn) call(view.appendReport, line);
}

}  // namespace shell
