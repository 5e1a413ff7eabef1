#include "SessionRig.h"

#include "core/BgrColour.h"
#include "core/Reports.h"
#include "comlink/ComPort.h"
#include "widgets/Lamp.h"
#include "panels/LampWindow.h"
#include "panels/SessionPanelWindow.h"
#include "panels/SessionWiring.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QString byNumber(const QString &, const QString &ident)
{
    return ident == "13" ? QStringLiteral("AUFLEGEN") : "T" + ident;
}

// The two windows wired to a session whose port is a journal, as the program wires them.
struct WindowRig : SessionRig {
    QWidget host;
    panels::SessionPanelWindow panel{time, byNumber, false};
    panels::LampWindow lampWindow{time};

    void wire()
    {
        panels::wireSessionWindows(modem, lampWindow, panel);
        modem.inputQuery = [](const QString &, const QString &, QString &) { return true; };
        panel.showSessionPanel(&host, 0, 0);
        lampWindow.showLeds(&host, 0, 200, false);
    }
};

TEST(PanelWindows, ClicksReachTheSessionAndStatesShowTheirLook)
{
    WindowRig rig;
    rig.wire();
    EXPECT_EQ(rig.panel.windowTitle(), "dial");
    EXPECT_EQ(rig.panel.hangUpButton()->text(), "AUFLEGEN");
    EXPECT_EQ(rig.panel.speakerOffButton()->text(), "T2");
    EXPECT_FALSE(rig.panel.dialButton()->isEnabled());
    EXPECT_TRUE(rig.panel.dialButton()->isFlat());

    rig.panel.initButton()->click();
    EXPECT_EQ(rig.journal, QStringList({"open 1", "testinit"}));
    EXPECT_EQ(rig.panel.statusField()->text(), "T9");
    rig.ready("COM1/19200/8N1/MODEM");
    EXPECT_FALSE(rig.panel.initButton()->isEnabled());
    EXPECT_TRUE(rig.panel.dialButton()->isEnabled());
    EXPECT_FALSE(rig.panel.dialButton()->isFlat());
    EXPECT_EQ(rig.panel.onlineColour(), core::colour::Green);
    EXPECT_EQ(rig.panel.statusField()->palette().color(QPalette::Window), core::colourFromBgr(0xE1FFFF));
    EXPECT_EQ(rig.panel.reportField()->text(), "COM1/19200/8N1/MODEM");

    rig.modem.setDialNumber("0711");
    rig.panel.dialButton()->click();
    EXPECT_TRUE(rig.journal.contains("dial 0711"));
    EXPECT_TRUE(rig.panel.dialButton()->isChecked());
    EXPECT_TRUE(rig.panel.hangUpButton()->isEnabled());
    EXPECT_EQ(rig.lampWindow.timeText(), "[45.00 sec]");
    EXPECT_EQ(rig.lampWindow.gaugeMax(), 450);
    rig.time.advance(1000);
    EXPECT_EQ(rig.lampWindow.gaugePosition(), 440);

    rig.panel.hangUpButton()->click();
    EXPECT_EQ(rig.panel.statusField()->text(), "AUFLEGEN");
    rig.time.advance(100);
    EXPECT_FALSE(rig.panel.dialButton()->isChecked());
    EXPECT_EQ(rig.lampWindow.gaugePosition(), 0);
    EXPECT_EQ(rig.panel.partnerLabel()->text(), "T5");
}

TEST(PanelWindows, FailedInitShowsRedAndGroupBoxClickEnablesAllButtons)
{
    WindowRig rig;
    rig.opens = false;
    rig.wire();
    rig.panel.initButton()->click();
    EXPECT_EQ(rig.panel.statusField()->text(), "T8");
    EXPECT_EQ(rig.panel.statusField()->palette().color(QPalette::WindowText), core::colourFromBgr(core::colour::Red));
    EXPECT_EQ(rig.panel.initButton()->text(), "INIT");
    EXPECT_FALSE(rig.panel.initButton()->isChecked());

    QTest::mouseClick(rig.panel.dialButton()->parentWidget(), Qt::LeftButton, {}, QPoint(2, 2));
    for (QPushButton *b : {rig.panel.dialButton(), rig.panel.initButton(), rig.panel.hangUpButton(),
                           rig.panel.speakerOffButton()})
        EXPECT_TRUE(b->isEnabled());
}

// A lamp on the group box passes the press on: it counts as a click on the box.
TEST(PanelWindows, ClickOnALampOfTheGroupBoxEnablesAllButtons)
{
    WindowRig rig;
    rig.opens = false;
    rig.wire();
    rig.panel.initButton()->click();
    ASSERT_FALSE(rig.panel.dialButton()->isEnabled() && rig.panel.hangUpButton()->isEnabled());
    QTest::mouseClick(&rig.panel.kavcomLamp(), Qt::LeftButton, {}, QPoint(2, 2));
    for (QPushButton *b : {rig.panel.dialButton(), rig.panel.initButton(), rig.panel.hangUpButton(),
                           rig.panel.speakerOffButton()})
        EXPECT_TRUE(b->isEnabled());
}

TEST(PanelWindows, LampWindowFollowsTheLineAndClosedPanelStaysClosed)
{
    WindowRig rig;
    bool attached = false;
    rig.lampWindow.onShowLeds = [&attached](panels::LineLamps &) { attached = true; };
    rig.wire();
    EXPECT_TRUE(attached);
    EXPECT_EQ(rig.lampWindow.connectColour(), core::colour::Maroon);
    rig.lampWindow.lamps().setConnected(true);
    EXPECT_EQ(rig.lampWindow.connectColour(), core::colour::Lime);
    rig.lampWindow.halt();
    EXPECT_EQ(rig.journal.last(), "debug mst_leds> halt");

    rig.panel.close();
    EXPECT_TRUE(rig.panel.logic().closed());
    EXPECT_EQ(rig.panel.onlineColour(), core::colour::Red);
    rig.panel.showSessionPanel(&rig.host, 0, 0);
    EXPECT_FALSE(rig.panel.isVisible());
}

// Docked windows get no size from a parent layout: texts and fonts that change
// after showing (a larger font, as on a high-DPI screen) must still fit.
TEST(PanelWindows, LampWindowTextsFitAfterTheyChange)
{
    for (const int pointScale : {1, 2}) {
        for (const QString timeText : {"[45.00 sec]", "[120.00 sec]", "[3600.00 sec]"}) {
            SCOPED_TRACE(qPrintable(QStringLiteral("x%1 %2").arg(pointScale).arg(timeText)));
            QWidget host;
            host.show();
            core::VirtualTime time;
            panels::LampWindow lampWindow(time);
            lampWindow.showLeds(&host, 0, 0, false);
            QFont font = host.font();
            font.setPointSizeF(font.pointSizeF() * pointScale);
            host.setFont(font);
            lampWindow.setTimeText(timeText);
            QCoreApplication::sendPostedEvents();
            for (QLabel *label : lampWindow.findChildren<QLabel *>()) {
                EXPECT_GE(label->width(), label->sizeHint().width()) << qPrintable(label->text());
                EXPECT_GE(label->height(), label->sizeHint().height()) << qPrintable(label->text());
            }
            // The count-down ticks without the window jumping.
            const int width = lampWindow.width();
            lampWindow.setTimeText(QString(timeText).replace(".00", ".90"));
            QCoreApplication::sendPostedEvents();
            EXPECT_EQ(lampWindow.width(), width);
        }
    }
}

// The lamp window's DSR and CTS lamps follow the port only while the window is visible.
TEST(PanelWindows, LampWindowShowsDsrAndCtsWhileVisible)
{
    core::reports().reset();
    core::VirtualTime time;
    auto [pcEnd, farEnd] = comlink::MemorySerialLine::createPair();
    comlink::ComPort port(*pcEnd, time);
    pcEnd->setControlLines({.dsr = true});
    ASSERT_TRUE(port.openPort(1));
    QWidget host;
    host.show();
    {
        panels::LampWindow lampWindow(time);
        lampWindow.onLampsVisible = [&port](panels::LineLamps &lamps, bool visible) {
            if (visible) port.lineWatch().watch(lamps.lineLights());
            else port.lineWatch().unwatch(lamps.lineLights());
        };
        widgets::Lamp *dsr = lampWindow.lineLed(panels::LineLamps::Dsr);
        widgets::Lamp *cts = lampWindow.lineLed(panels::LineLamps::Cts);
        EXPECT_EQ(pcEnd->controlLineReads(), 0);  // created hidden: nothing read

        lampWindow.showLeds(&host, 0, 0, false);
        EXPECT_EQ(dsr->lampColour(), core::colour::Lime);
        EXPECT_EQ(cts->lampColour(), core::colour::Maroon);
        pcEnd->setControlLines({.cts = true});
        time.advance(comlink::ControlLineWatch::PollMs);
        EXPECT_EQ(dsr->lampColour(), core::colour::Maroon);
        EXPECT_EQ(cts->lampColour(), core::colour::Lime);

        pcEnd->setControlLinesUnknown("/dev/pts/4 cannot report its control lines");
        time.advance(comlink::ControlLineWatch::PollMs);
        for (widgets::Lamp *lamp : {dsr, cts}) {
            EXPECT_EQ(lamp->lampColour(), widgets::Lamp::LightUnknown);
            EXPECT_EQ(lamp->toolTip(), "/dev/pts/4 cannot report its control lines");
        }

        lampWindow.hideLeds();
        EXPECT_FALSE(port.lineWatch().polling());
        const int reads = pcEnd->controlLineReads();
        time.advance(20 * comlink::ControlLineWatch::PollMs);
        EXPECT_EQ(pcEnd->controlLineReads(), reads);

        lampWindow.showLeds(&host, 0, 0, false);
        EXPECT_TRUE(port.lineWatch().polling());
    }
    // The window went while shown: the port must not feed lamps that are gone.
    EXPECT_FALSE(port.lineWatch().polling());
    port.sendString("AT\r");
    time.advance(1000);
}

}  // namespace

// The application must outlive the test's widgets and the test library's input devices.
int main(int argc, char **argv)
{
    // Test discovery runs the program without the test environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
