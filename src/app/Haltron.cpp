#include "Haltron.h"

#include "link/TMyComPort.h"
#include "link/TTelefonBuch.h"
#include "monitor/FaultLog.h"
#include "monitor/LiftState.h"
#include "panels/TLEDS.h"
#include "panels/TMStPanel.h"
#include "protocol/TSend.h"
#include "protocol/TZbl_Form.h"
#include "shell/TMainForm.h"
#include "shell/Reports.h"
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
      m_session(timers),
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
    wireSession();
}

Haltron::~Haltron() { unregisterPanelLamps(); }

panels::TMStPanel *Haltron::sessionPanel() { return m_panel.data(); }
panels::TLEDS *Haltron::lampWindow() { return m_leds.data(); }

// The panel's lamps go with the windows; the port outlives them.
void Haltron::unregisterPanelLamps()
{
    if (!m_panel) return;
    m_port.UnregisterLinkLed(&m_panel->kavcomLamp());
    m_port.UnregisterLinkLed(&m_panel->modemLamp());
}

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

// Between the main window and the start selection: the session panel, the
// lamp window and the remote connection (logic only, never shown) first; the
// LCD, shaft and statistics windows take their places here once they exist.
void Haltron::createToolWindows(QWidget *mainWindow)
{
    shell::Configuration &config = m_program.Config();
    shell::MainController &controller = m_program.Controller();
    m_panel = new panels::TMStPanel(m_timers, m_sysModTransfer.translator, false, mainWindow);
    m_panel->hide();
    m_panel->logic().setSession(&m_session);
    m_panel->logic().LogOnWrite = [&config](const QString &line) {
        if (shell::TLogOnFile *log = config.LogOnLog()) log->Write(line);
    };
    controller.RegisterShutdownProc([this] { m_panel->logic().Halt(); });
    m_leds = new panels::TLEDS(m_timers, mainWindow);
    m_leds->hide();
    m_leds->OnShowLeds = [this](panels::LineLamps &lamps) { lamps.setConnected(m_port.IsConnected()); };
    controller.RegisterShutdownProc([this] { m_leds->Halt(); });
    // Hang up and let go of the line before the port's own halt closes it.
    controller.RegisterShutdownProc([this] { stopSession(); });

    new protocol::TZbl_Form(m_line, m_timers, mainWindow);
    new protocol::TSend(m_queue, mainWindow);
    auto *phoneBook = new comlink::TTelefonBuch(mainWindow);
    phoneBook->SetFileName(m_program.Config().GetPhoneBookFile());
    phoneBook->LanguageText = m_sysModTransfer.translator;
    m_portWindow = new comlink::TMyComPort(m_port, m_timers, mainWindow);
}

void Haltron::wireSession()
{
    shell::SessionPort &port = m_session.port;
    port.OpenPort = [this](int number) { return m_port.OpenPort(number); };
    port.IsConnected = [this] { return m_port.IsConnected(); };
    port.ModemTestAndInit = [this](shell::TextProc onReady) {
        if (m_modem) m_modem->ModemTestAndInit(std::move(onReady));
        else onReady(QString());
    };
    port.Dial = [this](const QString &number, shell::TextProc onLinked, shell::TextProc onError) {
        return m_modem && m_modem->Dial(number, std::move(onLinked), std::move(onError));
    };
    port.HangUp = [this] { if (m_modem) m_modem->HangUp(); };
    port.SendString = [this](const QByteArray &bytes) { return m_port.SendString(bytes); };
    port.ClosePort = [this] {
        // The orderly hang-up waits for the modem; a closing port cannot, so
        // the modem is put on-hook at once before the line goes.
        if (m_port.ModemUsed && m_port.IsOpen() && m_port.OnModemHangup) m_port.OnModemHangup();
        m_port.ClosePort();
    };

    shell::SessionWindows &windows = m_session.windows;
    windows.SetGaugeMax = [this](int maximum) { if (m_leds) m_leds->SetGaugeMax(maximum); };
    windows.SetGaugePosition = [this](int position) { if (m_leds) m_leds->SetGaugePosition(position); };
    windows.SetTimeText = [this](const QString &text) { if (m_leds) m_leds->SetTimeText(text); };
    windows.HideLeds = [this] { if (m_leds) m_leds->HideLeds(); };
    windows.ClosePanel = [this] { if (m_panel) m_panel->close(); };
    m_session.TransferHalt = [this] { m_queue.TransferHalt(); };
    m_session.InputQuery = &panels::TMStPanel::InputQuery;
}

// Where the monitor window's telephone tab would hold them: the session panel
// and the lamp window in the main window's tool host.
void Haltron::showSessionWindows()
{
    shell::MainController &controller = m_program.Controller();
    QWidget *host = m_program.MainForm().Panel1;
    m_panel->ShowSessionPanel(host, 0, 0);
    m_panel->adjustSize();  // docked without a layout, the windows take their own size
    m_leds->ShowLeds(host, 0, m_panel->height(), false);
    m_leds->adjustSize();
    m_panel->logic().SetMonitorHooks([&controller](const QString &name) { controller.LinkTo(name); },
                                     [&controller](const QString &text) { controller.SetStatusText(1, text); },
                                     nullptr, nullptr);
    // With an automatic start the panel dials the configured number once the
    // modem is ready; the batch dials by itself.
    if (!controller.BatchMode && (controller.AutoLink || controller.AutoPanel) && !m_session.DialNumber.isEmpty())
        m_panel->logic().AutoDial();
}

void Haltron::stopSession()
{
    if (!m_modem) return;
    m_session.StopMst([](const QString &text) { shell::Reports().debug(text); });
    m_session.SessionHalt([](const QString &text) { shell::Reports().write(text); });
    // The windows may go before this object does.
    unregisterPanelLamps();
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
        m_session.ComPort = port;
    };
    hooks.setLocalRoute = [this] { setLocalRoute(); };
    hooks.setRemoteRoute = [this] { setRemoteRoute(); };
    hooks.setQueueErrorHook = [this](std::function<void(const QString &)> hook) { m_queue.OnQueueError = std::move(hook); };
    hooks.stopQueue = [this] {
        m_queue.SetStopped(true);
        m_queue.TransferHalt();
    };
    hooks.haltZblPort = [this] { m_line.ZblPortHalt(); };
    hooks.setDialNumber = [this](const QString &number) { m_session.DialNumber = number; };
    hooks.setDialTimeout = [this](int seconds) {
        m_session.DialTimeout = seconds > 0 ? qMin(seconds, shell::TModem::MaxDialTimeout) : shell::TModem::DefaultDialTimeout;
    };
    hooks.setRemoteClosing = [this] { m_session.Closing = true; };
    hooks.monitorLinkToMst = [this] { showSessionWindows(); };
    hooks.requestInit = [this] { if (m_panel) m_panel->logic().RequestInit(); };
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
    if (!m_modem) {
        m_modem = std::make_unique<comlink::ModemControl>(m_port, m_kavcom, m_timers);
        m_modem->ReadSettings = [this] {
            const core::IniFile &ini = m_program.Config().MainIni;
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
        m_port.OnConnectChange = [this](bool on) {
            if (m_leds) m_leds->lamps().setConnected(on);
            m_session.ConnectChange(on);
        };
        // Only the modem route shows line traffic; the local line stays free of it.
        m_port.OnTraffic = [this](bool sent, int) {
            if (m_leds) m_leds->lamps().traffic(sent ? panels::LineLamps::TxD : panels::LineLamps::RxD);
        };
        if (m_panel) {
            m_port.RegisterLinkLed(&m_panel->kavcomLamp());
            m_port.RegisterLinkLed(&m_panel->modemLamp());
        }
        if (m_portWindow) {
            m_portWindow->setModem(*m_modem);
            m_portWindow->setFraming(
                [this](const QByteArray &payload, comlink::TMyComPort::FramedAnswer onAnswer) {
                    m_kavcom.KavcomSend(payload, [onAnswer = std::move(onAnswer)](const QByteArray &answer) {
                        onAnswer(answer.startsWith("<ERROR>"), answer);
                    });
                },
                [this](const QByteArray &frame) { m_kavcom.StartSend(frame, [](const QByteArray &) {}); },
                [this] { m_kavcom.KavcomReset(); });
        }
    }
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
    run.GaugeChanged = [&view](int maximum, int position) {
        if (view.setGaugeVisible) view.setGaugeVisible(true);
        if (view.setGauge) view.setGauge(maximum, position);
    };
    run.ErrorOutput = [](const QString &message) { std::fprintf(stderr, "haltron: %s\n", qPrintable(message)); };
    run.Dial = [this](const QString &number) { batchDial(number); };

    controller.hooks.startBatch = [&run] { run.StartBatch(); };
    controller.hooks.batchLine = [&run](const QString &text) { run.StatusText(1, text); };
    // Ended from outside (signal, window closed): the log keeps what was read.
    controller.RegisterShutdownProc([&run] { run.Halt(); });
}

// The modem dialogue holds the dial while the initialisation or the test still runs.
void Haltron::batchDial(const QString &number)
{
    if (!m_modem) {
        m_batch->BatchDialError(QStringLiteral("kein Modem"));
        return;
    }
    m_modem->Dial(
        number,
        [this](const QString &name) {
            m_panel->logic().PartnerLinked(name);
            m_batch->BatchVisit(name);
        },
        [this](const QString &text) { m_batch->BatchDialError(text); });
}

int Haltron::exitStatus() const { return m_batch ? m_batch->exitStatus() : 0; }

}  // namespace app
