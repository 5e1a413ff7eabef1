#include "core/Reports.h"
#include "comlink/ComPort.h"
#include "panels/LineLamps.h"

#include <gtest/gtest.h>

namespace {

using panels::LineLamps;

TEST(LineLamps, DataLampsFlashAndEachByteProlongsTheFlash)
{
    core::VirtualTime time;
    LineLamps lamps(time);
    int changes = 0;
    lamps.onChanged = [&changes] { ++changes; };
    lamps.traffic(LineLamps::RxD);
    EXPECT_TRUE(lamps.lit(LineLamps::RxD));
    EXPECT_FALSE(lamps.lit(LineLamps::TxD));
    time.advance(60);
    lamps.traffic(LineLamps::RxD);
    time.advance(60);
    EXPECT_TRUE(lamps.lit(LineLamps::RxD));
    time.advance(40);
    EXPECT_FALSE(lamps.lit(LineLamps::RxD));
    EXPECT_EQ(changes, 2);
    lamps.traffic(LineLamps::Dsr);  // not a data line
    EXPECT_FALSE(lamps.lit(LineLamps::Dsr));
}

TEST(LineLamps, ControlLinesAndConnectionFollowThePort)
{
    core::VirtualTime time;
    LineLamps lamps(time);
    EXPECT_FALSE(lamps.connected());
    lamps.setConnected(true);
    EXPECT_TRUE(lamps.connected());
    lamps.setLine(LineLamps::Cts, true);
    EXPECT_TRUE(lamps.lit(LineLamps::Cts));
    EXPECT_FALSE(lamps.lit(LineLamps::Lamp(7)));  // out of range reads as dark
}

// The lamp window's DSR and CTS lamps, fed by the port as the program wires them.
TEST(LineLamps, DsrAndCtsLampsShowTheirOwnLinesOrUnknown)
{
    core::reports().reset();
    core::VirtualTime time;
    auto [pcEnd, farEnd] = comlink::MemorySerialLine::createPair();
    comlink::ComPort port(*pcEnd, time);
    pcEnd->setControlLines({});
    ASSERT_TRUE(port.openPort(1));
    LineLamps lamps(time);
    port.lineWatch().watch(lamps.lineLights());

    struct Case {
        const char *name;
        comlink::ControlLines lines;
        bool dsr, cts;
    };
    const Case cases[] = {
        {"DSR", {.dsr = true}, true, false},
        {"CTS", {.cts = true}, false, true},
        {"both", {.dsr = true, .cts = true}, true, true},
        {"DCD only", {.dcd = true}, false, false},
        {"RI only", {.ring = true}, false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        pcEnd->setControlLines(c.lines);
        time.advance(comlink::ControlLineWatch::PollMs);
        EXPECT_EQ(lamps.lit(LineLamps::Dsr), c.dsr);
        EXPECT_EQ(lamps.lit(LineLamps::Cts), c.cts);
        EXPECT_TRUE(lamps.known(LineLamps::Dsr) && lamps.known(LineLamps::Cts));
        EXPECT_FALSE(lamps.lit(LineLamps::RxD));
        EXPECT_FALSE(lamps.lit(LineLamps::TxD));
    }

    pcEnd->setControlLinesUnknown("ttyUSB0 cannot report its control lines");
    time.advance(comlink::ControlLineWatch::PollMs);
    for (const LineLamps::Lamp lamp : {LineLamps::Dsr, LineLamps::Cts}) {
        EXPECT_FALSE(lamps.known(lamp));
        EXPECT_EQ(lamps.toolTip(lamp), "ttyUSB0 cannot report its control lines");
    }
    // Sending still flashes TxD: the data lamps do not depend on the control lines.
    port.sendString("AT\r");
    EXPECT_TRUE(lamps.lit(LineLamps::TxD));
    EXPECT_TRUE(lamps.known(LineLamps::TxD));
    EXPECT_TRUE(lamps.toolTip(LineLamps::TxD).isEmpty());
    port.lineWatch().unwatch(lamps.lineLights());
}

}  // namespace
