#include "comlink/LinkLampBinding.h"

#include "core/Timer.h"
#include "comlink/SerialLine.h"

#include "TestApp.h"

#include <QApplication>

#include <gtest/gtest.h>

// A lamp bound to the port shows its link and starts or stops it when clicked.
TEST(LinkLampBinding, LampShowsTheLinkAndItsClickIsTheLinkAction)
{
    testsupport::testApp<QApplication>();
    core::VirtualTime time;
    auto [pcEnd, farEnd] = comlink::MemorySerialLine::createPair();
    comlink::ComPort port(*pcEnd, time);
    QList<bool> actions;
    port.onLinkAction = [&](bool linked) { actions << linked; };
    port.setLinkState(true);

    widgets::Lamp lamp;
    lamp.click();  // not bound yet
    EXPECT_TRUE(actions.isEmpty());
    EXPECT_TRUE(comlink::bindLinkLamp(lamp, port));
    EXPECT_EQ(lamp.lampColour(), core::colour::Green);  // the state it finds
    EXPECT_FALSE(comlink::bindLinkLamp(lamp, port));
    lamp.click();
    EXPECT_EQ(actions, QList<bool>{true});  // once, though bound twice
    port.setLinkState(false);
    EXPECT_EQ(lamp.lampColour(), core::colour::Red);

    comlink::unbindLinkLamp(lamp, port);
    port.setLinkState(true);
    lamp.click();
    EXPECT_EQ(lamp.lampColour(), core::colour::Red);
    EXPECT_EQ(actions, QList<bool>{true});
    {
        widgets::Lamp gone;
        comlink::bindLinkLamp(gone, port);
    }
    port.setLinkState(false);  // a lamp that went away is not called
}
