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

MainController::MainController(Configuration &config, core::ReportSink &reports, core::TimerFactory &timers,
                               MainPartners partners)
    : m_config(config), m_reports(reports), m_startTimer(timers.createTimer()), m_messageTimer(timers.createTimer()),
      m_portHaltTimer(timers.createTimer()), m_parts(partners)
{
    m_startTimer->setCallback([this] { startTimerTimer(); });
    m_messageTimer->setInterval(3000);
    m_messageTimer->setCallback([this] {
        m_messageTimer->stop();
        emit messageChanged(QString());
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

    m_monitorStatusOn = true;
    if (linkState) linkChanged(linkState());
    m_comPort = m_config.getComPort();

    applyBatchAndDialSettings();
    if (m_parts.port) m_parts.port->setComNumber(m_comPort);

    setStatusText(PanelPort, QStringLiteral("COM") + QString::number(m_comPort));
    showLinkMode();
    applyRoute();

    if (m_autoLink) {
        m_startCount = 0;
        m_startTimer->start(StartTick);
    }

    m_version = ini.readString(QStringLiteral("Version Info Keys"), QStringLiteral("FileVersion"), QStringLiteral("0.0"));
    emit panelTextChanged(PanelVersion, QStringLiteral(" version ") + m_version);
    m_queueErrorsOn = true;

    if (!m_config.logErrors().isEmpty()) showMessageField(m_config.logErrors().join(QStringLiteral("; ")));
    connect(&m_config, &Configuration::logError, this, &MainController::showMessageField, Qt::UniqueConnection);
}

void MainController::applyBatchAndDialSettings()
{
    const core::IniFile &ini = m_config.mainIni();
    if (m_batchMode) {
        emit windowWidthRequested(300);
        emit captionChanged(QStringLiteral("Batch Prozess"));
        if (m_parts.remote) m_parts.remote->setDialNumber(m_config.paramValue(QStringLiteral("/t=")));
        m_autoLink = true;
        if (m_parts.monitor) m_parts.monitor->clearAutorun();
    } else if (m_parts.remote) {
        m_parts.remote->setDialNumber(ini.readString(QStringLiteral("modem"), QStringLiteral("defaultdial")));
    }
    if (m_parts.remote) m_parts.remote->setDialTimeout(ini.readInteger(QStringLiteral("time"), QStringLiteral("Dial_Timeout"), 45));
}

void MainController::applyRoute()
{
    m_routeChosen = true;
    if (m_modemMode) {
        if (m_parts.port) m_parts.port->useRemoteRoute();
        if (m_parts.monitor) m_parts.monitor->linkToMst();
    } else {
        if (m_parts.port) m_parts.port->useLocalRoute();
        if (m_parts.monitor) m_parts.monitor->linkToZbl();
    }
    m_monitorLinkOn = true;
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
            emit batchStartRequested();
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
    if (m_parts.remote) m_parts.remote->setClosing();
    if (m_parts.monitor) m_parts.monitor->setClosing();
    if (m_view && !m_view->reportVisible()) m_view->setReportVisible(true);
    m_reports.debug(QStringLiteral("main/FormCloseQuery/Stoppe Systemprozesse...bitte warten...."));
    if (m_parts.monitor) {
        m_parts.monitor->halt();
        m_parts.monitor->haltDisplayMirror();
    }
    if (m_parts.port) m_parts.port->haltLine();
    if (m_parts.queue) m_parts.queue->stop();
    // A copy: a halt procedure may register another one.
    const auto procs = m_shutdownList;
    for (const auto &proc : procs) call(proc);
    if (m_parts.port) m_parts.port->allowClose();
    m_startTimer->stop();
    m_messageTimer->stop();
    m_portHaltTimer->start(PortHaltPause);
}

void MainController::finishQuit()
{
    if (m_parts.port) m_parts.port->halt();
    if (MainLogFile *log = m_config.mainLog()) log->onWrite = nullptr;
    m_quitDone = true;
    emit quitFinished();
}

void MainController::registerShutdownProc(std::function<void()> proc) { m_shutdownList.push_back(std::move(proc)); }

void MainController::setStatusText(int index, const QString &text)
{
    if (index <= PanelVersion || index >= StatusPanelCount) return;
    emit panelTextChanged(index, QLatin1Char(' ') + text);
    if (index == PanelLinkState && m_batchMode) emit linkStateText(text);
}

void MainController::showMessageField(const QString &text)
{
    if (text.isEmpty()) {
        m_messageTimer->stop();
        emit messageChanged(QString());
        return;
    }
    emit messageChanged(QLatin1Char(' ') + text + QLatin1Char(' '));
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

void MainController::showModeLamp(bool greeted) { emit modeLampChanged(greeted); }

void MainController::setEditVersion(const QString &caption)
{
    m_editVersion = caption;
    emit captionChanged(caption);
}

void MainController::linkChanged(bool linked)
{
    emit linkLampChanged(linked);
    if (!linked) {
        if (m_parts.monitor && m_parts.monitor->resetInProgress()) return;
        linkTrace(QStringLiteral("link_led: FALSE"));
        showLinkMode();
        if (m_parts.monitor) m_parts.monitor->linkLost();
        emit linkButtonEnabledChanged(true);
        setStatusText(PanelLinkState, QStringLiteral("NO LINK"));
    } else {
        emit linkButtonEnabledChanged(false);
        if (m_parts.monitor) m_parts.monitor->show();
        linkTrace(QStringLiteral("link_led: TRUE"));
        setStatusText(PanelLinkState, QLatin1Char(' ') + m_config.languageText(QStringLiteral("main"), QStringLiteral("33")));
    }
}

void MainController::linkLampClicked()
{
    if (m_parts.port) m_parts.port->linkAction();
}

void MainController::linkAction()
{
    linkLampClicked();
    if (m_view) m_view->setReportVisible(true);
    if (m_autoLink && m_parts.remote) m_parts.remote->requestInit();
}

void MainController::linkTo(const QString &name)
{
    if (name.isEmpty()) return;
    if (LogonLogFile *log = m_config.logOnLog()) log->write(name);
    emit reportLine(QStringLiteral("link to: ") + name);
    if (!m_batchMode && m_view) m_view->setReportVisible(false);
}

void MainController::mainLogMirror(const QString &line)
{
    if (m_mirrorOn) emit reportLine(line);
}

void MainController::monitorStatusText(int index, const QString &text)
{
    if (m_monitorStatusOn) setStatusText(index, text);
}

void MainController::monitorLinked(const QString &name)
{
    if (m_monitorLinkOn) linkTo(name);
}

void MainController::queueError(const QString &text)
{
    if (m_queueErrorsOn) debugReport(text);
}

void MainController::showPortText(const QString &text)
{
    if (!m_routeChosen || m_closing) return;
    setStatusText(PanelPort, text);
}

void MainController::portOpened()
{
    if (m_routeChosen) emit portLampChanged(true);
}

void MainController::portClosed()
{
    if (m_routeChosen) emit portLampChanged(false);
}

}  // namespace shell
