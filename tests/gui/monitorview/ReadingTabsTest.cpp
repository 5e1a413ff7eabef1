// The "Statistik" and "Ports" tabs in the monitor window, offscreen, over the
// program's local link stack and the in-process stand-in on virtual time.
// With HALTRON_SHOTS_DIR set the test leaves pictures of the grid and the
// chart there (scripts/screenshots).
#include "MonitorFakes.h"
#include "DeliveredTexts.h"
#include "LocalLinkFixture.h"
#include "PortsTabChecks.h"
#include "TestApp.h"

#include "core/Bytes.h"
#include "core/Colours.h"
#include "core/Reports.h"
#include "monitor/MonitorControl.h"
#include "protocol/CommandLibrary.h"
#include "monitorview/StatisticsWindow.h"
#include "shell/Configuration.h"
#include "widgets/Lamp.h"
#include "monitorview/MonitorWindow.h"
#include "monitorview/PortGroupBox.h"
#include "monitorview/PortsTab.h"
#include "monitorview/ReadingTabs.h"
#include "monitorview/StatisticsTab.h"

#include <QApplication>
#include <QBarSet>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using sim::Lift;

namespace {

struct ReadingTabsTest : ::testing::Test {
    QTemporaryDir tmp;
    LocalLinkFixture link{{.lifts = 1, .floors = 6, .seed = 3}};
    std::unique_ptr<shell::Configuration> config;
    // The monitor asks nothing here: every request it would put is refused.
    FakeChannel refusing;
    FakeMonitorPartners partners;
    std::unique_ptr<monitor::MonitorControl> control;
    std::unique_ptr<protocol::CommandLibrary> library;
    std::unique_ptr<QWidget> host;
    monitorview::MonitorWindow *window = nullptr;
    std::unique_ptr<monitorview::ReadingTabs> tabs;
    Lift &lift = *link.installation.lift(0);

    void SetUp() override
    {
        testsupport::testApp<QApplication>();
        core::reports().reset();
        config = deliveredTextsConfiguration(link.time, tmp);
        refusing.refuseAfter = 0;
        partners.link.linked = false;
        control = std::make_unique<monitor::MonitorControl>(link.time, monitor::MonitorTextLists::fromLanguage(config->languageIni()),
                                                            partners.with(refusing, config.get()));
        library = std::make_unique<protocol::CommandLibrary>(link.channel, link.time.clock());
        host = std::make_unique<QWidget>();
        host->resize(520, 640);
        window = new monitorview::MonitorWindow(host.get(), *config, {}, *control);
        tabs = std::make_unique<monitorview::ReadingTabs>(*window, *library, link.channel, link.time.clock(), *config, *control,
                                                          host.get());
        host->show();
        ASSERT_TRUE(link.start());
    }
    void TearDown() override
    {
        host.reset();
        tabs.reset();
        config->finalizeConfiguration();
    }
    QString shotsDir() const { return qEnvironmentVariable("HALTRON_SHOTS_DIR"); }
    quint8 simPort(int answerByte) { return core::byteAt(link.commands.answer({std::nullopt, core::bytes({0xF2, 0x55, 0x21})}).value_or(QByteArray()), answerByte); }
};

TEST_F(ReadingTabsTest, StatisticsTabFindsTheAreaAndShowsTheControllersCounters)
{
    monitorview::StatisticsTab *tab = tabs->statisticsTab();
    window->showTab(monitorview::MonitorWindow::StatisticsTab);
    const int heldBefore = control->cycle().holdCount();
    QTest::mouseClick(tab->fetchButton(), Qt::LeftButton);
    EXPECT_EQ(tab->identifierLabel()->text(), QStringLiteral("Kennung ?"));
    EXPECT_EQ(control->cycle().holdCount(), heldBefore + 1);  // the polling pauses while the tables come
    ASSERT_TRUE(link.runUntil([&] { return tab->statusLabel()->text() == QLatin1String("ende"); }, 60000))
        << tab->statusLabel()->text().toStdString();
    link.runUntil([&] { return control->cycle().holdCount() == heldBefore; }, 1000);
    EXPECT_EQ(control->cycle().holdCount(), heldBefore);
    EXPECT_EQ(tab->identifierLabel()->text(), QStringLiteral("K=OK 1993"));
    EXPECT_EQ(tabs->statisticsReader().index(), lift.statisticsIndex());

    const int topFloor = lift.topFloor();
    EXPECT_EQ(tab->cellText(0, 0), QStringLiteral("Etage"));
    EXPECT_EQ(tab->cellText(0, 4), QStringLiteral("Gesamt"));
    qint64 totals[4] = {};
    for (int f = 0; f <= topFloor; ++f) {
        const qint64 values[3] = {lift.statistic(Lift::LandingCalls, f), lift.statistic(Lift::CarCalls, f),
                                  lift.statistic(Lift::ParkingTrips, f)};
        EXPECT_EQ(tab->cellText(f + 1, 0), QString::number(f));
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(tab->cellText(f + 1, c + 1), QString::number(values[c]).rightJustified(15)) << f << c;
            totals[c] += values[c];
            totals[3] += values[c];
        }
    }
    EXPECT_EQ(tab->grid()->item(0, 1)->text(), QString::number(lift.statistic(Lift::LandingCalls, 0)));
    EXPECT_EQ(tab->grid()->horizontalHeaderItem(3)->text(), QStringLiteral("Park"));
    EXPECT_TRUE(tab->cellText(topFloor + 2, 0).isEmpty());
    EXPECT_EQ(tab->cellText(topFloor + 3, 0), QStringLiteral("Gesamt"));
    for (int c = 0; c < 4; ++c) EXPECT_EQ(tab->cellText(topFloor + 3, c + 1).trimmed(), QString::number(totals[c])) << c;

    // "Bar": the chart with one bar a floor in each series.
    monitorview::StatisticsWindow *chart = tabs->chartWindow();
    QTest::mouseClick(tab->chartButton(), Qt::LeftButton);
    EXPECT_TRUE(chart->isVisible());
    EXPECT_EQ(chart->windowTitle(), QStringLiteral("Statistik"));
    EXPECT_EQ(chart->titleLabel()->text(), QStringLiteral("Rufe/Etage"));
    const char *names[] = {"Außenrufe", "Innenrufe", "Park Fahrten"};
    const QColor colours[] = {QColor(255, 0, 0), QColor(0, 128, 0), QColor(255, 255, 0)};
    for (int s = 0; s < monitorview::StatisticsWindow::SeriesCount; ++s) {
        QBarSet *set = chart->barSet(monitorview::StatisticsWindow::Series(s));
        EXPECT_EQ(set->label(), QString::fromUtf8(names[s]));
        EXPECT_EQ(set->color(), colours[s]);
        ASSERT_EQ(set->count(), topFloor + 1);
        EXPECT_EQ(qint64(set->at(2)), lift.statistic(Lift::StatisticsTable(s), 2));
    }
    QStringList clicks;
    chart->showMessage = [&](const QString &text) { clicks << text; };
    emit chart->barSet(monitorview::StatisticsWindow::LandingCalls)->clicked(3);
    emit chart->barSet(monitorview::StatisticsWindow::ParkingTrips)->clicked(0);
    emit chart->barSet(monitorview::StatisticsWindow::LandingCalls)->clicked(0);
    emit chart->barSet(monitorview::StatisticsWindow::CarCalls)->clicked(5);
    EXPECT_EQ(clicks, (QStringList{"ADR-Rufe[   3]= (100%)", "Series3 : 0", "ADR-Rufe[   0]= (100%)", "Series2 : 5"}));

    const QString png = tmp.filePath(QStringLiteral("chart.png"));
    chart->chooseFile = [&] { return png; };
    QTest::mouseClick(chart->saveButton(), Qt::LeftButton);
    QImage saved(png);
    EXPECT_FALSE(saved.isNull());
    EXPECT_GE(saved.width(), 400);

    if (!shotsDir().isEmpty()) {
        host->resize(560, 760);
        QApplication::processEvents();
        host->grab().save(shotsDir() + QStringLiteral("/haltron-statistics.png"));
        chart->savePng(shotsDir() + QStringLiteral("/haltron-chart.png"));
    }

    // A new fetch hides the chart until asked for again.
    QTest::mouseClick(tab->fetchButton(), Qt::LeftButton);
    EXPECT_FALSE(chart->isVisible());
}

TEST_F(ReadingTabsTest, PortsTabShowsTheLiftsPortsAndSavesWhatItShows)
{
    monitorview::PortsTab *tab = tabs->portsTab();
    window->showTab(monitorview::MonitorWindow::PortsTab);
    EXPECT_EQ(tab->portPages()->count(), 13);
    EXPECT_EQ(tab->portPages()->tabText(0), QStringLiteral("72"));
    EXPECT_EQ(tab->portPages()->tabText(12), QStringLiteral("A6"));
    EXPECT_EQ(tab->portBox(3)->rowText(0), config->languageText(QStringLiteral("unit48"), QStringLiteral("750")));
    EXPECT_FALSE(tab->portBox(3)->rowText(7).isEmpty());

    // A call to floor 3: read while the doors stand open there.
    ASSERT_EQ(link.commands.answer({std::nullopt, core::bytes({0xF5, 0x55, 0x1E, Lift::CallCar, 3, 0})}), core::bytes({0xF1, 0x01}));
    ASSERT_TRUE(link.runUntil([&] { return lift.floor() == 3 && lift.doorA() == Lift::Door::Open; }, 60000));
    QTest::mouseClick(tab->readButton(), Qt::LeftButton);
    EXPECT_EQ(tab->blinkLamp()->lampColour(), core::colour::Green);
    QTest::mouseClick(tab->readButton(), Qt::LeftButton);  // outstanding: nothing more is sent
    EXPECT_EQ(link.queue.count(), 1);
    ASSERT_TRUE(link.runUntil([&] { return tabs->portReader().readReady(); }, 5000));
    EXPECT_NE(tab->blinkLamp()->lampColour(), core::colour::Green);
    testsupport::expectPortsShown(*tab, link.commands.answer({std::nullopt, core::bytes({0xF2, 0x55, 0x21})}).value_or(QByteArray()));
    EXPECT_EQ(tab->portBox(1)->value(), 3);                    // port 73: the floor
    EXPECT_EQ(tab->portBox(3)->bitLabel(7)->text(), QStringLiteral("0"));  // car door open: circuit open
    EXPECT_EQ(tab->portBox(3)->bitLabel(0)->text(), QStringLiteral("1"));

    if (!shotsDir().isEmpty()) {
        tab->portPages()->setCurrentIndex(3);
        host->resize(560, 760);
        QApplication::processEvents();
        host->grab().save(shotsDir() + QStringLiteral("/haltron-ports.png"));
    }

    // Saved: read back, line for line what the boxes show; the fault list gets the same lines.
    const QString file = tmp.filePath(QStringLiteral("ports.txt"));
    const QStringList lines = testsupport::savePortsThroughTheButton(*tabs, file);
    testsupport::expectFileAsShown(lines, *tab);
    EXPECT_EQ(lines.value(0), link.time.now().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")));

    EXPECT_FALSE(tab->savePorts(tmp.filePath(QStringLiteral("missing/ports.txt"))));  // no folder: said, not pretended

    // An existing file: Cancel keeps it, Yes overwrites it.
    writeText(file, QStringLiteral("alt\n"));
    tab->confirmOverwrite = [](const QString &) { return shell::Overwrite::Cancel; };
    tab->save();
    EXPECT_EQ(readLines(file), QStringList{"alt"});
    tab->confirmOverwrite = [](const QString &) { return shell::Overwrite::Yes; };
    tab->save();
    EXPECT_EQ(readLines(file).size(), 109);
}

TEST_F(ReadingTabsTest, AReadDroppedByTheQueueLeavesTheViewReadable)
{
    monitorview::PortsTab *tab = tabs->portsTab();
    QTest::mouseClick(tab->readButton(), Qt::LeftButton);
    EXPECT_FALSE(tabs->portReader().readReady());
    link.queue.transferFlush();
    // The queue lets go of the dropped request with its next one.
    library->getVersion({});
    EXPECT_TRUE(tabs->portReader().readReady());
    EXPECT_NE(tab->blinkLamp()->lampColour(), core::colour::Green);
    // Read again once the line has settled.
    ASSERT_TRUE(link.runUntil([&] { return link.queue.count() == 0; }, 5000));
    link.time.advance(500);
    QTest::mouseClick(tab->readButton(), Qt::LeftButton);
    EXPECT_FALSE(tabs->portReader().readReady());
    ASSERT_TRUE(link.runUntil([&] { return tabs->portReader().readReady(); }, 5000));
    EXPECT_EQ(tab->portBox(0)->value(), simPort(1));
}

}  // namespace
