#include "FakeChannel.h"

#include "core/Bytes.h"
#include "monitor/PortReader.h"

#include <gtest/gtest.h>

using core::bytes;
using monitor::PortReader;

namespace {

// Port indexes in the order of the view's tabs.
enum { Port72 = 0, Port73, Port74, Port75, Port77, Port90, Port91, PortA1, PortA6 = 12 };

struct PortReaderTest : ::testing::Test {
    FakeChannel queue;
    core::VirtualTime time;
    PortReader reader{queue, time};
    QByteArray answer = bytes({0xFE, 0x01, 0x00, 0x00, 0x00, 0x80, 0xAA, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
    QList<bool> waiting;
    int shown = 0;

    void SetUp() override
    {
        queue.controller = [this](const QByteArray &) { return answer; };
        QObject::connect(&reader, &PortReader::waitingChanged, [this](bool w) { waiting << w; });
        QObject::connect(&reader, &PortReader::valuesRead, [this] { ++shown; });
    }
};

TEST_F(PortReaderTest, AnswerBytesGoToTheirPortsAndByteSixToNone)
{
    EXPECT_TRUE(reader.readPorts());
    EXPECT_EQ(queue.sent, QList<QByteArray>{bytes({0xF2, 0x55, 0x21})});
    EXPECT_EQ(queue.answerLengths.value(0), 15);
    queue.run();
    EXPECT_EQ(reader.value(Port72), 0x01);  // row 0 "1", the others "0"
    EXPECT_EQ(reader.value(Port77), 0x80);  // row 7 "1"
    for (int p = 0; p < PortReader::PortCount; ++p) {
        if (p == Port72 || p == Port77) continue;
        EXPECT_EQ(reader.value(p), 0) << p;  // 0xAA of byte 6 nowhere
    }
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(waiting, (QList<bool>{true, false}));

    answer = bytes({0xFE, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14});
    reader.readPorts();
    queue.run();
    const int expected[] = {1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 13, 14};
    for (int p = 0; p < PortReader::PortCount; ++p) EXPECT_EQ(reader.value(p), expected[p]) << p;
    EXPECT_EQ(PortReader::bitKey(Port72, 0), QStringLiteral("720"));
    EXPECT_EQ(PortReader::bitKey(PortA6, 7), QStringLiteral("A67"));
}

TEST_F(PortReaderTest, OneReadAtATimeAndAnyEndMakesItReadableAgain)
{
    reader.readPorts();
    EXPECT_FALSE(reader.readPorts());  // the first answer is outstanding
    EXPECT_EQ(queue.sent.size(), 1);
    EXPECT_FALSE(reader.readReady());

    // Without the marker, or short: the values stay, the view is readable again.
    queue.run();
    const QByteArray wrong[] = {bytes({0xF1, 0x00}), QByteArray(15, '\x01'), answer.left(14), QByteArray()};
    for (const QByteArray &w : wrong) {
        answer = w;
        ASSERT_TRUE(reader.readPorts());
        queue.run();
        EXPECT_TRUE(reader.readReady());
        EXPECT_EQ(reader.value(Port72), 0x01) << w.toHex().constData();
    }
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(waiting.last(), false);

    // Refused by the queue.
    queue.refuseAfter = queue.sent.size();
    EXPECT_FALSE(reader.readPorts());
    EXPECT_TRUE(reader.readReady());
    EXPECT_EQ(waiting.last(), false);
}

TEST(PortReaderDrop, ARequestTheQueueDropsEndsTheWait)
{
    core::VirtualTime time;
    FakeChannel queue;
    PortReader reader(queue, time);
    QList<bool> waiting;
    QObject::connect(&reader, &PortReader::waitingChanged, [&](bool w) { waiting << w; });
    reader.readPorts();
    EXPECT_FALSE(reader.readReady());
    EXPECT_EQ(queue.dropAll(), 1);  // a flush after a link error
    EXPECT_TRUE(reader.readReady());
    EXPECT_EQ(waiting, (QList<bool>{true, false}));
    EXPECT_TRUE(reader.readPorts());

    // Held somewhere and never answered: after a while a click reads anew.
    EXPECT_FALSE(reader.readPorts());
    time.advance(PortReader::LostAfterMs - 1);
    EXPECT_FALSE(reader.readPorts());
    time.advance(1);
    EXPECT_TRUE(reader.readPorts());
    EXPECT_EQ(queue.sent.size(), 3);
}

TEST(PortFile, DateLineThenTwelvePortsOfNineLines)
{
    std::array<quint8, PortReader::PortCount> values{};
    values[Port72] = 0x01;
    values[Port77] = 0xFF;
    values[PortA6] = 0x80;
    const QDateTime when(QDate(2026, 12, 10), QTime(9, 5, 7));
    const QStringList lines = PortReader::fileLines(when, values, [](int port, int bit) {
        return QStringLiteral("Name ") + PortReader::bitKey(port, bit);
    });
    ASSERT_EQ(lines.size(), 109);
    EXPECT_EQ(lines[0], QStringLiteral("10.12.2026 09:05:07"));
    EXPECT_EQ(lines[1], QStringLiteral("Port-72"));
    EXPECT_EQ(lines[2], QStringLiteral("0 [1]  Name 720"));
    EXPECT_EQ(lines[3], QStringLiteral("1 [0]  Name 721"));
    EXPECT_EQ(lines[9], QStringLiteral("7 [0]  Name 727"));
    EXPECT_EQ(lines[10], QStringLiteral("Port-73"));
    EXPECT_EQ(lines[37], QStringLiteral("Port-90"));  // port 77 is shown, never saved
    EXPECT_FALSE(lines.join('\n').contains(QLatin1String("77")));
    EXPECT_EQ(lines[100], QStringLiteral("Port-A6"));
    EXPECT_EQ(lines[108], QStringLiteral("7 [1]  Name A67"));
}

}  // namespace
