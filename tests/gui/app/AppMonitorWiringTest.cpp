// The program as main() builds it, on virtual time and without a line: how the
// monitor is wired to the modem session, the start method and its settings.

#include "GuiTestSupport.h"
#include "Pty.h"
#include "TestApp.h"
#include "WidgetFind.h"

#include "app/Haltron.h"
#include "core/Reports.h"
#include "comlink/PhoneBookWindow.h"
#include "panels/DisplayMirrorWindow.h"
#include "panels/SessionPanelWindow.h"
#include "shell/MainWindow.h"
#include "monitorview/IdentityBox.h"
#include "monitorview/MonitorWindow.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using monitor::PollCycle;

struct AppMonitorWiring : ::testing::Test {
    QTemporaryDir dir;
    core::VirtualTime time;
    std::unique_ptr<app::Haltron> haltron;

    // The program with the delivered texts, "methode" as given and more INI lines.
    void start(const QString &methode, const QString &moreIni = {})
    {
        testsupport::testApp<QApplication>();
        core::reports().reset();
        writeText(dir.filePath(QStringLiteral("test.ini")), testIni(methode) + moreIni);
        QFile::copy(QStringLiteral(HALTRON_DATA_DIR "/haltron_de.lng"), dir.filePath(QStringLiteral("de.lng")));
        haltron = std::make_unique<app::Haltron>(time);
        const shell::StartEnvironment env{{QStringLiteral("haltron"), QStringLiteral("/i=test.ini")}, dir.path(), dir.path(), {}};
        ASSERT_TRUE(haltron->initModules(env));
        haltron->createWindows();
        haltron->applyStartSettings();
        haltron->program().mainWindow().show();
    }
    void TearDown() override
    {
        if (!haltron) return;
        haltron->program().quit();
        time.advance(1000);
        haltron->program().finalize();
        haltron.reset();
    }

    monitorview::MonitorWindow &window() { return *haltron->monitorWindow(); }
    QString currentTab() { return window().pages()->tabText(window().pages()->currentIndex()); }
    QPushButton *modemButton() { return testsupport::button(window(), QStringLiteral("Modem")); }
};

TEST_F(AppMonitorWiring, TheModemSessionCountsItsTextsAndItsHangUpHaltsTheMonitor)
{
    start(QStringLiteral("01000"));
    monitor::MonitorControl &monitor = *haltron->monitor();
    panels::SessionPanel &panel = haltron->sessionPanel()->logic();
    // The main window hears the monitor's status text and partner name until the halt.
    shell::MainWindow &main = haltron->program().mainWindow();
    const auto statusHeard = [&](const QString &probe) {
        emit monitor.statusText(shell::PanelLinkMode, probe);
        return main.statusPanels()[shell::PanelLinkMode]->text() == QLatin1Char(' ') + probe;
    };
    const auto linkHeard = [&](const QString &probe) {
        emit monitor.partnerLinked(probe);
        return main.reportView()->toPlainText().contains(QStringLiteral("link to: ") + probe);
    };
    ASSERT_TRUE(statusHeard(QStringLiteral("PROBE1")));
    ASSERT_TRUE(linkHeard(QStringLiteral("PROBE1")));
    panel.initClick();  // clears the partner text: one text passed
    panel.initClick();
    EXPECT_EQ(window().sessionCounter()->text(), QStringLiteral("2"));

    panel.hangUpClick();
    // The halt lets go of the main window's hooks and holds the loop.
    EXPECT_FALSE(statusHeard(QStringLiteral("PROBE2")));
    EXPECT_FALSE(linkHeard(QStringLiteral("PROBE2")));
    EXPECT_TRUE(monitor.cycle().held());
}

// The first show: the Modem button with any link mode; the session's tab first on the
// modem route, whatever the start page digit; a local link keeps the monitor's tab.
TEST_F(AppMonitorWiring, FirstShowFollowsTheRouteAndTheStartPageDigit)
{
    struct Case { const char *methode; const char *tab; } cases[] = {
        {"11000", "Telefon"}, {"01000", "Telefon"}, {"10000", "MONITOR"}, {"00000", "MONITOR"}};
    for (const Case &c : cases) {
        start(QString::fromLatin1(c.methode), QStringLiteral("[unit43]\ntabsheets=511\n"));
        ASSERT_TRUE(modemButton());
        EXPECT_FALSE(modemButton()->isEnabled()) << c.methode;  // until the first show
        window().show();
        EXPECT_EQ(currentTab(), QString::fromLatin1(c.tab)) << c.methode;
        EXPECT_TRUE(modemButton()->isEnabled()) << c.methode;
        TearDown();
    }
}

// On the modem route the window comes up on the session's tab as soon as the port is open.
TEST_F(AppMonitorWiring, OpeningThePortOnTheModemRouteShowsTheSessionsTab)
{
    testsupport::Pty line;
    ASSERT_FALSE(line.slave.isEmpty());
    start(QStringLiteral("01000"), QStringLiteral("[unit43]\ntabsheets=511\n"));
    haltron->port().setConfiguredDevice(line.slave);
    ASSERT_FALSE(window().isVisible());
    ASSERT_TRUE(haltron->port().openPort(1)) << haltron->port().lastOpenError().toStdString();
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(currentTab(), QStringLiteral("Telefon"));
}

// Without the start page digit the first show gives the session the phone book to
// dial from; with it the session keeps asking for the number itself.
TEST_F(AppMonitorWiring, WithoutTheStartPageDigitTheSessionDialsFromThePhoneBook)
{
    for (const bool startPage : {false, true}) {
        QFile::copy(QStringLiteral(HALTRON_DATA_DIR "/telefonbuch.txt"), dir.filePath(QStringLiteral("telefonbuch.txt")));
        start(startPage ? QStringLiteral("11000") : QStringLiteral("01000"), QStringLiteral("[files]\ntelefonbuch=telefonbuch.txt\n"));
        window().show();
        QString asked;
        QTimer::singleShot(0, [&asked] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *book = qobject_cast<comlink::PhoneBookWindow *>(modal)) {
                asked = QStringLiteral("book ") + book->selectedNumber();
                book->dialButton()->click();
            } else if (modal) {
                asked = QString::fromLatin1(modal->metaObject()->className());
                modal->close();
            }
        });
        const bool dials = haltron->sessionPanel()->logic().dialProc();
        if (startPage) {
            EXPECT_EQ(asked, QStringLiteral("QInputDialog"));
            EXPECT_FALSE(dials);
        } else {
            ASSERT_TRUE(asked.startsWith(QStringLiteral("book "))) << asked.toStdString();
            EXPECT_TRUE(dials);
            EXPECT_EQ(asked, QStringLiteral("book 4711"));  // the first entry
            EXPECT_EQ(haltron->session().dialNumber(), QStringLiteral("4711"));
        }
        TearDown();
    }
}

// Digit 4 of "methode": the first show lets the session dial by itself once the modem is ready.
TEST_F(AppMonitorWiring, FirstShowStartsTheAutomaticDialWithTheModemReady)
{
    struct Case { const char *methode; bool modemReady; bool autoDial; } cases[] = {
        {"01010", true, true}, {"01010", false, false}, {"01000", true, false}, {"11010", true, false}};
    for (const Case &c : cases) {
        start(QString::fromLatin1(c.methode));
        haltron->session().setModemReady(c.modemReady);
        window().show();
        EXPECT_EQ(haltron->sessionPanel()->logic().autoDialSet(), c.autoDial) << c.methode << " " << c.modemReady;
        TearDown();
    }
}

// The countdown settings are shown (not TICKuLERROR) and follow every re-read at a restart.
TEST_F(AppMonitorWiring, TickSettingsAreShownAndFollowEveryRestart)
{
    start(QStringLiteral("00000"), QStringLiteral("[unit43]\nTICKuMONBLK=3\nTICKuQUITT=4\nTICKuBS=30\nTICKuFZ=9\nTICKuERROR=25\nTICKuLERROR=26\n"));
    const auto shown = [this] {
        QStringList texts;
        for (int slot = 0; slot < PollCycle::SlotCount; ++slot)
            texts << (window().reloadLabel(slot) ? window().reloadLabel(slot)->text() : QStringLiteral("-"));
        return texts;
    };
    EXPECT_EQ(shown(), (QStringList{"3", "4", "30", "9", "25", "-"}));
    haltron->program().config().mainIni().writeString(QStringLiteral("unit43"), QStringLiteral("TICKuFZ"), QStringLiteral("12"));
    haltron->monitor()->restartMonitor();
    EXPECT_EQ(shown(), (QStringList{"3", "4", "30", "12", "25", "-"}));
    EXPECT_EQ(haltron->monitor()->cycle().slot(PollCycle::TripCounter).reload, 12);
}

// A shaft built shows the top floor as the controller's answer does.
TEST_F(AppMonitorWiring, TopFloorFieldShowsKoAsTheAnswerDoes)
{
    start(QStringLiteral("00000"));
    monitor::ShaftView::Config config{};
    haltron->monitor()->makeShaftFromConfig(7, config);
    EXPECT_EQ(window().identityBox()->field(monitor::InfoRequest::TopFloor)->text(), QStringLiteral("KO=7"));
}

// The lift every request goes to is named where the user acts on it: the
// status bar, the display mirror and the "SysMod" tab; outside a group nowhere.
TEST_F(AppMonitorWiring, TheChosenLiftIsNamedWhereTheUserActsOnIt)
{
    start(QStringLiteral("00000"));
    QLabel *member = haltron->program().mainWindow().memberLabel();
    const auto sysModTab = [this] { return window().pages()->tabText(window().pages()->count() - 1); };
    EXPECT_FALSE(member->isVisible());
    EXPECT_EQ(sysModTab(), QStringLiteral("SysMod"));

    haltron->channel().setMember(2);
    EXPECT_TRUE(member->isVisible());
    EXPECT_EQ(member->text(), QStringLiteral("Aufzug QRx-2"));
    EXPECT_EQ(haltron->lcdWindow()->windowTitle(), QString::fromUtf8("LCD [QRX] \u2013 QRx-2"));
    EXPECT_EQ(sysModTab(), QStringLiteral("SysMod QRx-2"));

    haltron->channel().setMember(core::Channel::Unrouted);
    EXPECT_FALSE(member->isVisible());
    EXPECT_EQ(haltron->lcdWindow()->windowTitle(), QStringLiteral("LCD [QRX]"));
    EXPECT_EQ(sysModTab(), QStringLiteral("SysMod"));
}

}  // namespace
