#include "comlink/SerialLine.h"

#include <gtest/gtest.h>

using comlink::MemorySerialLine;

TEST(MemorySerialLine, DeliversToThePeerAfterTheLineDelay)
{
    core::VirtualTime time;
    auto [pc, ctl] = MemorySerialLine::createPair(&time, 1);
    ASSERT_TRUE(pc->open("a"));
    ASSERT_TRUE(ctl->open("b"));
    int notified = 0;
    ctl->onReadyRead = [&] { ++notified; };
    pc->write(QByteArray("\x0F\x21", 2));
    EXPECT_EQ(ctl->bytesAvailable(), 0);
    time.advance(1);
    EXPECT_EQ(notified, 1);
    EXPECT_EQ(ctl->read(1), QByteArray("\x0F", 1));
    EXPECT_EQ(ctl->read(10), QByteArray("\x21", 1));
    EXPECT_EQ(pc->written(), QByteArray("\x0F\x21", 2));
}

TEST(MemorySerialLine, ClosedEndsAndDestroyedPeersAreHarmless)
{
    core::VirtualTime time;
    auto [pc, ctl] = MemorySerialLine::createPair(&time, 1);
    EXPECT_EQ(pc->write("x"), -1);  // not open
    pc->open("a");
    ctl->open("b");
    pc->write("y");
    ctl.reset();
    time.advance(5);  // the pending delivery finds no receiver
    EXPECT_EQ(comlink::comPortDevice(1), "/dev/ttyS0");
    EXPECT_EQ(comlink::comPortDevice(3, " /tmp/pty7 "), "/tmp/pty7");
}
