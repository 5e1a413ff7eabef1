#include "Haltron.h"

#include "link/TMyComPort.h"
#include "link/TTelefonBuch.h"
#include "monitor/FaultLog.h"
#include "monitor/LiftState.h"
#include "protocol/TSend.h"
#include "protocol/TZbl_Form.h"
#include "shell/TMainForm.h"
#include "shell/batch/BatchProcess.h"
#include "sysmod/link_sm_zbl.h"

#include <QPlainTextEdit>

#include <cstdio>

namespace app {

Haltron::Haltron(core::TimerFactory &timers)
    : m_timers(timers),
      m_port(m_serial, timers),
      m_kavcom(timers),
      m_queue(timers),
      m_line(m_port, timers),
      m_utils(m_queue.putFunction(), timers.clock()),
      m_sysModTransfer(m_sysMod, timers),
      m_program(timers)
{
    m_line.TransferPut = m_queue.putFunction();
    m_line.SetQueueMode = [this](int mode) { m_queue.SetMode(mode); };
    m_line.AskVersion = [this](std::function<void(const QString &)> onText) {
        m_utils.GetVersion(std::move(onText));
        return true;
    };

    // The framing layer reaches the port only through these.
    m_kavcom.SendString = [this](const QByteArray &data) { return m_port.SendString(data); };
    m_kavcom.ReadChars = [this](int count) { return m_port.ReadChars(count); };
    m_kavcom.SetPortRxHook = [this](std::function<void(int)> hook) { m_port.RxHook = std::move(hook); };

    m_sysModTransfer.TransferPut = m_queue.putFunction();
    m_sysModTransfer.TransferFlush = [this] { m_queue.TransferFlush(); };
    m_sysModTransfer.SwapLineTimeout = [this](int ms) { return m_line.SwapLineTimeout(ms); };
    m_sysModTransfer.translator = [this](const QString &section, const QString &ident) {
        return m_program.Config().LanguageText(section, ident);
    };
    sysmod::link_sm_zbl(m_sysMod, m_sysModTransfer);

    m_program.DescriptionVersion = [this] { return m_sysMod.DescriptionVersion(); };
    m_program.CreateToolWindows = [this](QWidget *mainWindow) { createToolWindows(mainWindow); };
}

Haltron::~Haltron() = default;

bool Haltron::InitModules(const shell::StartEnvironment &env)
{
    if (!m_program.InitModules(env)) return false;
    shell::Configuration &config = m_program.Config();
    m_port.ConfiguredDevice = config.MainIni.readString(QStringLiteral("comport"), QStringLiteral("device"));
    m_sysMod.SetDescriptionKeys(config.GetSysLn(), config.GetSysHint());
    m_sysMod.StartUp(config.GetSysModFile(), config.GetDefaultFile());
    return true;
}

void Haltron::CreateWindows()
{
    m_program.CreateWindows();
    fillMainHooks();
    if (m_program.Config().ParamValue(QStringLiteral("/b")) == QLatin1String("atch")) createBatch();
}

// Between the main window and the start selection; the session panel, lamp
// window, remote connection, LCD, shaft and statistics windows take their
// places here once they exist.
void Haltron::createToolWindows(QWidget *mainWindow)
{
    new protocol::TZbl_Form(m_line, m_timers, mainWindow);
    new protocol::TSend(m_queue, mainWindow);
    auto *phoneBook = new comlink::TTelefonBuch(mainWindow);
    phoneBook->SetFileName(m_program.Config().GetPhoneBookFile());
    phoneBook->LanguageText = m_sysModTransfer.translator;
    new comlink::TMyComPort(m_port, m_timers, mainWindow);
}

void Haltron::fillMainHooks()
{
    shell::MainHooks &hooks = m_program.Controller().hooks;
    hooks.registerLinkLed = [this](core::LinkLamp &lamp) { m_port.RegisterLinkLed(&lamp); };
    hooks.setPortOpenHooks = [this](std::function<void()> afterOpen, std::function<void()> afterClose) {
        m_port.AddAfterOpenHandler(std::move(afterOpen));
        m_port.AddAfterCloseHandler(std::move(afterClose));
    };
    hooks.setPortText = [this](std::function<void(const QString &)> hook) { m_port.OnPortText = std::move(hook); };
    hooks.setPortClosing = [this] { m_port.CloseAllowed = true; };
    hooks.portHalt = [this] { m_port.PortHalt(); };
    hooks.setComPort = [this](int port) {
        m_line.ComNumber = port;
        m_port.ComNumber = port;
    };
    hooks.setLocalRoute = [this] { setLocalRoute(); };
    hooks.setRemoteRoute = [this] { setRemoteRoute(); };
    hooks.setQueueErrorHook = [this](std::function<void(const QString &)> hook) { m_queue.OnQueueError = std::move(hook); };
    hooks.stopQueue = [this] {
        m_queue.SetStopped(true);
        m_queue.TransferHalt();
    };
    hooks.haltZblPort = [this] { m_line.ZblPortHalt(); };
    // The modem route (dial number, dial time-out, remote closing flag, the
    // session panel's init) is wired here once the remote connection exists.
}

void Haltron::setLocalRoute()
{
    m_queue.SendLocal = [this](const QByteArray &telegram, core::AnswerProc onAnswer) {
        m_line.LineSend(telegram, std::move(onAnswer));
    };
    m_queue.IsLinkUp = [this] { return m_port.LinkUp; };
    m_line.SetLinkMode(0);
}

void Haltron::setRemoteRoute()
{
    m_line.SetLinkMode(1);
    m_queue.SendFramed = [this](const QByteArray &telegram, core::AnswerProc onAnswer) {
        m_kavcom.KavcomSend(telegram, std::move(onAnswer));
    };
    m_queue.IsLinkUp = [this] { return m_port.LinkUp; };
}

void Haltron::createBatch()
{
    shell::Configuration &config = m_program.Config();
    shell::MainController &controller = m_program.Controller();
    const core::IniFile &ini = config.MainIni;

    batch::BatchParams params;
    params.logFile = config.ParamValue(QStringLiteral("/f="));
    params.dialNumber = config.ParamValue(QStringLiteral("/t="));
    params.comment = config.ParamValue(QStringLiteral("/c="));
    params.groupList = config.ParamValue(QStringLiteral("/g="));
    params.modem = shell::ReadStartMethod(ini.readString(QStringLiteral("Start"), QStringLiteral("methode"), QStringLiteral("?"))).ModemMode;
    params.iniVersion = ini.readString(QStringLiteral("Version Info Keys"), QStringLiteral("FileVersion"), QStringLiteral("0.0"));

    batch::BatchTexts texts{monitor::MonitorTextLists::fromLanguage(config.LanguageIni),
                            monitor::FaultListTexts::fromLanguage(config.LanguageIni), config.GetErrorFile()};
    m_batch = std::make_unique<batch::BatchProcess>(m_timers, m_queue.putFunction(), std::move(texts), std::move(params));
    batch::BatchProcess &run = *m_batch;

    shell::MainView &view = controller.view;
    run.TransferStart = [this](int ms) { m_queue.TransferStart(ms); };
    run.Quit = [this] { m_program.Quit(); };
    run.AppendReport = [&view](const QString &line) { if (view.appendReport) view.appendReport(line); };
    run.ResetReport = [this] {
        QPlainTextEdit *memo = m_program.MainForm().ReportMemo;
        memo->clear();
        memo->setStyleSheet(QStringLiteral("QPlainTextEdit { background: yellow }"));
    };
    run.LinkTrace = [&controller](const QString &line) { controller.LinkTrace(line); };
    run.LogOnLogWrite = [&config](const QString &line) {
        if (shell::TLogOnFile *log = config.LogOnLog()) log->Write(line);
    };
    run.DetachMainLogMirror = [&config] {
        if (shell::TLogFile *log = config.MainLog()) log->OnWrite = nullptr;
    };
    run.SetCaption = [&view](const QString &caption) { if (view.setCaption) view.setCaption(caption); };
    run.SetWidth = [&view](int width) { if (view.setWindowWidth) view.setWindowWidth(width); };
    run.GaugeChanged = [&view](int maximum, int position) {
        if (view.setGaugeVisible) view.setGaugeVisible(true);
        if (view.setGauge) view.setGauge(maximum, position);
    };
    run.ErrorOutput = [](const QString &message) { std::fprintf(stderr, "haltron: %s\n", qPrintable(message)); };
    // run.Dial: the remote connection's dial, once the modem route is wired.

    controller.hooks.startBatch = [&run] { run.StartBatch(); };
    controller.hooks.batchLine = [&run](const QString &text) { run.StatusText(1, text); };
    // Ended from outside (signal, window closed): the log keeps what was read.
    controller.RegisterShutdownProc([&run] { run.Halt(); });
}

int Haltron::exitStatus() const { return m_batch ? m_batch->exitStatus() : 0; }

}  // namespace app
