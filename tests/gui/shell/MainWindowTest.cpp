#include "GuiTestSupport.h"

#include "shell/HelpViewer.h"
#include "shell/Program.h"
#include "shell/VersionWindow.h"
#include "shell/MainWindow.h"
#include "shell/StartSelectDialog.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace core::colour;

// The port as far as the main window reaches it: only its link action counts here.
struct LinkActionPort : shell::PortControl {
    void setComNumber(int) override {}
    void useLocalRoute() override {}
    void useRemoteRoute() override {}
    void haltLine() override {}
    void allowClose() override {}
    void halt() override {}
    void linkAction() override { ++actions; }
    int actions = 0;
};

struct MainWindowTest : ::testing::Test {
    QTemporaryDir tmp;
    LinkActionPort port;
    core::VirtualTime time;
    std::unique_ptr<shell::Program> program;
    int quitRequests = 0;

    void SetUp() override
    {
        core::reports().reset();
        writeText(tmp.filePath(QStringLiteral("test.ini")), testIni(QStringLiteral("00001")));
        writeText(tmp.filePath(QStringLiteral("de.lng")), QString::fromUtf8(testLanguage()));
        program = std::make_unique<shell::Program>(time, shell::MainPartners{nullptr, &port, nullptr, nullptr});
        const shell::StartEnvironment env{{QStringLiteral("haltron"), QStringLiteral("/i=test.ini")}, tmp.path(), tmp.path(), {}};
        ASSERT_TRUE(program->initModules(env));
        program->quitApplication = [this] { ++quitRequests; };
        program->createWindows();
        program->applyStartSettings();
        main().show();
    }

    void TearDown() override { program.reset(); }

    shell::MainWindow &main() { return program->mainWindow(); }
    QStringList mainLog() const { return readLines(tmp.filePath(QStringLiteral("log/main.log"))); }
};

TEST_F(MainWindowTest, StatusBarShowsVersionLinkStatePortAndMode)
{
    EXPECT_EQ(main().panelText(0), QStringLiteral(" version 1.6.1.0"));
    EXPECT_EQ(main().panelText(1), QStringLiteral("  nicht verbunden"));
    EXPECT_EQ(main().panelText(2), QStringLiteral(" COM1"));
    EXPECT_EQ(main().panelText(6), QStringLiteral(" [LOKAL] nicht verbunden"));
    EXPECT_EQ(main().windowTitle(), QStringLiteral("Haltron-1.6"));
    EXPECT_EQ(main().reportView()->toPlainText().split('\n').value(0), QStringLiteral("Verbindungs Report"));
    for (auto *lamp : {main().lineLamp(), main().linkLamp(), main().modeLamp()}) {
        EXPECT_EQ(lamp->lampColour(), Red);
        EXPECT_EQ(lamp->size(), QSize(17, 17));
        EXPECT_EQ(lamp->palette().color(QPalette::Window), QColor(255, 0, 0));
    }

    time.advance(200);
    EXPECT_EQ(main().panelText(1), QStringLiteral(" AUTO LINK.BUTTON"));

    program->controller().linkChanged(true);
    EXPECT_EQ(main().linkLamp()->palette().color(QPalette::Window), QColor(0, 128, 0));
    EXPECT_EQ(main().panelText(1), QStringLiteral("  verbunden"));
    EXPECT_FALSE(main().linkButton()->isEnabled());
    program->controller().linkChanged(false);
    EXPECT_EQ(main().panelText(1), QStringLiteral(" NO LINK"));
    EXPECT_TRUE(main().linkButton()->isEnabled());

    time.advance(2300);
    EXPECT_EQ(main().panelText(1), QStringLiteral(" "));
}

TEST_F(MainWindowTest, LinkButtonRunsTheLinkLampsClickAction)
{
    const int before = port.actions;
    QTest::mouseClick(main().linkButton(), Qt::LeftButton);
    EXPECT_EQ(port.actions, before + 1);
    QTest::mouseClick(main().linkLamp(), Qt::LeftButton);  // the lamp itself: the link action only
    EXPECT_EQ(port.actions, before + 2);
}

TEST_F(MainWindowTest, ExitButtonHaltsOnceAndTheLogCloses)
{
    auto &controller = program->controller();
    controller.registerShutdownProc([] { core::reports().debug(QStringLiteral("mst_panel> halt")); });
    controller.registerShutdownProc([] { core::reports().debug(QStringLiteral("mst_lcd> halt")); });

    QTest::mouseClick(main().exitButton(), Qt::LeftButton);
    QTest::mouseClick(main().exitButton(), Qt::LeftButton);
    EXPECT_EQ(quitRequests, 0);  // the port halts after its pause
    EXPECT_TRUE(main().messageField()->isVisible());
    time.advance(100);
    EXPECT_EQ(quitRequests, 1);

    program->finalize();
    const QStringList log = mainLog();
    const int stopping = log.indexOf(QStringLiteral("main/FormCloseQuery/Stoppe Systemprozesse...bitte warten...."));
    const int panel = log.indexOf(QStringLiteral("mst_panel> halt"));
    const int lcd = log.indexOf(QStringLiteral("mst_lcd> halt"));
    EXPECT_GE(stopping, 0);
    EXPECT_LT(stopping, panel);
    EXPECT_LT(panel, lcd);
    EXPECT_EQ(log.count(QStringLiteral("mst_lcd> halt")), 1);
    ASSERT_FALSE(log.isEmpty());
    EXPECT_EQ(log.last(), QStringLiteral("- zu  ** 08.12.2026 04:22:31"));
}

TEST_F(MainWindowTest, ClosingTheWindowEndsTheLoopAndTheShutdownStillRuns)
{
    main().helpViewer()->show();  // an open dialog does not keep the program alive
    main().close();
    EXPECT_EQ(quitRequests, 1);
    core::reports().write(QStringLiteral("not mirrored"));
    EXPECT_FALSE(main().reportView()->toPlainText().contains(QStringLiteral("not mirrored")));

    program->quit();  // as the program's entry does after the loop
    time.advance(100);
    EXPECT_EQ(quitRequests, 2);
    EXPECT_TRUE(program->controller().quitDone());
    program->finalize();
    EXPECT_TRUE(mainLog().contains(QStringLiteral("main/FormCloseQuery/Stoppe Systemprozesse...bitte warten....")));
}

TEST_F(MainWindowTest, MainLogLinesAppearInTheConnectionReport)
{
    core::reports().write(QStringLiteral("port> offen"));
    EXPECT_TRUE(main().reportView()->toPlainText().contains(QStringLiteral("port> offen")));
}

TEST_F(MainWindowTest, InfoButtonShowsTheVersionWindowDockedInTheHostPanel)
{
    shell::VersionWindow &version = program->versionWindow();
    EXPECT_FALSE(version.isVisible());
    QTest::mouseClick(main().infoButton(), Qt::LeftButton);
    EXPECT_TRUE(version.isVisible());
    EXPECT_EQ(version.parentWidget(), main().rightPanel());
    EXPECT_EQ(version.width(), main().rightPanel()->width());
    const QStringList lines = version.versionLines()->toPlainText().split('\n');
    ASSERT_EQ(lines.size(), 12);
    EXPECT_EQ(lines[0], QStringLiteral(" Haltron-1.6"));
    EXPECT_EQ(lines[10], QStringLiteral(" sprache    : 1.0"));
    QTest::mouseClick(version.closeButton(), Qt::LeftButton);
    EXPECT_FALSE(version.isVisible());
}

TEST_F(MainWindowTest, HelpButtonOpensTheContentsOfTheHelpFile)
{
    shell::VersionWindow &version = program->versionWindow();
    version.show();
    QTest::mouseClick(version.helpButton(), Qt::LeftButton);
    EXPECT_TRUE(main().helpViewer()->isVisible());
    EXPECT_EQ(main().helpViewer()->browser()->source(), QUrl::fromLocalFile(QStringLiteral(HALTRON_DATA_DIR "/help/haltron.html")));
    const QString text = main().helpViewer()->browser()->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("Hauptfenster")));
    EXPECT_TRUE(text.contains(QStringLiteral("Werkzeugfenster")));
}

TEST_F(MainWindowTest, HelpWithoutFileSaysWhichFileIsMissing)
{
    main().helpViewer()->setHelpFile(tmp.filePath(QStringLiteral("none.html")));
    main().showHelp(QStringLiteral("10"));
    EXPECT_TRUE(main().helpViewer()->browser()->toPlainText().contains(QStringLiteral("none.html")));
}

TEST_F(MainWindowTest, StartSelectionShowsTheButtonsOfItsMask)
{
    shell::StartSelectDialog &select = program->selectDialog();
    EXPECT_EQ(select.windowTitle(), QStringLiteral("Start Select"));
    struct { int mask; bool sysmod, steuerung, modem; } cases[] = {{3, true, true, false}, {7, true, true, true}, {4, false, false, true}};
    for (const auto &c : cases) {
        select.setMask(c.mask);
        select.show();
        EXPECT_EQ(select.sysModButton()->isVisible(), c.sysmod) << c.mask;
        EXPECT_EQ(select.controllerButton()->isVisible(), c.steuerung) << c.mask;
        EXPECT_EQ(select.modemButton()->isVisible(), c.modem) << c.mask;
        EXPECT_TRUE(select.abortButton()->isVisible());
        select.hide();
    }
    struct { QPushButton *button; int result; } results[] = {
        {select.sysModButton(), 1}, {select.controllerButton(), 6}, {select.modemButton(), 4}, {select.abortButton(), 3}};
    select.setMask(7);
    for (const auto &r : results) {
        select.show();
        QTest::mouseClick(r.button, Qt::LeftButton);
        EXPECT_EQ(select.result(), r.result);
    }
    select.show();
    select.reject();
    EXPECT_EQ(select.result(), 2);
}

int main(int argc, char **argv)
{
    // Test discovery runs the program without the test environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
