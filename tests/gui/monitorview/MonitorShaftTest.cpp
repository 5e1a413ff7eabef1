// The monitor and its shaft against the in-process stand-in over the real
// local line, on virtual time: the shaft comes from the controller, a click on
// a call button reaches the controller with the button's mode, its lamp lights
// while the call stands, and the cabin arrives.

#include "DeliveredTexts.h"
#include "LocalLinkFixture.h"
#include "MonitorFakes.h"
#include "MonitorOnLink.h"
#include "TestApp.h"

#include "core/Reports.h"
#include "shaft/CallButton.h"
#include "shaft/ShaftWindow.h"
#include "shell/Configuration.h"
#include "monitorview/MonitorWindow.h"
#include "monitorview/ShaftBinding.h"
#include "sim/Lift.h"

#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct AppFirst {
    AppFirst() { testsupport::testApp<QApplication>(); }
};

struct LiveMonitor : AppFirst {
    QTemporaryDir tmp;
    LocalLinkFixture link;
    std::unique_ptr<shell::Configuration> config;
    QueueTransferControl queueControl{link.queue};
    PortLinkState linkState{link.port};
    FakeMonitorPartners partners;
    std::unique_ptr<monitor::MonitorControl> control;
    std::unique_ptr<monitorview::ShaftBinding> shaft;
    QWidget frame;
    QWidget *monitorHost = new QWidget(&frame);
    QWidget *shaftHost = new QWidget(&frame);
    shaft::ShaftWindow shaftWindow{link.time};
    monitorview::MonitorWindow *window = nullptr;

    LiveMonitor()
    {
        core::reports().reset();
        config = deliveredTextsConfiguration(link.time, tmp);
        control = std::make_unique<monitor::MonitorControl>(
            link.time, monitor::MonitorTextLists::fromLanguage(config->languageIni()),
            monitor::MonitorPartners{link.channel, queueControl, linkState, partners.session, partners.faults,
                                     partners.host, partners.texts, partners.reports});
        control->loadTask(1 | 2 | 32);  // lift state, call lamps, autorun
        frame.resize(900, 700);
        monitorHost->setGeometry(300, 0, 420, 470);
        shaftHost->setGeometry(0, 0, 260, 690);
        window = new monitorview::MonitorWindow(monitorHost, *config, {}, *control);
        shaft = std::make_unique<monitorview::ShaftBinding>(*control, &shaftWindow, [this] { return shaftHost; });
        control->setShaftView(shaft.get());
        frame.show();
    }
    ~LiveMonitor()
    {
        control->monitorHalt();
        config->finalizeConfiguration();
    }
    // Link, hello, shaft from the controller and the running loop.
    bool startPolling()
    {
        if (!link.start()) return false;
        control->onLinkUp(QStringLiteral("qrx"));
        return link.runUntil([this] { return control->loopStarted() && !control->cycle().held(); }, 20000);
    }
    sim::Lift &lift() { return *link.installation.lift(0); }
    bool lampLit(shaft::CallButton *button) const { return !button->isEnabled(); }
};

TEST(MonitorShaft, CallClickReachesTheControllerLightsAndGoesOutWhenServed)
{
    LiveMonitor rig;
    ASSERT_TRUE(rig.startPolling());
    ASSERT_TRUE(rig.shaftWindow.hasShaft());
    ASSERT_EQ(rig.shaftWindow.model().floorCount(), rig.lift().topFloor() + 1);
    ASSERT_EQ(rig.lift().floor(), 0);

    // button, controller's call bit for it, floor the cabin goes to
    struct Case { int floor; int kind; quint8 bit; } cases[] = {
        {5, shaft::CallCar, 0x04},
        {2, shaft::CallUp, 0x01},
    };
    for (const Case &c : cases) {
        shaft::CallButton *button = rig.shaftWindow.callButton(c.floor, shaft::SideA, c.kind);
        ASSERT_TRUE(button && button->isVisible() && button->isEnabled()) << c.floor;
        QTest::mouseClick(button, Qt::LeftButton);
        ASSERT_TRUE(rig.link.runUntil([&] { return rig.lift().callBits(c.floor) & c.bit; }, 2000)) << c.floor;
        EXPECT_TRUE(rig.link.runUntil([&] { return rig.lampLit(button); }, 2000)) << c.floor;

        ASSERT_TRUE(rig.link.runUntil([&] { return !(rig.lift().callBits(c.floor) & c.bit); }, 60000)) << c.floor;
        EXPECT_TRUE(rig.link.runUntil([&] { return !rig.lampLit(button); }, 2000)) << c.floor;
        EXPECT_TRUE(rig.link.runUntil([&] { return rig.shaftWindow.standField()->text() == QString::number(c.floor); }, 2000))
            << rig.shaftWindow.standField()->text().toStdString();
    }
}

}  // namespace
