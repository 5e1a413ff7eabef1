#include "sim/Codes.h"

#include "core/Bytes.h"

#include <gtest/gtest.h>

using namespace sim::codes;

TEST(SimCodes, NibblesLeastSignificantDigitFirst)
{
    EXPECT_EQ(nibbles(0x1234), core::bytes({0x04, 0x03, 0x02, 0x01}));
    EXPECT_EQ(fromNibbles(core::bytes({0xF5, 0x04, 0x03, 0x02, 0x01}), 1), 0x1234);
    EXPECT_EQ(fromNibbles(core::bytes({0x04, 0x03}), 0), 0x34);  // short input counts as 0
}

TEST(SimCodes, TimeAndDateCodes)
{
    EXPECT_EQ(timeCode(QTime(12, 34, 56)), 22648);
    EXPECT_EQ(timeFromCode(22648), QTime(12, 34, 56));
    EXPECT_FALSE(timeFromCode(24 * 1800).isValid());

    struct Case {
        QDate date;
        quint16 code;
    } cases[] = {{{2000, 1, 1}, 1}, {{2000, 2, 29}, 60}, {{2000, 12, 31}, 366}, {{2001, 1, 1}, 367}};
    for (const auto &c : cases) {
        EXPECT_EQ(dateCode(c.date), c.code) << c.date.toString().toStdString();
        EXPECT_EQ(dateFromCode(c.code), c.date);
    }
    EXPECT_FALSE(dateFromCode(0).isValid());
    EXPECT_EQ(dateCode(QDate(1999, 12, 31)), 0);
}
