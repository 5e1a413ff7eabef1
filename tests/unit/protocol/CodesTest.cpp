#include "protocol/Codes.h"

#include "core/Bytes.h"

#include <gtest/gtest.h>

using core::bytes;
using namespace protocol;

TEST(Nibbles, EncodeLeastSignificantDigitFirst)
{
    EXPECT_EQ(nibbles(0x1234), bytes({0x04, 0x03, 0x02, 0x01}));
    EXPECT_EQ(nibbles(0xFFFF), bytes({0x0F, 0x0F, 0x0F, 0x0F}));
    EXPECT_EQ(nibbles(0), bytes({0, 0, 0, 0}));
}

TEST(Nibbles, DecodeUnmaskedModulo65536AndShortInput)
{
    EXPECT_EQ(fromNibbles(bytes({0xF4, 0x04, 0x03, 0x02, 0x01}), 1), 0x1234);
    for (quint16 v : {0, 1, 0x00FF, 0x8000, 0xABCD, 0xFFFF}) EXPECT_EQ(fromNibbles(nibbles(v), 0), v);
    // The bytes are not masked: 0x21 counts as 33.
    EXPECT_EQ(fromNibbles(bytes({0x21, 0, 0, 0}), 0), 33);
    EXPECT_EQ(fromNibbles(bytes({0, 0, 0, 0x10}), 0), 0);  // 16·4096 wraps
    EXPECT_EQ(fromNibbles(bytes({0x05, 0x01}), 0), 0x15);  // missing digits count 0
    EXPECT_EQ(fromNibbles(QByteArray(), 3), 0);
    EXPECT_EQ(fromNibblePair(bytes({0x0A, 0x03}), 0), 0x3A);
}

TEST(TimeCode, VectorsBothWays)
{
    struct Case {
        QTime time;
        quint16 code;
        const char *text;
        const char *clock;
    };
    const Case cases[] = {
        {QTime(12, 34, 56), 22648, "12:34:56", "12:34:56"},
        {QTime(7, 5, 2), 7 * 1800 + 5 * 30 + 1, "07:05:02", " 7: 5: 2"},
        {QTime(0, 0, 0), 0, "00:00:00", " 0: 0: 0"},
        {QTime(23, 59, 58), 43199, "23:59:58", "23:59:58"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(timeCode(c.time), c.code) << c.text;
        EXPECT_EQ(timeFromCode(c.code), c.time) << c.text;
        EXPECT_EQ(timeText(c.code), QString::fromLatin1(c.text));
        EXPECT_EQ(clockTimeText(c.code), QString::fromLatin1(c.clock));
    }
    EXPECT_EQ(timeCode(QTime(10, 0, 1)), timeCode(QTime(10, 0, 0)));  // two-second steps
    EXPECT_FALSE(timeFromCode(43200).isValid());
    EXPECT_EQ(timeText(65535), QStringLiteral("36:24:30"));  // no crash on nonsense
}

TEST(DateCode, DayOneIsFirstOfJanuary2000BothWays)
{
    struct Case {
        quint16 code;
        QDate date;
        const char *text;
    };
    const Case cases[] = {
        {1, QDate(2000, 1, 1), "01.01.00"},
        {60, QDate(2000, 2, 29), "29.02.00"},
        {366, QDate(2000, 12, 31), "31.12.00"},
        {367, QDate(2001, 1, 1), "01.01.01"},
        {2621, QDate(2007, 3, 5), "05.03.07"},
        {9472, QDate(2025, 12, 6), "06.12.25"},
        {36525, QDate(2099, 12, 31), "31.12.99"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(dateFromCode(c.code), c.date) << c.text;
        EXPECT_EQ(dateCode(c.date), c.code) << c.text;
        EXPECT_EQ(dateText(c.code), QString::fromLatin1(c.text));
    }
    EXPECT_EQ(dateText(36526), QStringLiteral("?? ?? ??"));  // 2100
    EXPECT_EQ(dateText(65535), QStringLiteral("?? ?? ??"));
    EXPECT_EQ(dateText(0), QStringLiteral("?? ?? ??"));
    EXPECT_EQ(dateCode(QDate(1999, 12, 31)), 0);
    EXPECT_EQ(dateCode(QDate()), 0);
}

TEST(Texts, AnswerTextAndTextField)
{
    const QByteArray code = bytes({0xFF}) + QByteArray("HALTRON-A1") + QByteArray(5, '\0');
    EXPECT_EQ(answerText(code), QStringLiteral("HALTRON-A1"));
    EXPECT_EQ(answerText(bytes({0xFF}) + QByteArray("0123456789ABCDE")), QStringLiteral("0123456789ABCDE"));
    EXPECT_EQ(answerText(bytes({0xFF}) + QByteArray("M\xFC""ller") + QByteArray(9, ' ')), QStringLiteral("Müller         "));
    for (const QByteArray &bad : {QByteArray(), bytes({0xFF, 0x41}), bytes({0xFE}) + QByteArray(15, 'A')})
        EXPECT_EQ(answerText(bad), QStringLiteral("Transfer.Fehler")) << bad.toHex().toStdString();

    EXPECT_EQ(textField(QStringLiteral("AB")), bytes({0x41, 0x42}) + QByteArray(11, '\0'));
    EXPECT_EQ(textField(QStringLiteral("  0815 4711  ")), QByteArray("0815 4711") + QByteArray(4, '\0'));
    EXPECT_EQ(textField(QStringLiteral("ABCDEFGHIJKLMNOP")), QByteArray("ABCDEFGHIJKLM"));
}

TEST(Texts, SysErrorAndGroupRouting)
{
    EXPECT_EQ(sysErrorText(0, 5), QStringLiteral("Error(5): syserror-1"));
    EXPECT_EQ(sysErrorText(2, -1), QStringLiteral("Error(-1): syserror-3"));
    EXPECT_EQ(sysErrorText(3, 7), QStringLiteral("Error(7): ???"));
    EXPECT_EQ(sysErrorText(-1, 7), QStringLiteral("Error(7): ???"));
    EXPECT_EQ(groupRouted(1, bytes({0xF1, 0x00})), bytes({0xF0, 0x10, 0x70, 0x01, 0xF1, 0x00}));
}
