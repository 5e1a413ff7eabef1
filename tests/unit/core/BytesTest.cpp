#include "core/Bytes.h"

#include <gtest/gtest.h>

TEST(Bytes, HexTextBothWays)
{
    const QByteArray b = core::bytes({0x0F, 0x21, 0x00, 0xA0});
    EXPECT_EQ(core::hexText(b), "0F 21 00 A0");
    EXPECT_EQ(core::hexText(b, QString()), "0F2100A0");
    EXPECT_EQ(core::fromHexText("0f 21 00 a0"), b);
    EXPECT_TRUE(core::fromHexText("F").isEmpty());
    EXPECT_TRUE(core::fromHexText("GG").isEmpty());
    EXPECT_EQ(core::byteAt(b, 3), 0xA0);
    EXPECT_EQ(core::byteAt(b, 4), 0);
    EXPECT_EQ(core::byteAt(b, -1), 0);
}
