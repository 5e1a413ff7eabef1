#include "sim/Line401Partner.h"

#include "core/Bytes.h"

#include <gtest/gtest.h>

#include <bit>
#include <random>

using core::bytes;

namespace {

// The PC's end of the line, reduced to what the tests need: send line bytes
// one at a time and collect the partner's replies.
struct Line401Test : ::testing::Test {
    void start(sim::InstallationSetup setup = {}, sim::PartnerOptions options = {})
    {
        partner.reset();
        commands.reset();
        installation.reset();
        auto [a, b] = comlink::MemorySerialLine::createPair();
        pc = std::move(a);
        ctl = std::move(b);
        pc->open("pc");
        ctl->open("ctl");
        installation = std::make_unique<sim::Installation>(time, setup);
        commands = std::make_unique<sim::CommandSet>(*installation);
        partner = std::make_unique<sim::Line401Partner>(*ctl, time, *commands, options);
    }

    // One line byte out; the reply, or -1 when none came within 20 ms.
    int exchange(quint8 lineByte)
    {
        pc->write(QByteArray(1, char(lineByte)));
        for (int waited = 0; pc->bytesAvailable() == 0 && waited < 20; ++waited) time.advance(1);
        return pc->bytesAvailable() ? int(quint8(pc->read(1)[0])) : -1;
    }

    QList<int> exchangeAll(const QByteArray &lineBytes)
    {
        QList<int> replies;
        for (char b : lineBytes) replies << exchange(quint8(b));
        return replies;
    }

    static QByteArray encode(const QByteArray &data)
    {
        QByteArray line;
        for (char c : data) line += bytes({quint8(c) >> 4, (quint8(c) & 0x0F) | 0x20});
        return line;
    }

    // The data bytes in the replies, as the PC's driver assembles them.
    static QByteArray decode(const QList<int> &replies)
    {
        QByteArray data;
        int assembly = 0;
        for (int r : replies) {
            if (r < 0 || r & 0x40) {
                assembly = 0;
                continue;
            }
            assembly |= r & 0x0F;
            if (r & 0x20) {
                data += char(assembly);
                assembly = 0;
            } else {
                assembly = (assembly << 4) & 0xFF;
            }
        }
        return data;
    }

    // A request and enough idle bytes to bring its answer home.
    QByteArray request(const QByteArray &telegram, int idles = 40)
    {
        return decode(exchangeAll(encode(telegram) + QByteArray(idles, 0x40)));
    }

    core::VirtualTime time;
    std::unique_ptr<comlink::MemorySerialLine> pc, ctl;
    std::unique_ptr<sim::Installation> installation;
    std::unique_ptr<sim::CommandSet> commands;
    std::unique_ptr<sim::Line401Partner> partner;
};

TEST_F(Line401Test, HelloIsAnsweredNibbleByNibbleOneReplyPerLineByte)
{
    start();
    // F1 00 goes out as 0F 21 00 20; the answer F1 01 starts in the reply to its last byte.
    EXPECT_EQ(exchangeAll(bytes({0x0F, 0x21, 0x00, 0x20, 0x40, 0x40, 0x40, 0x40, 0x40})),
              (QList<int>{0x40, 0x40, 0x40, 0x0F, 0x21, 0x00, 0x21, 0x40, 0x40}));
    EXPECT_EQ(pc->bytesAvailable(), 0);
}

TEST_F(Line401Test, ResetByteIsAnsweredAndRestartsBothDirections)
{
    start();
    EXPECT_EQ(exchange(0xF0), 0xF0);
    // A high nibble cut off by a reset is forgotten: only the full request counts.
    exchangeAll(bytes({0x0F, 0x40}));
    EXPECT_EQ(exchange(0xF0), 0xF0);
    EXPECT_EQ(request(bytes({0xF1, 0x00})), bytes({0xF1, 0x01}));

    // A reset in the middle of an answer byte sends that byte again from its high nibble,
    // after the PC's repeated nibble (bit 4) that follows every reset.
    QList<int> replies = exchangeAll(encode(bytes({0xF1, 0x00})));  // last reply: 0F
    EXPECT_EQ(replies.last(), 0x0F);
    EXPECT_EQ(exchange(0xF0), 0xF0);
    replies = exchangeAll(bytes({0x10, 0x40, 0x40, 0x40, 0x40}));
    EXPECT_EQ(decode(replies), bytes({0xF1, 0x01}));
}

TEST_F(Line401Test, RepeatedAndIdleNibblesDoNotCorruptTheRequest)
{
    start();
    struct Case {
        const char *name;
        QByteArray line;
        QByteArray answer;
    } cases[] = {
        {"high nibble repeated", bytes({0x0F, 0x1F, 0x21, 0x00, 0x20}), bytes({0xF1, 0x01})},
        {"low nibble repeated after the byte was taken", bytes({0x0F, 0x21, 0x31, 0x00, 0x20}), bytes({0xF1, 0x01})},
        {"idle between the nibbles drops the byte", bytes({0x0F, 0x40, 0x21, 0x00, 0x20}), QByteArray()},
        {"garbage data bytes before a request", encode(bytes({0x12, 0x00})) + encode(bytes({0xF1, 0x00})), bytes({0xF1, 0x01})},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(decode(exchangeAll(c.line + QByteArray(12, 0x40))), c.answer);
        exchange(0xF0);  // a clean line for the next case
    }
}

// A byte from the PC with the request marker asks for our last reply again,
// marked as a repetition; its nibble is no data and the answer does not move on.
TEST_F(Line401Test, RequestMarkerRepeatsTheLastReply)
{
    start();
    QList<int> replies = exchangeAll(encode(bytes({0xF1, 0x00})));  // last reply: 0F, the answer F1 01 begins
    ASSERT_EQ(replies.last(), 0x0F);
    EXPECT_EQ(exchange(0xC0), 0x1F);
    EXPECT_EQ(exchange(0xC0), 0x1F);  // as often as it is asked
    EXPECT_EQ(exchange(0x40), 0x21);
    EXPECT_EQ(exchange(0xA1), 0x31);  // the request's nibble is not taken for data
    replies = exchangeAll(QByteArray(4, 0x40));
    EXPECT_EQ(replies, (QList<int>{0x00, 0x21, 0x40, 0x40}));
    EXPECT_EQ(request(bytes({0xF1, 0x00})), bytes({0xF1, 0x01}));
}

TEST_F(Line401Test, GarbageGetsOneReplyPerByteAndTheLineRecovers)
{
    start({.lifts = 4});
    std::mt19937 random(11);
    QByteArray garbage;
    for (int i = 0; i < 20000; ++i) garbage += char(random() & 0xFF);
    pc->write(garbage);
    time.advance(20000);
    EXPECT_EQ(pc->read(garbage.size() + 1).size(), garbage.size());

    EXPECT_EQ(exchange(0xF0), 0xF0);
    exchangeAll(QByteArray(600, 0x40));  // whatever answers the garbage asked for drain away
    EXPECT_EQ(request(bytes({0xF1, 0x00})), bytes({0xF1, 0x01}));
}

TEST_F(Line401Test, GroupPrefixRoutesTheRequestToThatLift)
{
    start({.lifts = 3, .floors = 6});
    // Three lifts in a group tell their places as 5, 6 and 7; a fourth does not answer.
    EXPECT_EQ(request(bytes({0xF0, 0x10, 0x70, 0x00, 0xF2, 0x55, 0x1B})), bytes({0xF2, 0x05, 0x00}));
    EXPECT_EQ(request(bytes({0xF0, 0x10, 0x70, 0x02, 0xF2, 0x55, 0x1B})), bytes({0xF2, 0x07, 0x00}));
    EXPECT_EQ(request(bytes({0xF0, 0x10, 0x70, 0x03, 0xF2, 0x55, 0x1B})), QByteArray());
    // The prefix holds for one request only; an unrouted one goes to the first lift.
    EXPECT_EQ(request(bytes({0xF2, 0x55, 0x1B})), bytes({0xF2, 0x05, 0x00}));

    EXPECT_EQ(request(bytes({0xF0, 0x10, 0x70, 0x01, 0xF5, 0x55, 0x1E, 0x02, 0x04, 0x00})), bytes({0xF1, 0x01}));
    EXPECT_EQ(installation->lift(1)->callBits(4), 0x04);
    EXPECT_EQ(installation->lift(0)->callBits(4), 0x00);
    EXPECT_EQ(installation->lift(2)->callBits(4), 0x00);
}

TEST_F(Line401Test, RepliesArePacedAtTheBaudRate)
{
    start({}, {.baud = 1200});  // 8.3 ms a byte
    pc->write(QByteArray(10, 0x40));
    EXPECT_EQ(pc->bytesAvailable(), 0);
    time.advance(9);
    EXPECT_EQ(pc->bytesAvailable(), 1);
    time.advance(41);
    EXPECT_EQ(pc->bytesAvailable(), 6);
    time.advance(50);
    EXPECT_EQ(pc->bytesAvailable(), 10);
    EXPECT_EQ(partner->repliesSent(), 10);
}

TEST_F(Line401Test, AtFullSpeedTheLineCarriesAboutOneReplyPerByteTime)
{
    start();
    const qint64 before = time.elapsedMs();
    exchangeAll(QByteArray(19200, 0x40));
    // 19200 replies at 19200 baud fill ten seconds of line time, give or take the clock's millisecond.
    EXPECT_NEAR(double(time.elapsedMs() - before), 10000.0, 2.0);
}

TEST_F(Line401Test, FaultInjection)
{
    start({}, {.noise = 1.0, .seed = 7});
    for (int i = 0; i < 20; ++i) EXPECT_NE(exchange(0x40), 0x40);
    // Noise flips one bit, not the whole byte, and every bit may be hit.
    unsigned flipped = 0;
    for (int i = 0; i < 200; ++i) {
        const unsigned difference = unsigned(exchange(0x40) ^ 0x40);
        EXPECT_EQ(std::popcount(difference), 1) << difference;
        flipped |= difference;
    }
    EXPECT_EQ(flipped, 0xFFu);

    start();
    commands->setWrongHello(true);
    EXPECT_EQ(request(bytes({0xF1, 0x00})), bytes({0xF1, 0x02}));
}

TEST_F(Line401Test, ControllerResetMakesTheLineDeafUntilItIsBack)
{
    start();
    EXPECT_EQ(request(bytes({0xF1, 0x10}), 2), QByteArray());
    EXPECT_EQ(exchange(0x40), -1);
    time.advance(sim::CommandSet::RestartMs - 100);
    EXPECT_EQ(exchange(0x40), -1);
    time.advance(100);
    EXPECT_EQ(exchange(0xF0), 0xF0);
    EXPECT_EQ(request(bytes({0xF1, 0x00})), bytes({0xF1, 0x01}));
}

}  // namespace
