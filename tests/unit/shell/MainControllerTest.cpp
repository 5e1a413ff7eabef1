#include "ShellTestSupport.h"

#include "shell/MainController.h"

#include <array>
#include <optional>

using shell::MainController;

namespace {


// Every fake writes what it was asked into one list, so the order across them shows.
struct FakeView : shell::MainView {
    bool visible = true;
    bool reportVisible() const override { return visible; }
    void setReportVisible(bool on) override { visible = on; }
};

struct FakeMonitor : shell::MonitorPort {
    explicit FakeMonitor(QStringList &calls) : calls(calls) {}
    void clearAutorun() override { calls << QStringLiteral("clearMonitorStart"); }
    void linkToZbl() override { calls << QStringLiteral("monitorLinkToZbl"); }
    void linkToMst() override { calls << QStringLiteral("monitorLinkToMst"); }
    bool resetInProgress() const override { return resetting; }
    void linkLost() override { calls << QStringLiteral("monitorLinkLost"); }
    void show() override { calls << QStringLiteral("showMonitor"); }
    void setClosing() override { calls << QStringLiteral("setMonitorClosing"); }
    void halt() override { calls << QStringLiteral("haltMonitor"); }
    void haltDisplayMirror() override { calls << QStringLiteral("haltLcd"); }
    QStringList &calls;
    bool resetting = false;
};

struct FakePort : shell::PortControl {
    explicit FakePort(QStringList &calls) : calls(calls) {}
    void setComNumber(int port) override { calls << QStringLiteral("setComPort %1").arg(port); }
    void useLocalRoute() override { calls << QStringLiteral("setLocalRoute"); }
    void useRemoteRoute() override { calls << QStringLiteral("setRemoteRoute"); }
    void haltLine() override { calls << QStringLiteral("haltZblPort"); }
    void allowClose() override { calls << QStringLiteral("setPortClosing"); }
    void halt() override { calls << QStringLiteral("portHalt"); }
    void linkAction() override { ++linkActions; }
    QStringList &calls;
    int linkActions = 0;
};

struct FakeQueue : shell::QueueControl {
    explicit FakeQueue(QStringList &calls) : calls(calls) {}
    void stop() override { calls << QStringLiteral("stopQueue"); }
    QStringList &calls;
};

struct FakeRemote : shell::RemoteControl {
    explicit FakeRemote(QStringList &calls) : calls(calls) {}
    void setDialNumber(const QString &number) override { dialNumber = number; }
    void setDialTimeout(int seconds) override { dialTimeout = seconds; }
    void setClosing() override { calls << QStringLiteral("setRemoteClosing"); }
    void requestInit() override { calls << QStringLiteral("requestInit"); }
    QStringList &calls;
    QString dialNumber = QStringLiteral("unset");
    int dialTimeout = 0;
};

}  // namespace

struct MainControllerTest : ShellFixture {
    std::unique_ptr<MainController> main;
    std::array<QString, 7> panels;
    QStringList calls;  // partners and signals, in the order they ran
    QString message;
    bool linkButtonEnabled = true;
    std::optional<bool> modeLamp, linkLamp, lineLamp;  // the status bar lamps as shown: lit or dark
    const int &linkClicks = port.linkActions;
    QStringList report;
    FakeView view;
    FakeMonitor monitor{calls};
    FakePort port{calls};
    FakeQueue queue{calls};
    FakeRemote remote{calls};
    QString &dialNumber = remote.dialNumber;
    bool &reportVisible = view.visible;

    void SetUp() override { write(QStringLiteral("de.lng"), QStringLiteral("[main]\n32=nicht verbunden\n33=verbunden\n")); }

    MainController &create(const QString &extraIni, const QStringList &params = {})
    {
        main.reset();  // it refers to the configuration about to be replaced
        startWith(QStringLiteral("[files]\nSystemDir=.\nlanguage=de.lng\n[logfiles]\nmainlogfile=main.log\nlogonfile=logon.log\nreports=01\n")
                      + extraIni,
                  params);
        main = std::make_unique<MainController>(*config, reports, time, shell::MainPartners{&monitor, &port, &queue, &remote});
        main->setView(&view);
        MainController *c = main.get();
        QObject::connect(c, &MainController::panelTextChanged, [this](int i, const QString &t) { panels.at(i) = t; });
        QObject::connect(c, &MainController::reportLine, [this](const QString &line) { report << line; });
        QObject::connect(c, &MainController::messageChanged, [this](const QString &t) { message = t; });
        QObject::connect(c, &MainController::linkButtonEnabledChanged, [this](bool on) { linkButtonEnabled = on; });
        QObject::connect(c, &MainController::modeLampChanged, [this](bool lit) { modeLamp = lit; });
        QObject::connect(c, &MainController::linkLampChanged, [this](bool lit) { linkLamp = lit; });
        QObject::connect(c, &MainController::portLampChanged, [this](bool lit) { lineLamp = lit; });
        QObject::connect(c, &MainController::captionChanged, [this](const QString &t) { calls << QStringLiteral("caption ") + t; });
        QObject::connect(c, &MainController::windowWidthRequested, [this](int w) { calls << QStringLiteral("width %1").arg(w); });
        QObject::connect(c, &MainController::quitFinished, [this] { calls << QStringLiteral("quitApplication"); });
        QObject::connect(c, &MainController::batchStartRequested, [this] { calls << QStringLiteral("startBatch"); });
        QObject::connect(c, &MainController::linkStateText, [this](const QString &t) { calls << QStringLiteral("batchLine ") + t; });
        return *main;
    }

    void applyWith(const QString &methode, const QStringList &params = {})
    {
        create(QStringLiteral("[Start]\nmethode=") + methode + QLatin1Char('\n'), params).applyStartSettings();
    }
};

TEST(StartMethod, DigitOneSetsItsFlag)
{
    struct { const char *value; bool page, modem, file, panel, link; } cases[] = {
        {"?", false, false, false, false, false},
        {"", false, false, false, false, false},
        {"1", true, false, false, false, false},
        {"00001", false, false, false, false, true},
        {"01100", false, true, true, false, false},
        {"11111", true, true, true, true, true},
        {"0x1", false, false, true, false, false},
        {"000001", false, false, false, false, false},
    };
    for (const auto &c : cases) {
        const shell::StartMethod m = shell::readStartMethod(QLatin1String(c.value));
        EXPECT_EQ((std::array{m.startPage, m.modemMode, m.fileMode, m.autoPanel, m.autoLink}),
                  (std::array{c.page, c.modem, c.file, c.panel, c.link})) << c.value;
    }
}

TEST(MainWindowSize, SmallDesktopsGetTheWindowFillingTheScreen)
{
    EXPECT_TRUE(shell::mainWindowFillsScreen(768));
    EXPECT_TRUE(shell::mainWindowFillsScreen(800));
    EXPECT_FALSE(shell::mainWindowFillsScreen(801));
}

TEST_F(MainControllerTest, ReportHooksOutliveTheController)
{
    applyWith(QStringLiteral("0"));
    main.reset();
    reports.debug(QStringLiteral("after the window"));
    reports.write(QStringLiteral("plain line"));
    const QStringList log = lines(QStringLiteral("main.log"));
    EXPECT_TRUE(log.contains(QStringLiteral("after the window")));
    EXPECT_TRUE(log.contains(QStringLiteral("plain line")));
}

TEST_F(MainControllerTest, StartSettingsShowPortVersionAndLinkMode)
{
    struct { const char *methode; const char *mode; const char *route; const char *attach; } cases[] = {
        {"00000", " [LOKAL] nicht verbunden", "setLocalRoute", "monitorLinkToZbl"},
        {"00100", " [FILE] nicht verbunden", "setLocalRoute", "monitorLinkToZbl"},
        {"01100", " [MODEM] nicht verbunden", "setRemoteRoute", "monitorLinkToMst"},
    };
    for (const auto &c : cases) {
        calls.clear();
        applyWith(QLatin1String(c.methode));
        EXPECT_EQ(panels[0], QStringLiteral(" version 0.0"));
        EXPECT_EQ(panels[1], QStringLiteral("  nicht verbunden"));
        EXPECT_EQ(panels[2], QStringLiteral(" COM1"));
        EXPECT_EQ(panels[6], QLatin1String(c.mode));
        EXPECT_EQ(modeLamp, false);
        EXPECT_TRUE(calls.contains(QLatin1String(c.route)) && calls.contains(QLatin1String(c.attach))) << c.methode;
        EXPECT_EQ(dialNumber, QString());
    }
}

TEST_F(MainControllerTest, WithoutMethodeNoStartTimerRuns)
{
    create(QStringLiteral("[modem]\ndefaultdial=0815\n")).applyStartSettings();
    EXPECT_EQ(panels[6], QStringLiteral(" [LOKAL] nicht verbunden"));
    EXPECT_EQ(dialNumber, QStringLiteral("0815"));
    time.advance(5000);
    EXPECT_EQ(linkClicks, 0);
    EXPECT_EQ(panels[1], QStringLiteral("  nicht verbunden"));
    EXPECT_EQ(time.activeTimers(), 0);
}

TEST_F(MainControllerTest, AutoLinkRunsTheLinkActionAtTwoHundredMsAndClearsAtTwoAndAHalfSeconds)
{
    applyWith(QStringLiteral("00001"));
    time.advance(199);
    EXPECT_EQ(linkClicks, 0);
    time.advance(1);
    EXPECT_EQ(panels[1], QStringLiteral(" AUTO LINK.BUTTON"));
    EXPECT_EQ(linkClicks, 1);
    EXPECT_EQ(calls.count(QStringLiteral("requestInit")), 1);
    time.advance(2299);
    EXPECT_EQ(panels[1], QStringLiteral(" AUTO LINK.BUTTON"));
    time.advance(1);
    EXPECT_EQ(panels[1], QStringLiteral(" "));
    EXPECT_EQ(time.activeTimers(), 0);
    time.advance(10000);
    EXPECT_EQ(linkClicks, 1);
    EXPECT_EQ(calls.count(QStringLiteral("startBatch")), 0);
}

TEST_F(MainControllerTest, BatchModeLinksAutomaticallyAndStartsTheBatchAtTheNineteenthTick)
{
    applyWith(QStringLiteral("0"), {QStringLiteral("/batch"), QStringLiteral("/t=0815")});
    EXPECT_TRUE(main->batchMode());
    EXPECT_TRUE(main->autoLink());
    EXPECT_EQ(dialNumber, QStringLiteral("0815"));
    EXPECT_TRUE(calls.contains(QStringLiteral("width 300")));
    EXPECT_TRUE(calls.contains(QStringLiteral("caption Batch Prozess")));
    EXPECT_TRUE(calls.contains(QStringLiteral("clearMonitorStart")));
    time.advance(1899);
    EXPECT_EQ(calls.count(QStringLiteral("startBatch")), 0);
    EXPECT_TRUE(calls.contains(QStringLiteral("batchLine AUTO LINK.BUTTON")));
    time.advance(1);
    EXPECT_EQ(panels[1], QStringLiteral(" BATCH BETRIEB"));
    EXPECT_EQ(calls.count(QStringLiteral("startBatch")), 1);
    EXPECT_FALSE(main->startTimer().isActive());
    time.advance(10000);
    EXPECT_EQ(calls.count(QStringLiteral("startBatch")), 1);
    EXPECT_EQ(panels[1], QStringLiteral(" BATCH BETRIEB"));
}

TEST_F(MainControllerTest, BatchModeWithoutNumberDialsNothing)
{
    create(QStringLiteral("[modem]\ndefaultdial=0815\n"), {QStringLiteral("/batch")}).applyStartSettings();
    EXPECT_EQ(dialNumber, QString());
}

TEST_F(MainControllerTest, QuitHaltsEverythingOnceInOrder)
{
    applyWith(QStringLiteral("00001"));
    main->registerShutdownProc([this] { calls << QStringLiteral("panel> halt"); });
    main->registerShutdownProc([this] { calls << QStringLiteral("lcd> halt"); });
    reportVisible = false;
    calls.clear();
    main->quit();
    main->quit();
    EXPECT_EQ(calls, (QStringList{"setRemoteClosing", "setMonitorClosing", "haltMonitor", "haltLcd", "haltZblPort",
                                  "stopQueue", "panel> halt", "lcd> halt", "setPortClosing"}));
    EXPECT_TRUE(reportVisible);
    // The port's texts no longer reach its panel once the shutdown began.
    main->showPortText(QStringLiteral("CLOSED"));
    EXPECT_EQ(panels[2], QStringLiteral(" COM1"));
    EXPECT_TRUE(lines(QStringLiteral("main.log")).contains(QStringLiteral("main/FormCloseQuery/Stoppe Systemprozesse...bitte warten....")));
    time.advance(99);
    EXPECT_FALSE(main->quitDone());
    time.advance(1);
    EXPECT_EQ(calls.mid(9), (QStringList{"portHalt", "quitApplication"}));
    EXPECT_TRUE(main->quitDone());
    EXPECT_FALSE(config->mainLog()->onWrite);
    // The start timer does not link after the shutdown.
    time.advance(1000);
    EXPECT_EQ(linkClicks, 0);
    main->quit();
    EXPECT_EQ(calls.count(QStringLiteral("portHalt")), 1);
}

TEST_F(MainControllerTest, LinkLampChangesShowTheLinkState)
{
    applyWith(QStringLiteral("0"));
    main->linkChanged(true);
    EXPECT_EQ(linkLamp, true);
    EXPECT_FALSE(linkButtonEnabled);
    EXPECT_TRUE(calls.contains(QStringLiteral("showMonitor")));
    EXPECT_EQ(panels[1], QStringLiteral("  verbunden"));

    main->linkChanged(false);
    EXPECT_EQ(linkLamp, false);
    EXPECT_TRUE(linkButtonEnabled);
    EXPECT_TRUE(calls.contains(QStringLiteral("monitorLinkLost")));
    EXPECT_EQ(panels[1], QStringLiteral(" NO LINK"));
    const QStringList log = lines(QStringLiteral("main.log"));
    EXPECT_LT(log.indexOf(QStringLiteral("link_led: TRUE")), log.indexOf(QStringLiteral("link_led: FALSE")));
}

TEST_F(MainControllerTest, StartShowsThePortsLinkStateWhenThereIsAPort)
{
    create(QStringLiteral("[Start]\nmethode=0\n"));
    main->linkState = [] { return false; };
    main->applyStartSettings();
    EXPECT_EQ(linkLamp, false);
    EXPECT_TRUE(calls.contains(QStringLiteral("monitorLinkLost")));
    EXPECT_TRUE(lines(QStringLiteral("main.log")).contains(QStringLiteral("link_led: FALSE")));
    // The status panel then shows the link mode's own text.
    EXPECT_EQ(panels[1], QStringLiteral("  nicht verbunden"));
}

TEST_F(MainControllerTest, LinkLossDuringControllerResetIsIgnored)
{
    applyWith(QStringLiteral("0"));
    monitor.resetting = true;
    main->linkChanged(true);
    main->linkChanged(false);
    EXPECT_EQ(linkLamp, false);  // the lamp shows the link all the same
    EXPECT_EQ(panels[1], QStringLiteral("  verbunden"));
    EXPECT_FALSE(calls.contains(QStringLiteral("monitorLinkLost")));
}

TEST_F(MainControllerTest, StatusTextGetsABlankAndPanelZeroStaysUnchanged)
{
    applyWith(QStringLiteral("0"));
    main->setStatusText(0, QStringLiteral("x"));
    main->setStatusText(7, QStringLiteral("x"));
    main->setStatusText(-1, QStringLiteral("x"));
    main->setStatusText(2, QStringLiteral("ttyUSB0"));
    EXPECT_EQ(panels[0], QStringLiteral(" version 0.0"));
    EXPECT_EQ(panels[2], QStringLiteral(" ttyUSB0"));
}

TEST_F(MainControllerTest, MessageFieldHidesAfterFourSeconds)
{
    applyWith(QStringLiteral("0"));
    main->showMessageField(QStringLiteral("Achtung"));
    EXPECT_EQ(message, QStringLiteral(" Achtung "));
    time.advance(3999);
    EXPECT_EQ(message, QStringLiteral(" Achtung "));
    time.advance(1);
    EXPECT_EQ(message, QString());
    main->showMessageField(QStringLiteral("again"));
    main->showMessageField(QString());
    EXPECT_EQ(message, QString());
    EXPECT_EQ(time.activeTimers(), 0);
}

TEST_F(MainControllerTest, DebugReportsAndQueueErrorsGoToTheMessageFieldAndTheLog)
{
    create(QString());
    // Heard only from the start settings on.
    main->queueError(QStringLiteral("too early"));
    EXPECT_EQ(message, QString());
    main->applyStartSettings();
    reports.debug(QStringLiteral("debug line"));
    EXPECT_EQ(message, QStringLiteral(" debug line "));
    main->queueError(QStringLiteral("transf.error"));
    EXPECT_EQ(message, QStringLiteral(" transf.error "));
    const QStringList log = lines(QStringLiteral("main.log"));
    EXPECT_TRUE(log.contains(QStringLiteral("debug line")));
    EXPECT_TRUE(log.contains(QStringLiteral("transf.error")));
}

TEST_F(MainControllerTest, ALogThatFailsWhileRunningIsShownOnce)
{
    applyWith(QStringLiteral("0"));
    EXPECT_EQ(message, QString());
    // The disk fills up under the running program.
    ASSERT_TRUE(config->logOnLog()->create(QStringLiteral("/dev/full")));
    config->logOnLog()->write(QStringLiteral("partner A"));
    EXPECT_EQ(message, QStringLiteral(" Logdatei /dev/full nicht geschrieben: Datenträger voll "));
    time.advance(4000);
    config->logOnLog()->write(QStringLiteral("partner B"));
    EXPECT_EQ(message, QString());
    // Once the window is gone, nothing points back into it.
    main.reset();
    ASSERT_TRUE(config->logOnLog()->create(QStringLiteral("/dev/full")));
    config->logOnLog()->write(QStringLiteral("partner C"));
}

TEST_F(MainControllerTest, MainLogIsMirroredIntoTheReportUntilTheWindowCloses)
{
    applyWith(QStringLiteral("0"));
    reports.write(QStringLiteral("mirrored"));
    main->closeRequested();
    reports.write(QStringLiteral("after close"));
    EXPECT_TRUE(report.contains(QStringLiteral("mirrored")));
    EXPECT_FALSE(report.contains(QStringLiteral("after close")));
}

TEST_F(MainControllerTest, LinkPartnerIsLoggedAndUncoversTheStoppedCaption)
{
    applyWith(QStringLiteral("0"));
    main->linkTo(QString());
    EXPECT_TRUE(reportVisible);
    main->linkTo(QStringLiteral("QRX Musterhaus"));
    EXPECT_TRUE(report.contains(QStringLiteral("link to: QRX Musterhaus")));
    EXPECT_FALSE(reportVisible);
    EXPECT_EQ(lines(QStringLiteral("logon.log")).last(), QStringLiteral("08.12.2026 04:22:31 QRX Musterhaus"));
}

TEST_F(MainControllerTest, PortHooksDriveTheLineLampAndThePortPanel)
{
    create(QStringLiteral("[Start]\nmethode=0\n"));
    // Before the start settings choose the route, the port's reports go nowhere.
    main->portOpened();
    main->showPortText(QStringLiteral("early"));
    EXPECT_EQ(lineLamp, std::nullopt);
    EXPECT_EQ(panels[2], QString());
    main->applyStartSettings();
    main->portOpened();
    EXPECT_EQ(lineLamp, true);
    main->portClosed();
    EXPECT_EQ(lineLamp, false);
    main->showPortText(QStringLiteral("COM3 offen"));
    EXPECT_EQ(panels[2], QStringLiteral(" COM3 offen"));
}

TEST_F(MainControllerTest, MonitorEventsCountFromTheStartSettingsOn)
{
    create(QStringLiteral("[Start]\nmethode=0\n"));
    main->monitorStatusText(3, QStringLiteral("early"));
    main->monitorLinked(QStringLiteral("QRX early"));
    EXPECT_EQ(panels[3], QString());
    EXPECT_TRUE(report.isEmpty());
    main->applyStartSettings();
    main->monitorStatusText(3, QStringLiteral("Monitor"));
    main->monitorLinked(QStringLiteral("QRX Musterhaus"));
    EXPECT_EQ(panels[3], QStringLiteral(" Monitor"));
    EXPECT_TRUE(report.contains(QStringLiteral("link to: QRX Musterhaus")));
    EXPECT_FALSE(report.contains(QStringLiteral("link to: QRX early")));
}

TEST_F(MainControllerTest, LinkButtonRunsTheLampClickAndShowsTheReport)
{
    applyWith(QStringLiteral("0"));
    reportVisible = false;
    main->linkAction();
    EXPECT_EQ(linkClicks, 1);
    EXPECT_TRUE(reportVisible);
    EXPECT_FALSE(calls.contains(QStringLiteral("requestInit")));
}

TEST_F(MainControllerTest, EmptyHooksAreSkipped)
{
    startWith(QStringLiteral("[Start]\nmethode=11111\n"), {QStringLiteral("/batch")});
    MainController bare(*config, reports, time);
    bare.applyStartSettings();
    time.advance(3000);
    bare.linkChanged(false);
    bare.linkChanged(true);
    bare.quit();
    time.advance(200);
    EXPECT_TRUE(bare.quitDone());
}
