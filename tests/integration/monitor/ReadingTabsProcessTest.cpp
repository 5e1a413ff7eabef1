// The "Statistik" and "Ports" tabs in-process on real time, over the serial
// line, the 401 driver and the transfer queue, against haltron-sim on a
// pseudo-terminal: the tabs show the stand-in's values, and a saved port file
// reads back as the tab showed it.
#include "MonitorFakes.h"
#include "DeliveredTexts.h"
#include "PortsTabChecks.h"
#include "ProgramRun.h"
#include "TestApp.h"

#include "core/Bytes.h"
#include "core/Reports.h"
#include "comlink/ComPort.h"
#include "comlink/QtSerialLine.h"
#include "monitor/MonitorControl.h"
#include "protocol/CommandLibrary.h"
#include "protocol/LocalRoute.h"
#include "shell/Configuration.h"
#include "monitorview/MonitorWindow.h"
#include "monitorview/PortGroupBox.h"
#include "monitorview/PortsTab.h"
#include "monitorview/ReadingTabs.h"
#include "monitorview/StatisticsTab.h"
#include "sim/CommandSet.h"
#include "sim/Installation.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

using sim::Lift;

namespace {

struct ReadingTabsProcessTest : ::testing::Test {
    QTemporaryDir dir;
    QString link = dir.filePath(QStringLiteral("line"));
    runs::SimProcess sim{link, {QStringLiteral("--floors"), QStringLiteral("10")}};
    // The same make-up as the stand-in process (seed 1), to know what it answers.
    core::VirtualTime expectedTime;
    sim::Installation expected{expectedTime, sim::InstallationSetup{1, 10, 1, 0, 0, -1}};
    sim::CommandSet expectedCommands{expected};

    std::unique_ptr<core::QtTimerFactory> timers;
    std::unique_ptr<comlink::QtSerialLine> serial;
    std::unique_ptr<comlink::ComPort> port;
    std::unique_ptr<protocol::TransferQueue> queue;
    std::unique_ptr<protocol::ControllerChannel> channel;
    std::unique_ptr<protocol::Line401> line;
    std::unique_ptr<protocol::LocalRoute> localRoute;
    std::unique_ptr<protocol::CommandLibrary> library;
    std::unique_ptr<shell::Configuration> config;
    // The monitor asks nothing here: every request it would put is refused.
    FakeChannel refusing;
    FakeMonitorPartners partners;
    FakeMonitorHold held;  // the statistics reading holds this, not the monitor above
    std::unique_ptr<monitor::MonitorControl> control;
    std::unique_ptr<QWidget> host;
    monitorview::MonitorWindow *window = nullptr;
    std::unique_ptr<monitorview::ReadingTabs> tabs;

    void SetUp() override
    {
        testsupport::testApp<QApplication>();
        core::reports().reset();
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(sim.start());
        timers = std::make_unique<core::QtTimerFactory>();
        serial = std::make_unique<comlink::QtSerialLine>();
        port = std::make_unique<comlink::ComPort>(*serial, *timers);
        queue = std::make_unique<protocol::TransferQueue>(*timers);
        line = std::make_unique<protocol::Line401>(*port, *timers);
        localRoute = std::make_unique<protocol::LocalRoute>(*line, *port);
        channel = std::make_unique<protocol::ControllerChannel>(*queue);
        library = std::make_unique<protocol::CommandLibrary>(*channel, timers->clock());
        port->setConfiguredDevice(link);
        protocol::connectLineToQueue(*line, *queue, *channel);
        queue->setRoute(localRoute.get());

        config = deliveredTextsConfiguration(timers->clock(), dir);
        refusing.refuseAfter = 0;
        partners.link.linked = false;
        control = std::make_unique<monitor::MonitorControl>(*timers, monitor::MonitorTextLists::fromLanguage(config->languageIni()),
                                                            partners.with(refusing, config.get()));
        host = std::make_unique<QWidget>();
        window = new monitorview::MonitorWindow(host.get(), *config, {}, *control);
        tabs = std::make_unique<monitorview::ReadingTabs>(*window, *library, *channel, timers->clock(), *config, held, host.get());
        host->show();

        line->setLinkMode(0);
        line->startStopLine();
        ASSERT_TRUE(testsupport::waitFor([this] { return port->isLinked(); }, 10000)) << "the link did not come up";
    }
    void TearDown() override
    {
        host.reset();
        tabs.reset();
        if (line) line->zblPortHalt();
        if (port) port->portHalt();
        if (config) config->finalizeConfiguration();
    }
};

TEST_F(ReadingTabsProcessTest, StatisticsAndPortsShowTheStandInsValues)
{
    const Lift &lift = *expected.lift(0);
    monitorview::StatisticsTab *statistics = tabs->statisticsTab();
    QTest::mouseClick(statistics->fetchButton(), Qt::LeftButton);
    ASSERT_TRUE(testsupport::waitFor([&] { return statistics->statusLabel()->text() == QLatin1String("ende"); }, 60000))
        << statistics->statusLabel()->text().toStdString();
    EXPECT_EQ(tabs->statisticsReader().index(), lift.statisticsIndex());
    const int topFloor = lift.topFloor();
    for (int f = 0; f <= topFloor; ++f)
        for (int t = 0; t < 3; ++t)
            EXPECT_EQ(statistics->cellText(f + 1, t + 1).trimmed(), QString::number(lift.statistic(Lift::StatisticsTable(t), f))) << f << t;
    EXPECT_EQ(statistics->cellText(topFloor + 3, 0), QStringLiteral("Gesamt"));

    monitorview::PortsTab *ports = tabs->portsTab();
    QTest::mouseClick(ports->readButton(), Qt::LeftButton);
    ASSERT_TRUE(testsupport::waitFor([&] { return tabs->portReader().readReady(); }, 10000));
    const QByteArray answer = expectedCommands.answer({std::nullopt, core::bytes({0xF2, 0x55, 0x21})}).value_or(QByteArray());
    testsupport::expectPortsShown(*ports, answer);
    EXPECT_EQ(ports->portBox(3)->value(), 0xFF);  // at rest the safety circuit is closed

    const QString file = dir.filePath(QStringLiteral("ports.txt"));
    testsupport::expectFileAsShown(testsupport::savePortsThroughTheButton(*tabs, file), *ports);
}

}  // namespace
