#include "monitor/MonitorCodes.h"

#include "core/Bytes.h"

#include <gtest/gtest.h>

using core::bytes;
using namespace monitor;

TEST(MonitorCodes, NibbleWordAddsDigitsLeastSignificantFirst)
{
    const struct { QByteArray answer; int first; int value; } cases[] = {
        {bytes({0xF8, 0x04, 0x03, 0x02, 0x01}), 1, 0x1234},
        {bytes({0x0F, 0x0F, 0x0F, 0x0F}), 0, 0xFFFF},
        // The bytes are not masked: 0x10 in the top digit wraps past 16 bits.
        {bytes({0x01, 0x00, 0x00, 0x10}), 0, 1},
        {bytes({0x20, 0x00, 0x00, 0x00}), 0, 0x20},
        // A short answer reads the missing digits as 0.
        {bytes({0xF8, 0x05}), 1, 5},
        {QByteArray(), 1, 0},
    };
    for (const auto &c : cases) EXPECT_EQ(nibbleWord(c.answer, c.first), c.value) << ::testing::PrintToString(c.answer);
}

TEST(MonitorCodes, TimeAndDateCodes)
{
    EXPECT_EQ(timeCodeText(22648), "12:34:56");
    EXPECT_EQ(timeCodeText(0), "00:00:00");
    EXPECT_EQ(timeCodeText(65535), "36:24:30");  // garbage still gives a text

    const struct { int code; const char *text; } dates[] = {
        {1, "01.01.00"},   {60, "29.02.00"},  {366, "31.12.00"}, {367, "01.01.01"},
        {2621, "05.03.07"}, {36525, "31.12.99"}, {36526, "?? ?? ??"}, {65535, "?? ?? ??"},
        {0, "?? ?? ??"},
    };
    for (const auto &d : dates) EXPECT_EQ(dateCodeText(d.code), d.text) << d.code;
}

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
