#include "core/Timer.h"

#include <gtest/gtest.h>

#include <vector>

using core::VirtualTime;

TEST(VirtualTime, RepeatingAndSingleShotTimersFireInDueOrder)
{
    VirtualTime time;
    QStringList fired;
    auto every100 = time.createTimer();
    every100->setCallback([&] { fired << QStringLiteral("r%1").arg(time.elapsedMs()); });
    every100->start(100);
    auto once = time.createTimer();
    once->setSingleShot(true);
    once->setCallback([&] { fired << QStringLiteral("s%1").arg(time.elapsedMs()); });
    once->start(150);

    time.advance(320);
    EXPECT_EQ(fired, (QStringList{"r100", "s150", "r200", "r300"}));
    EXPECT_FALSE(once->isActive());
    EXPECT_TRUE(every100->isActive());
    EXPECT_EQ(time.elapsedMs(), 320);
}

TEST(VirtualTime, TimerStoppedOrRestartedInsideCallback)
{
    VirtualTime time;
    int ticks = 0;
    auto t = time.createTimer();
    // Window-timer style: stop at each tick, restart until the third.
    t->setCallback([&] {
        t->stop();
        if (++ticks < 3) t->start();
    });
    t->start(100);
    time.advance(1000);
    EXPECT_EQ(ticks, 3);
    EXPECT_FALSE(t->isActive());
}

TEST(VirtualTime, DestroyedTimerNeverFiresAndZeroRepeatDoesNotSpin)
{
    VirtualTime time;
    int fired = 0;
    {
        auto t = time.createTimer();
        t->setCallback([&] { ++fired; });
        t->start(10);
    }
    auto zero = time.createTimer();
    int zeroTicks = 0;
    zero->setCallback([&] { ++zeroTicks; });
    zero->start(0);
    time.advance(5);
    EXPECT_EQ(fired, 0);
    EXPECT_EQ(zeroTicks, 6);  // at 0, then once per millisecond
}

TEST(VirtualTime, SingleShotHelperAndClockText)
{
    VirtualTime time(QDateTime(QDate(2026, 12, 8), QTime(4, 22, 31)));
    int fired = 0;
    time.singleShot(4000, [&] { ++fired; });
    time.advance(3999);
    EXPECT_EQ(fired, 0);
    time.advance(1);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(time.now().toString("dd.MM.yyyy HH:mm:ss"), "08.12.2026 04:22:35");
    EXPECT_EQ(time.msecsSinceMidnight(), (4 * 3600 + 22 * 60 + 35) * 1000);
}
