#include "core/LinkLamp.h"
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
    EXPECT_EQ(lamps.lampColour(LineLamps::RxD), core::colour::Lime);
    EXPECT_FALSE(lamps.lit(LineLamps::TxD));
    time.advance(60);
    lamps.traffic(LineLamps::RxD);
    time.advance(60);
    EXPECT_TRUE(lamps.lit(LineLamps::RxD));
    time.advance(40);
    EXPECT_EQ(lamps.lampColour(LineLamps::RxD), core::colour::Maroon);
    EXPECT_EQ(changes, 2);
    lamps.traffic(LineLamps::Dsr);  // not a data line
    EXPECT_FALSE(lamps.lit(LineLamps::Dsr));
}

TEST(LineLamps, ControlLinesAndConnectionFollowThePort)
{
    core::VirtualTime time;
    LineLamps lamps(time);
    EXPECT_EQ(lamps.connectColour(), core::colour::Maroon);
    lamps.setConnected(true);
    EXPECT_EQ(lamps.connectColour(), core::colour::Lime);
    lamps.setLine(LineLamps::Cts, true);
    EXPECT_TRUE(lamps.lit(LineLamps::Cts));
    EXPECT_FALSE(lamps.lit(LineLamps::Lamp(7)));  // out of range reads as dark
}

}  // namespace
