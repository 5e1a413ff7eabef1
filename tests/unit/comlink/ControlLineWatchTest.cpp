#include "comlink/ComPort.h"

#include "core/Bytes.h"
#include "core/Reports.h"

#include <gtest/gtest.h>

using comlink::ComPort;
using comlink::ControlLines;
using comlink::ControlLineWatch;
using comlink::LineLights;
using comlink::MemorySerialLine;

namespace {

// The port on an in-memory line whose far end sets the control lines, with
// the status lights of two windows that may watch it.
struct ControlLineWatchTest : ::testing::Test {
    ControlLineWatchTest()
    {
        core::reports().reset();
        auto [a, b] = MemorySerialLine::createPair();
        pcEnd = std::move(a);
        farEnd = std::move(b);
        farEnd->open("far");
        port = std::make_unique<ComPort>(*pcEnd, time);
        pcEnd->setControlLines({});
        port->openPort(1);
    }
    ~ControlLineWatchTest() override { core::reports().reset(); }

    // The lights as they would be after the next reading.
    void settle() { time.advance(ControlLineWatch::PollMs); }

    core::VirtualTime time;
    std::unique_ptr<MemorySerialLine> pcEnd, farEnd;
    std::unique_ptr<ComPort> port;
    LineLights portWindow{time}, lampWindow{time};
};

TEST_F(ControlLineWatchTest, EachControlLineReachesItsOwnLight)
{
    port->lineWatch().watch(portWindow);
    struct Case {
        const char *name;
        ControlLines lines;
        LineLights::Light light;
    };
    const Case cases[] = {
        {"DCD", {.dcd = true}, LineLights::Dcd},
        {"DSR", {.dsr = true}, LineLights::Dsr},
        {"CTS", {.cts = true}, LineLights::Cts},
        {"RI", {.ring = true}, LineLights::Ring},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        pcEnd->setControlLines(c.lines);
        settle();
        for (const LineLights::Light light : {LineLights::Dcd, LineLights::Dsr, LineLights::Cts, LineLights::Ring}) {
            EXPECT_EQ(portWindow.lit(light), light == c.light) << "light " << light;
            EXPECT_TRUE(portWindow.known(light));
            EXPECT_TRUE(portWindow.toolTip(light).isEmpty());
        }
        pcEnd->setControlLines({});
        settle();
        EXPECT_FALSE(portWindow.lit(c.light));
    }
}

TEST_F(ControlLineWatchTest, LineWithoutControlLinesShowsUnknownAndSaysWhy)
{
    pcEnd->setControlLines({.dsr = true, .cts = true});
    port->lineWatch().watch(portWindow);
    EXPECT_TRUE(portWindow.lit(LineLights::Dsr));  // shown at once, not a tick later

    pcEnd->setControlLinesUnknown("pts/3 cannot report its control lines");
    settle();
    for (const LineLights::Light light : {LineLights::Dcd, LineLights::Dsr, LineLights::Cts, LineLights::Ring}) {
        EXPECT_FALSE(portWindow.known(light));
        EXPECT_FALSE(portWindow.lit(light));
        EXPECT_EQ(portWindow.toolTip(light), "pts/3 cannot report its control lines");
    }
    // The data lines still show the traffic.
    port->sendString("AT\r");
    EXPECT_TRUE(portWindow.lit(LineLights::TxD));
    EXPECT_TRUE(portWindow.known(LineLights::TxD));
    EXPECT_TRUE(portWindow.toolTip(LineLights::TxD).isEmpty());

    // A reason-less "unknown" still explains itself.
    portWindow.setControlLines(ControlLines{});
    EXPECT_FALSE(portWindow.toolTip(LineLights::Dsr).isEmpty());

    // The line reports again (adapter replaced): the lights are known, and only what is set is lit.
    pcEnd->setControlLines({.cts = true});
    settle();
    EXPECT_TRUE(portWindow.known(LineLights::Dsr));
    EXPECT_FALSE(portWindow.lit(LineLights::Dsr));
    EXPECT_TRUE(portWindow.lit(LineLights::Cts));
    EXPECT_TRUE(portWindow.toolTip(LineLights::Cts).isEmpty());
}

TEST_F(ControlLineWatchTest, LineIsReadOnlyWhileSomeWindowShowsTheLights)
{
    // Nobody watches: no reading, whatever the line carries.
    for (int i = 0; i < 100; ++i) port->sendChar(0x40);
    time.advance(10 * ControlLineWatch::PollMs);
    EXPECT_EQ(pcEnd->controlLineReads(), 0);
    EXPECT_FALSE(port->lineWatch().polling());

    port->lineWatch().watch(portWindow);
    port->lineWatch().watch(lampWindow);
    port->lineWatch().watch(lampWindow);  // shown twice, watched once
    time.advance(4 * ControlLineWatch::PollMs);
    EXPECT_EQ(pcEnd->controlLineReads(), 5);  // at once, then every PollMs
    // Bytes are no reason to read: a busy line costs no extra queries.
    for (int i = 0; i < 100; ++i) port->sendChar(0x40);
    EXPECT_EQ(pcEnd->controlLineReads(), 5);

    // One window hidden: the other keeps the reading going.
    port->lineWatch().unwatch(portWindow);
    pcEnd->setControlLines({.dsr = true});
    settle();
    EXPECT_TRUE(lampWindow.lit(LineLights::Dsr));
    EXPECT_FALSE(portWindow.lit(LineLights::Dsr));

    // Both hidden: the reading stops, and a hidden window's lights hear no more.
    port->lineWatch().unwatch(lampWindow);
    const int reads = pcEnd->controlLineReads();
    pcEnd->setControlLines({.cts = true});
    time.advance(100 * ControlLineWatch::PollMs);
    EXPECT_EQ(pcEnd->controlLineReads(), reads);
    EXPECT_FALSE(port->lineWatch().polling());
    EXPECT_FALSE(lampWindow.lit(LineLights::Cts));
    port->sendChar(0x40);
    EXPECT_FALSE(lampWindow.lit(LineLights::TxD));
    EXPECT_EQ(time.activeTimers(), 0);
}

TEST_F(ControlLineWatchTest, ClosedOrLostLineStopsTheReadingAndGoesDark)
{
    pcEnd->setControlLines({.dcd = true, .dsr = true});
    port->lineWatch().watch(portWindow);
    EXPECT_TRUE(portWindow.lit(LineLights::Dcd));

    port->closePort();
    EXPECT_FALSE(port->lineWatch().polling());
    EXPECT_FALSE(portWindow.lit(LineLights::Dcd));
    EXPECT_TRUE(portWindow.known(LineLights::Dcd));  // closed is dark, not "unknown"
    const int reads = pcEnd->controlLineReads();
    time.advance(10 * ControlLineWatch::PollMs);
    EXPECT_EQ(pcEnd->controlLineReads(), reads);

    // Opened again while the window still shows: the reading resumes by itself.
    port->openPort(1);
    EXPECT_TRUE(port->lineWatch().polling());
    EXPECT_TRUE(portWindow.lit(LineLights::Dsr));

    // The adapter is pulled out.
    pcEnd->breakLine("line lost");
    EXPECT_FALSE(port->lineWatch().polling());
    EXPECT_FALSE(portWindow.lit(LineLights::Dsr));
}

TEST(LineLights, DataLightsFlashAndEachByteProlongsTheFlash)
{
    core::VirtualTime time;
    LineLights lights(time);
    int changes = 0;
    lights.onChanged = [&changes] { ++changes; };
    lights.traffic(false);
    EXPECT_TRUE(lights.lit(LineLights::RxD));
    EXPECT_FALSE(lights.lit(LineLights::TxD));
    for (int i = 0; i < 10; ++i) {  // a byte every 50 ms keeps it lit without a flicker
        time.advance(50);
        lights.traffic(false);
    }
    time.advance(LineLights::FlashMs - 1);
    EXPECT_TRUE(lights.lit(LineLights::RxD));
    time.advance(1);
    EXPECT_FALSE(lights.lit(LineLights::RxD));
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(time.activeTimers(), 0);
}

}  // namespace
