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

StartMethod ReadStartMethod(const QString &methode)
{
    const QString digits = methode + QStringLiteral("00000");
    const auto on = [&](int k) { return digits.at(k - 1) == QLatin1Char('1'); };
    return StartMethod{on(1), on(2), on(3), on(4), on(5)};
}

MainController::MainController(Configuration &config, ReportsRecord &reports, core::TimerFactory &timers)
    : m_config(config), m_reports(reports), m_startTimer(timers.createTimer()), m_messageTimer(timers.createTimer()),
      m_portHaltTimer(timers.createTimer())
{
    m_startTimer->setCallback([this] { StartTimerTimer(); });
    m_messageTimer->setInterval(3000);
    m_messageTimer->setCallback([this] {
        m_messageTimer->stop();
        call(view.setMessage, QString());
    });
    m_portHaltTimer->setSingleShot(true);
    m_portHaltTimer->setCallback([this] { finishQuit(); });
    // Debug lines always reach the main log once the main window exists.
    m_reports.setFlag(ReportDebugBit);
}

MainController::~MainController()
{
    // Hooks handed out by the start settings point here; give the log its plain ones back.
    if (TLogFile *log = m_config.MainLog()) log->OnWrite = nullptr;
    if (m_reports.ReportDebug) {
        ReportsRecord *reports = &m_reports;
        m_reports.ReportDebug = [reports](const QString &text) { reports->writeIf(ReportDebugBit, text); };
    }
}

void MainController::setLamps(core::LinkLamp *lineLamp, core::LinkLamp *linkLamp)
{
    m_lineLamp = lineLamp;
    m_linkLamp = linkLamp;
}

void MainController::ApplyStartSettings()
{
    if (TLogFile *log = m_config.MainLog()) log->OnWrite = [this](const QString &line) { MainLogMirror(line); };
    m_reports.ReportDebug = [this](const QString &text) { debugReport(text); };

    const core::IniFile &ini = m_config.MainIni;
    const StartMethod method = ReadStartMethod(ini.readString(QStringLiteral("Start"), QStringLiteral("methode"), QStringLiteral("?")));
    StartPage = method.StartPage;
    ModemMode = method.ModemMode;
    FileMode = method.FileMode;
    AutoPanel = method.AutoPanel;
    AutoLink = method.AutoLink;
    BatchMode = m_config.ParamValue(QStringLiteral("/b")) == QLatin1String("atch");
    BatchRunning = false;

    call(hooks.setMonitorFileMode, FileMode);
    call(hooks.setMonitorStatusHook, [this](int index, const QString &text) { SetStatusText(index, text); });
    if (m_linkLamp) call(hooks.registerLinkLed, *m_linkLamp);
    ComPort = m_config.GetComPort();

    applyBatchAndDialSettings();
    call(hooks.setComPort, ComPort);

    SetStatusText(PanelPort, QStringLiteral("COM") + QString::number(ComPort));
    ShowLinkMode();
    applyRoute();

    if (AutoLink) {
        m_startCount = 0;
        m_startTimer->start(StartTick);
    }

    Version = ini.readString(QStringLiteral("Version Info Keys"), QStringLiteral("FileVersion"), QStringLiteral("0.0"));
    call(view.setPanelText, int(PanelVersion), QStringLiteral(" version ") + Version);
    call(hooks.setQueueErrorHook, [this](const QString &text) { debugReport(text); });

    if (!m_config.LogErrors.isEmpty()) ShowMessageField(m_config.LogErrors.join(QStringLiteral("; ")));
}

void MainController::applyBatchAndDialSettings()
{
    const core::IniFile &ini = m_config.MainIni;
    if (BatchMode) {
        call(view.setWindowWidth, 300);
        call(view.setCaption, QStringLiteral("Batch Prozess"));
        call(hooks.setDialNumber, m_config.ParamValue(QStringLiteral("/t=")));
        AutoLink = true;
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
    call(hooks.setPortText, [this](const QString &text) { SetStatusText(PanelPort, text); });
    if (ModemMode) {
        call(hooks.setRemoteRoute);
        call(hooks.monitorLinkToMst);
    } else {
        call(hooks.setLocalRoute);
        call(hooks.monitorLinkToZbl);
    }
    call(hooks.setMonitorLinkMode, ModemMode);
    call(hooks.setMonitorLinkHook, [this](const QString &name) { LinkTo(name); });
}

void MainController::debugReport(const QString &text)
{
    ShowMessageField(text);
    m_reports.writeIf(ReportDebugBit, text);
}

void MainController::StartTimerTimer()
{
    m_startTimer->stop();
    ++m_startCount;
    switch (m_startCount) {
    case AutoLinkCount:
        SetStatusText(PanelLinkState, QStringLiteral("AUTO LINK.BUTTON"));
        LinkAction();
        break;
    case BatchStartCount:
        if (BatchMode) {
            SetStatusText(PanelLinkState, QStringLiteral("BATCH BETRIEB"));
            call(hooks.startBatch);
            return;  // the batch process owns the timer from here
        }
        break;
    case StartEndCount:
        SetStatusText(PanelLinkState, QString());
        m_startTimer->setCallback(nullptr);
        return;
    default:
        break;
    }
    m_startTimer->start();
}

void MainController::Quit()
{
    if (Closing) return;
    Closing = true;
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
    if (TLogFile *log = m_config.MainLog()) log->OnWrite = nullptr;
    m_quitDone = true;
    call(view.quitApplication);
}

void MainController::RegisterShutdownProc(std::function<void()> proc) { m_shutdownList.push_back(std::move(proc)); }

void MainController::SetStatusText(int index, const QString &text)
{
    if (index <= PanelVersion || index >= StatusPanelCount) return;
    call(view.setPanelText, index, QLatin1Char(' ') + text);
    if (index == PanelLinkState && BatchMode) call(hooks.batchLine, text);
}

void MainController::ShowMessageField(const QString &text)
{
    if (text.isEmpty()) {
        m_messageTimer->stop();
        call(view.setMessage, QString());
        return;
    }
    call(view.setMessage, QLatin1Char(' ') + text + QLatin1Char(' '));
    m_messageTimer->start(MessageTime);
}

void MainController::LinkTrace(const QString &text) { m_reports.writeIf(ReportLink, text); }

void MainController::ShowLinkMode()
{
    QString mode = QStringLiteral("[LOKAL]");
    if (FileMode) mode = QStringLiteral("[FILE]");
    if (ModemMode) mode = QStringLiteral("[MODEM]");
    const QString notLinked = m_config.LanguageText(QStringLiteral("main"), QStringLiteral("32"));
    SetStatusText(PanelLinkMode, mode + QLatin1Char(' ') + notLinked);
    SetModeLampColour(core::colour::Red);
    SetStatusText(PanelLinkState, QLatin1Char(' ') + notLinked);
}

void MainController::SetModeLampColour(unsigned bgr) { call(view.setModeLampColour, bgr); }

void MainController::SetEditVersion(const QString &caption)
{
    EditVersion = caption;
    call(view.setCaption, caption);
}

void MainController::LinkLedChanged(unsigned bgr)
{
    if (bgr == core::colour::Red) {
        if (hooks.monitorResetInProgress && hooks.monitorResetInProgress()) return;
        LinkTrace(QStringLiteral("link_led: FALSE"));
        ShowLinkMode();
        call(hooks.monitorLinkLost);
        call(view.setLinkButtonEnabled, true);
        SetStatusText(PanelLinkState, QStringLiteral("NO LINK"));
    } else if (bgr == core::colour::Green) {
        call(view.setLinkButtonEnabled, false);
        call(hooks.showMonitor);
        LinkTrace(QStringLiteral("link_led: TRUE"));
        SetStatusText(PanelLinkState, QLatin1Char(' ') + m_config.LanguageText(QStringLiteral("main"), QStringLiteral("33")));
    } else {
        SetStatusText(PanelLinkMode, QStringLiteral("[line status ??]"));
        SetStatusText(PanelLinkState, QStringLiteral("??"));
    }
}

void MainController::LinkAction()
{
    if (m_linkLamp) call(m_linkLamp->onClick);
    call(view.setReportVisible, true);
    if (AutoLink) call(hooks.requestInit);
}

void MainController::LinkTo(const QString &name)
{
    if (name.isEmpty()) return;
    if (TLogOnFile *log = m_config.LogOnLog()) log->Write(name);
    call(view.appendReport, QStringLiteral("link to: ") + name);
    if (!BatchMode) call(view.setReportVisible, false);
}

void MainController::MainLogMirror(const QString &line)
{
    if (MirrorOn) call(view.appendReport, line);
}

}  // namespace shell
