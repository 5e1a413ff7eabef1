#include "monitor/MonitorCodes.h"

#include "core/Bytes.h"

#include <gtest/gtest.h>

using core::bytes;
using namespace monitor;

TEST(MonitorCodes, PrintableTextTrimsAndMasks)
{
    EXPECT_EQ(printableText(QByteArray("  ABC 12\0\0\0", 11)), "ABC 12");
    EXPECT_EQ(printableText(bytes({0x41, 0x07, 0x42, 0xC4, 0x7F})), "A.B.\x7F");
    EXPECT_EQ(printableText(bytes({0x00, 0x20, 0x09})), "");

    EXPECT_EQ(printableTextAnswer(QByteArray("\xFF" "HALTRON-7\0\0\0\0\0\0", 16)), "HALTRON-7");
    EXPECT_EQ(printableTextAnswer(QByteArray("\xFE" "HALTRON-7", 10)), "Transfer.Fehler");
    EXPECT_EQ(printableTextAnswer(QByteArray()), "Transfer.Fehler");
    // Only the 15 text bytes count, however long the answer.
    EXPECT_EQ(printableTextAnswer(QByteArray("\xFF" "123456789012345XYZ")), "123456789012345");
}
