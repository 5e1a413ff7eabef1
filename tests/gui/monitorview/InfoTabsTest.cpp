// The monitor's information pages against the in-process stand-in, on virtual time.

#include "DeliveredTexts.h"
#include "LocalLinkFixture.h"
#include "MonitorFakes.h"
#include "MonitorOnLink.h"
#include "TestApp.h"

#include "core/Bytes.h"
#include "core/Colours.h"
#include "core/Reports.h"
#include "monitor/FaultLog.h"
#include "protocol/CommandLibrary.h"
#include "shell/Configuration.h"
#include "widgets/Lamp.h"
#include "monitorview/EepromTab.h"
#include "monitorview/FaultTab.h"
#include "monitorview/FunctionBox.h"
#include "monitorview/IdentityBox.h"
#include "monitorview/InfoTabs.h"
#include "monitorview/MonitorWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using monitor::InfoRequest;
using monitor::PollCycle;

namespace {

// The program's side as the application wires it, cabled to a stand-in group.
struct InfoTabsTest : ::testing::Test {
    explicit InfoTabsTest(sim::InstallationSetup setup = {.lifts = 1, .floors = 8, .seed = 3, .storedFaults = 7})
        : link(setup)
    {
    }

    QTemporaryDir tmp;
    LocalLinkFixture link;
    QList<QByteArray> sent;  // every request the program put, as it left the channel
    protocol::ControllerChannel &route = link.channel;
    protocol::CommandLibrary library{route, link.time};
    std::unique_ptr<shell::Configuration> config;
    std::unique_ptr<monitor::FaultLog> faultLog;
    QueueTransferControl queueControl{link.queue};
    PortLinkState linkState{link.port};
    FakeMonitorPartners partners;
    FakeShaftView shaft;
    std::unique_ptr<monitor::MonitorControl> control;
    std::unique_ptr<QWidget> host;
    monitorview::MonitorWindow *window = nullptr;
    std::unique_ptr<monitorview::InfoTabs> tabs;

    void SetUp() override
    {
        testsupport::testApp<QApplication>();
        core::reports().reset();
        config = deliveredTextsConfiguration(link.time, tmp);
        QObject::connect(&route, &protocol::ControllerChannel::queued, [this](const QByteArray &t) { sent << t; });
        faultLog = std::make_unique<monitor::FaultLog>(route, link.time, QString(),
                                                       monitor::FaultListTexts::fromLanguage(config->languageIni()));
        control = std::make_unique<monitor::MonitorControl>(
            link.time, monitor::MonitorTextLists::fromLanguage(config->languageIni()),
            monitor::MonitorPartners{route, queueControl, linkState, partners.session, *faultLog, partners.host, *config,
                                     partners.reports});
        control->setShaftView(&shaft);
        control->loadTask(1 | 2 | 16);
        host = std::make_unique<QWidget>();
        host->resize(480, 640);
        window = new monitorview::MonitorWindow(host.get(), *config, {}, *control);
        tabs = std::make_unique<monitorview::InfoTabs>(*window, *config, *control, *faultLog, library, route);
        QObject::connect(control.get(), &monitor::MonitorControl::infoRequested, [this](InfoRequest r) { tabs->requestInfo(r); });
        host->show();
        ASSERT_TRUE(link.start());
    }
    void TearDown() override
    {
        tabs.reset();
        host.reset();
        config->finalizeConfiguration();
    }

    sim::Lift &lift(int k = 0) { return *link.installation.lift(k); }
    bool settle(int limitMs = 20000)
    {
        return link.runUntil([this] { return link.queue.count() == 0 && !faultLog->isFetching(); }, limitMs);
    }
    monitorview::IdentityBox &identity() { return *window->identityBox(); }
    QString field(InfoRequest r) { return identity().field(r)->text(); }
    int countSent(const QByteArray &telegram) const { return int(sent.count(telegram)); }
};

TEST_F(InfoTabsTest, FetchListsTheStandInsIdentityCountAndRecords)
{
    monitorview::FaultTab &tab = *tabs->faultTab();
    const int stored = int(lift().faults().size());
    ASSERT_EQ(stored, 7);
    tab.fetchButton()->click();
    EXPECT_EQ(control->cycle().holdCount(), 2);  // loaded held (no autorun), and held by the fetch
    ASSERT_TRUE(settle());
    EXPECT_EQ(control->cycle().holdCount(), 1);  // the fetch's hold is given back

    const QStringList lines = tab.lines();
    ASSERT_EQ(lines.size(), 3 + 3 + stored);
    EXPECT_EQ(lines[0], QString::fromUtf8(" Fahrtenzähler: ") + QString::number(lift().trips()));
    EXPECT_EQ(lines[1], " Software-Version: " + QString::fromLatin1(lift().versionText()));
    EXPECT_TRUE(lines[2].startsWith(" Anlagen-Kennung: ANL ")) << lines[2].toStdString();
    EXPECT_EQ(lines[5], QStringLiteral(" %1 ").arg(stored) + config->languageText("unit45", 2));
    // Oldest first, numbered 1 to N; each line decodes the stand-in's record.
    for (int n = 1; n <= stored; ++n) {
        const sim::FaultRecord &r = lift().faults()[size_t(stored - n)];
        EXPECT_TRUE(lines[5 + n].startsWith(QStringLiteral(" %1 : ").arg(n, 3, 10, QLatin1Char('0')))) << lines[5 + n].toStdString();
        EXPECT_TRUE(lines[5 + n].contains(QStringLiteral(".%1 (%2) ").arg(r.number, 3, 10, QLatin1Char('0')).arg(r.value, 3, 10, QLatin1Char('0'))))
            << lines[5 + n].toStdString();
    }
    EXPECT_EQ(tab.progress()->maximum(), stored);
    EXPECT_EQ(tab.progress()->value(), stored);

    // With HALTRON_SHOTS_DIR set (scripts/screenshots) the list is left there as a picture.
    if (const QString shots = qEnvironmentVariable("HALTRON_SHOTS_DIR"); !shots.isEmpty()) {
        window->showTab(monitorview::MonitorWindow::FaultTab);
        host->resize(560, 760);
        QApplication::processEvents();
        host->grab().save(shots + QStringLiteral("/haltron-faults.png"));
    }
}

TEST_F(InfoTabsTest, SaveWritesTheListAndAsksBeforeOverwriting)
{
    monitorview::FaultTab &tab = *tabs->faultTab();
    tab.fetchButton()->click();
    ASSERT_TRUE(settle());
    const QString name = tmp.filePath(QStringLiteral("faults.txt"));
    QStringList offeredDirs;
    QList<monitorview::FaultTab::Overwrite> answers;
    int asked = 0;
    tab.chooseSaveFile = [&](const QString &dir) {
        offeredDirs << dir;
        return name;
    };
    tab.askOverwrite = [&](const QString &) {
        ++asked;
        return answers.takeFirst();
    };
    tab.saveButton()->click();
    EXPECT_EQ(readLines(name), tab.lines());
    EXPECT_EQ(offeredDirs.value(0), config->getDataDir());
    EXPECT_EQ(asked, 0);

    tab.setLines({"other"});
    answers = {monitorview::FaultTab::Overwrite::No, monitorview::FaultTab::Overwrite::Cancel};  // No asks for another name
    tab.saveButton()->click();
    EXPECT_EQ(asked, 2);
    EXPECT_NE(readLines(name), QStringList{"other"});
    answers = {monitorview::FaultTab::Overwrite::Yes};
    tab.saveButton()->click();
    EXPECT_EQ(readLines(name), QStringList{"other"});
    EXPECT_TRUE(tab.statusLabel()->text().startsWith(config->languageText("unit43", 56))) << tab.statusLabel()->text().toStdString();

    // A folder that is not there: said so, nothing written.
    const QString unwritable = tmp.filePath(QStringLiteral("missing/faults.txt"));
    tab.chooseSaveFile = [&](const QString &) { return unwritable; };
    tab.saveButton()->click();
    EXPECT_FALSE(QFile::exists(unwritable));
    EXPECT_TRUE(tab.statusLabel()->text().startsWith(config->languageText("unit43", 55))) << tab.statusLabel()->text().toStdString();
}

TEST_F(InfoTabsTest, OnlyAnExplicitYesDeletesTheLogAndTheListIsFetchedAgain)
{
    monitorview::FaultTab &tab = *tabs->faultTab();
    const QByteArray deleteRequest = core::bytes({0xF1, 0x25});
    tab.confirmDelete = [] { return false; };
    tab.deleteButton()->click();
    ASSERT_TRUE(settle());
    EXPECT_EQ(countSent(deleteRequest), 0);
    EXPECT_TRUE(sent.isEmpty());  // cancelled: nothing at all goes to the controller
    EXPECT_EQ(lift().faults().size(), 7u);

    tab.confirmDelete = [] { return true; };
    tab.deleteButton()->click();
    ASSERT_TRUE(settle());
    EXPECT_EQ(countSent(deleteRequest), 1);
    EXPECT_TRUE(lift().faults().empty());
    const QStringList lines = tab.lines();
    EXPECT_EQ(lines.last(), QLatin1Char(' ') + config->languageText("unit45", 3));
    EXPECT_TRUE(lines.contains(QStringLiteral(" 0 ") + config->languageText("unit45", 2)));
}

TEST_F(InfoTabsTest, FaultFieldsAndStepBack)
{
    control->runSlot(PollCycle::FaultCount);
    control->runSlot(PollCycle::NewestFault);
    ASSERT_TRUE(settle());
    EXPECT_EQ(window->valueField(PollCycle::FaultCount)->text(), "7");
    EXPECT_TRUE(window->valueField(PollCycle::NewestFault)->text().startsWith("(7) ")) << window->valueField(PollCycle::NewestFault)->text().toStdString();
    QStringList shown;
    for (int click = 0; click < 7; ++click) {
        window->fehlerIncButton()->click();
        ASSERT_TRUE(settle());
        shown << window->valueField(PollCycle::NewestFault)->text().section(QLatin1Char(' '), 0, 0);
    }
    EXPECT_EQ(shown, (QStringList{"(6)", "(5)", "(4)", "(3)", "(2)", "(1)", "(7)"}));
    EXPECT_EQ(sent.last(), core::bytes({0xF3, 0x55, 0x07, 0x00}));
}

TEST_F(InfoTabsTest, IdentityFieldsAndNewTextsThatTheControllerKeeps)
{
    QStringList linked;
    QObject::connect(control.get(), &monitor::MonitorControl::linkedTextChanged, [&](const QString &t) { linked << t; });
    for (InfoRequest r : {InfoRequest::Version, InfoRequest::TopFloor, InfoRequest::InstallationCode, InfoRequest::Telephone})
        tabs->requestInfo(r);
    EXPECT_EQ(field(InfoRequest::Version), config->languageText("monitor_43", 3));  // until the answer comes
    ASSERT_TRUE(settle());
    EXPECT_EQ(field(InfoRequest::Version), QString::fromLatin1(lift().versionText()));
    EXPECT_EQ(field(InfoRequest::TopFloor), "KO=7");
    const QString code = QString::fromLatin1(lift().identity()).remove(QChar(0));
    EXPECT_EQ(field(InfoRequest::InstallationCode), code);
    EXPECT_EQ(linked.value(0), config->languageText("monitor_43", 8) + QLatin1Char(' ') + code);
    EXPECT_EQ(field(InfoRequest::Telephone), QString::fromLatin1(lift().telephone()).remove(QChar(0)));

    identity().askText = [](const QString &, const QString &current) { return std::optional<QString>(current + "-X"); };
    identity().newCodeButton()->click();
    ASSERT_TRUE(settle());
    EXPECT_EQ(field(InfoRequest::InstallationCode), code + "-X");
    EXPECT_TRUE(lift().identity().startsWith((code + "-X").toLatin1()));
    identity().askText = [](const QString &, const QString &) { return std::optional<QString>("0711 99"); };
    identity().newTelephoneButton()->click();
    ASSERT_TRUE(settle());
    EXPECT_EQ(field(InfoRequest::Telephone), "0711 99");
    identity().askText = [](const QString &, const QString &) { return std::nullopt; };  // cancelled
    const int before = int(sent.size());
    identity().newTelephoneButton()->click();
    EXPECT_EQ(sent.size(), before);

    // A click on a field asks again.
    lift().storeText(sim::Lift::TelephoneAddress, "112");
    QTest::mouseClick(identity().field(InfoRequest::Telephone), Qt::LeftButton);
    ASSERT_TRUE(settle());
    EXPECT_EQ(field(InfoRequest::Telephone), "112");
}

TEST_F(InfoTabsTest, SwitchLampsToggleTheControllersSwitches)
{
    ASSERT_FALSE(lift().switchedOff());
    QTest::mouseClick(window->stateLamp(0), Qt::LeftButton);
    ASSERT_TRUE(settle());
    EXPECT_TRUE(lift().switchedOff());
    EXPECT_EQ(window->stateLamp(0)->lampColour(), core::colour::Red);
    QTest::mouseClick(window->stateLamp(2), Qt::LeftButton);  // the indicator toggles the address lock
    ASSERT_TRUE(settle());
    EXPECT_TRUE(lift().addressLocked());
    EXPECT_EQ(window->stateLamp(1)->lampColour(), core::colour::Red);
    QTest::mouseClick(window->stateLamp(1), Qt::LeftButton);
    ASSERT_TRUE(settle());
    EXPECT_FALSE(lift().addressLocked());
    EXPECT_EQ(window->stateLamp(1)->lampColour(), core::colour::Green);
}

TEST_F(InfoTabsTest, MaintenanceBitsAndClock)
{
    monitorview::FunctionBox &box = *tabs->functionBox();
    box.maintenanceButton()->click();
    ASSERT_TRUE(settle());
    const int bits = lift().maintenanceBits();
    QString digits;
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(box.maintenanceBox(i)->isChecked(), bool(bits & (1 << i))) << i;
        digits += bits & (1 << i) ? '1' : '0';
    }
    EXPECT_EQ(box.maintenanceText()->text(), "Wartungs.Bits: " + digits);

    link.installation.setControllerNow(lift(), link.time.now().addDays(-400));
    box.setClockButton()->click();
    ASSERT_TRUE(settle());
    EXPECT_EQ(box.clockBox()->title(), "Time/Ready");
    EXPECT_LT(qAbs(link.installation.controllerNow(lift()).secsTo(link.time.now())), 5);
    box.readClockButton()->click();
    ASSERT_TRUE(settle());
    EXPECT_TRUE(box.clockLabel()->text().startsWith(link.installation.controllerNow(lift()).toString("dd.MM.yy/")))
        << box.clockLabel()->text().toStdString();
}

TEST_F(InfoTabsTest, EepromDumpOfTheIdentityAreaLandsInTheFaultList)
{
    window->showTab(monitorview::MonitorWindow::EepromTab);
    tabs->eepromTab()->areaButton(10)->click();  // "ID"
    ASSERT_TRUE(settle());
    const QStringList lines = tabs->faultTab()->lines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], "eedID     ");
    const QByteArray memory = lift().memory().mid(0x3F1C, 16);
    EXPECT_EQ(lines[1], monitor::eepromDumpLine(0, memory));
    EXPECT_TRUE(lines[1].contains("\"ANL")) << lines[1].toStdString();
    EXPECT_EQ(tabs->eepromTab()->addressField()->text(), "addr=3F2C");
    EXPECT_EQ(window->pages()->tabText(window->pages()->currentIndex()), "Fehler");
}

struct GroupTabsTest : InfoTabsTest {
    GroupTabsTest() : InfoTabsTest({.lifts = 3, .floors = 10, .seed = 11, .storedFaults = 4}) {}
};

TEST_F(GroupTabsTest, ChoosingAMemberRoutesEveryRequestAndRebuildsItsShaft)
{
    tabs->requestInfo(InfoRequest::GroupAddress);
    ASSERT_TRUE(settle());
    EXPECT_EQ(identity().groupButton()->text(), "@=[5]");
    EXPECT_TRUE(identity().memberButton(0)->isChecked());
    EXPECT_TRUE(identity().memberButton(2)->isEnabled());

    lift(2).setSwitchedOff(true);
    identity().memberButton(2)->click();
    EXPECT_EQ(identity().switchLabel()->text(), "to..2");
    ASSERT_TRUE(link.runUntil([this] { return shaft.builds > 0 && control->loopStarted(); }, 20000));
    ASSERT_TRUE(settle());  // the loop's start asks the identity again, of member 2 now
    EXPECT_EQ(route.member(), 2);
    EXPECT_EQ(identity().groupButton()->text(), "@=[7]");
    EXPECT_TRUE(identity().memberButton(2)->isChecked());
    // The shaft of member 2, from its own configuration.
    EXPECT_EQ(shaft.builtTopFloor, lift(2).topFloor());
    for (int f = 0; f <= lift(2).topFloor(); ++f) EXPECT_EQ(shaft.builtConfig[size_t(f)], lift(2).floorConfig(f)) << f;
    EXPECT_TRUE(sent.contains(core::bytes({0xF0, 0x10, 0x70, 0x02, 0xF3, 0x55, 0x1A, 0x00})));

    // The polled state is member 2's: switched off.
    std::optional<monitor::LiftStateView> state;
    QObject::connect(control.get(), &monitor::MonitorControl::liftStateDecoded, [&](const monitor::LiftStateView &s) { state = s; });
    control->releaseMonitor();
    ASSERT_TRUE(link.runUntil([&] { return state.has_value(); }, 5000));
    EXPECT_TRUE(state->remoteSwitchOff);
    EXPECT_TRUE(sent.contains(core::bytes({0xF0, 0x10, 0x70, 0x02, 0xF1, 0x60})));
    EXPECT_FALSE(sent.mid(sent.indexOf(core::bytes({0xF0, 0x10, 0x70, 0x02, 0xF3, 0x55, 0x1A, 0x00}))).contains(core::bytes({0xF1, 0x60})));

    // A member the group does not have never answers: the route stays.
    identity().memberButton(3)->setEnabled(true);
    identity().memberButton(3)->click();
    settle(30000);
    EXPECT_EQ(route.member(), 2);
}

}  // namespace

namespace {

// "32 autorun" against the stand-in over the real queue, whose flush drops the
// requests in flight: clicked while held and while polling, the lift state keeps coming.
TEST_F(InfoTabsTest, AutorunClickKeepsTheStandInPolled)
{
    const QByteArray liftState = core::bytes({0xF1, 0x60});
    ASSERT_TRUE(control->cycle().held());
    for (int click = 1; click <= 2; ++click) {
        if (click == 2) ASSERT_TRUE(link.runUntil([this] { return link.queue.count() > 0; }, 2000));  // mid-request
        QTest::mouseClick(window->autorunCheckBox(), Qt::LeftButton);
        ASSERT_TRUE(link.runUntil([this, click] { return shaft.builds == click; }, 20000)) << "click " << click;
        EXPECT_EQ(shaft.builtTopFloor, lift().topFloor());
        const int before = countSent(liftState);
        link.runUntil([] { return false; }, 5000);
        EXPECT_GE(countSent(liftState), before + 5) << "click " << click;
        EXPECT_EQ(control->cycle().holdCount(), 0);
    }
}

}  // namespace
