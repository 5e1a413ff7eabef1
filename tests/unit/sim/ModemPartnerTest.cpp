#include "sim/ModemPartner.h"

#include "core/Bytes.h"
#include "comlink/FramedLink.h"

#include <gtest/gtest.h>

using core::bytes;
using sim::ModemPartner;

namespace {

// LEN, content, checksum: a frame as it follows STX.
QByteArray frame(const QByteArray &content)
{
    const QByteArray body = QByteArray(1, char(content.size() + 1)) + content;
    return body + char(comlink::FramedLink::checksum(body));
}

struct ModemTest : ::testing::Test {
    void start(sim::ModemOptions options = {}, sim::InstallationSetup setup = {})
    {
        modem.reset();
        commands.reset();
        installation.reset();
        auto [a, b] = comlink::MemorySerialLine::createPair();
        pc = std::move(a);
        ctl = std::move(b);
        pc->open("pc");
        ctl->open("modem");
        installation = std::make_unique<sim::Installation>(time, setup);
        commands = std::make_unique<sim::CommandSet>(*installation);
        modem = std::make_unique<ModemPartner>(*ctl, time, *commands, options);
    }

    QByteArray send(const QByteArray &data)
    {
        pc->write(data);
        return received();
    }
    QByteArray received() { return pc->read(pc->bytesAvailable()); }

    // Dials and synchronises as the PC does, up to the partner notification.
    void connectAndSync()
    {
        send("ATDT0711123456\r");
        time.advance(2000);
        ASSERT_EQ(received(), QByteArray("\r\nCONNECT 19200\r\n"));
        ASSERT_EQ(send("AT01\r" + bytes({0x01})), bytes({0x06, 0x15, 0x15}));
        ASSERT_EQ(send(bytes({0x01})), bytes({0x06}));
        ASSERT_EQ(send(bytes({0x02, 0x03, 0x0C, 0x05, 0x13})), bytes({0x06}));
    }

    // One request frame out; the answer frame's content back (the PC's side of the handshake).
    QByteArray request(const QByteArray &content)
    {
        EXPECT_EQ(send(bytes({0x01})), bytes({0x06}));
        EXPECT_EQ(send(QByteArray(1, 0x02) + frame(content)), bytes({0x06, 0x01}));
        const QByteArray answer = send(bytes({0x06}));
        EXPECT_EQ(core::byteAt(answer, 0), 0x02);
        pc->write(bytes({0x06}));
        const QByteArray whole = answer.mid(1);
        EXPECT_EQ(frame(whole.mid(1, whole.size() - 2)), whole);  // length and checksum right
        return whole.mid(1, whole.size() - 2);
    }

    core::VirtualTime time;
    std::unique_ptr<comlink::MemorySerialLine> pc, ctl;
    std::unique_ptr<sim::Installation> installation;
    std::unique_ptr<sim::CommandSet> commands;
    std::unique_ptr<ModemPartner> modem;
};

TEST_F(ModemTest, CommandModeAnswersLikeAHayesModem)
{
    start();
    struct Case {
        QByteArray command;
        QByteArray reply;
    } cases[] = {
        {"AT\r", "\r\nOK\r\n"},
        {"ate0\r\n", "\r\nOK\r\n"},
        {"ATS7?\r", "\r\n000\r\n\r\nOK\r\n"},
        {"HELLO\r", "\r\nERROR\r\n"},
        {"AT", ""},  // not ended yet
    };
    for (const auto &c : cases) EXPECT_EQ(send(c.command), c.reply) << c.command.constData();
    EXPECT_TRUE(send("I0\r").endsWith("\r\nOK\r\n"));
    EXPECT_FALSE(modem->online());

    send("ATDT123\r");
    time.advance(1999);
    EXPECT_EQ(received(), QByteArray());
    time.advance(1);
    EXPECT_EQ(received(), QByteArray("\r\nCONNECT 19200\r\n"));
    EXPECT_TRUE(modem->online());
}

TEST_F(ModemTest, SynchronisationNameAndRequests)
{
    start({}, {.lifts = 2});
    connectAndSync();

    const QByteArray name = request(bytes({0x28, 0xFF, 0x90}));
    EXPECT_TRUE(name.startsWith(bytes({0x28, 0xFF, 0x91})));
    // The PC's rule: drop the last two bytes of the content with its checksum, keep "0".."z".
    QByteArray kept;
    for (char c : (name + "c").chopped(2))
        if (c >= '0' && c <= 'z') kept += c;
    EXPECT_EQ(kept, QByteArray("QRXSIM"));

    EXPECT_EQ(request(bytes({0x28, 0xFF, 0xFF, 0xF1, 0x00})), bytes({0x28, 0xFF, 0xFF, 0xF1, 0x01}));
    EXPECT_EQ(request(bytes({0x28, 0xFF, 0xFF, 0xF0, 0x10, 0x70, 0x01, 0xF2, 0x55, 0x1B})),
              bytes({0x28, 0xFF, 0xFF, 0xF2, 0x02, 0x00}));
    // The queue test telegram holds an SOH byte inside the frame.
    EXPECT_EQ(request(bytes({0x28, 0xFF, 0xFF, 0xF3, 0x01, 0x02, 0x03})), bytes({0x28, 0xFF, 0xFF, 0xF0}));
}

TEST_F(ModemTest, BadFramesAreRefusedAndTheRepeatIsServed)
{
    start();
    connectAndSync();
    EXPECT_EQ(send(bytes({0x01})), bytes({0x06}));
    EXPECT_EQ(send(bytes({0x02, 0x06, 0x28, 0xFF, 0xFF, 0xF1, 0x00, 0x1D})), bytes({0x15}));  // checksum off by one
    EXPECT_EQ(request(bytes({0x28, 0xFF, 0xFF, 0xF1, 0x00})), bytes({0x28, 0xFF, 0xFF, 0xF1, 0x01}));

    // A frame that never completes: NAK after a second.
    EXPECT_EQ(send(bytes({0x01})), bytes({0x06}));
    EXPECT_EQ(send(bytes({0x02, 0x06, 0x28})), QByteArray());
    time.advance(1000);
    EXPECT_EQ(received(), bytes({0x15}));
    EXPECT_EQ(request(bytes({0x28, 0xFF, 0xFF, 0xF1, 0x00})), bytes({0x28, 0xFF, 0xFF, 0xF1, 0x01}));
}

TEST_F(ModemTest, AnswerHandshakeRepeatsOnNakAndGivesUpWhenThePcHasGone)
{
    start();
    connectAndSync();
    const QByteArray hello = QByteArray(1, 0x02) + frame(bytes({0x28, 0xFF, 0xFF, 0xF1, 0x00}));
    const QByteArray answer = QByteArray(1, 0x02) + frame(bytes({0x28, 0xFF, 0xFF, 0xF1, 0x01}));
    EXPECT_EQ(send(bytes({0x01})), bytes({0x06}));
    EXPECT_EQ(send(hello), bytes({0x06, 0x01}));
    EXPECT_EQ(send(bytes({0x06})), answer);
    EXPECT_EQ(send(bytes({0x15})), bytes({0x01}));  // the PC wants it again: the handshake starts over
    EXPECT_EQ(send(bytes({0x06})), answer);
    EXPECT_EQ(send(bytes({0x06})), QByteArray());

    EXPECT_EQ(send(bytes({0x01})), bytes({0x06}));
    EXPECT_EQ(send(hello), bytes({0x06, 0x01}));
    time.advance(60000);
    EXPECT_EQ(received(), QByteArray(comlink::FramedPartner::RetryLimit, 0x01));  // more offers, then silence
    EXPECT_EQ(request(bytes({0x28, 0xFF, 0xFF, 0xF1, 0x60})).size(), 3 + 7);
}

TEST_F(ModemTest, DialResults)
{
    struct Case {
        sim::DialResult result;
        QByteArray reply;
    } cases[] = {
        {sim::DialResult::Busy, "\r\nBUSY\r\n"},
        {sim::DialResult::NoCarrier, "\r\nNO CARRIER\r\n"},
        {sim::DialResult::None, ""},
    };
    for (const auto &c : cases) {
        start({.dialMs = 3000, .dialResult = c.result});
        send("ATDT1\r");
        time.advance(2999);
        EXPECT_EQ(received(), QByteArray());
        time.advance(60000);
        EXPECT_EQ(received(), c.reply);
        EXPECT_FALSE(modem->connected());
        EXPECT_EQ(send("AT\r"), QByteArray("\r\nOK\r\n"));  // still in command mode
    }
}

TEST_F(ModemTest, CarrierLossAndHangingUp)
{
    start({.hangupAfterMs = 5000});
    connectAndSync();
    time.advance(4000);
    EXPECT_EQ(received(), QByteArray());
    time.advance(1000);
    EXPECT_EQ(received(), QByteArray("\r\nNO CARRIER\r\n"));
    EXPECT_FALSE(modem->connected());
    EXPECT_EQ(send(bytes({0x01})), QByteArray());  // no line to the controller any more
    EXPECT_EQ(send("AT\r"), QByteArray("\r\nOK\r\n"));

    // A new session's modem commands while still online: the PC dropped DTR unseen.
    start();
    connectAndSync();
    EXPECT_EQ(send("ATZ\r"), QByteArray("\r\nOK\r\n"));
    EXPECT_FALSE(modem->online());
    EXPECT_FALSE(modem->connected());

    // The escape after a second's silence keeps the call; ATO returns to it, ATH ends it.
    start();
    connectAndSync();
    EXPECT_EQ(send("+++"), QByteArray());
    time.advance(ModemPartner::EscapeGuardMs);
    EXPECT_EQ(received(), QByteArray("\r\nOK\r\n"));
    EXPECT_FALSE(modem->online());
    EXPECT_TRUE(modem->connected());
    EXPECT_EQ(send("ATO\r"), QByteArray("\r\nCONNECT 19200\r\n"));
    EXPECT_EQ(request(bytes({0x28, 0xFF, 0xFF, 0xF1, 0x00})), bytes({0x28, 0xFF, 0xFF, 0xF1, 0x01}));
    send("+++");
    time.advance(ModemPartner::EscapeGuardMs);
    received();
    EXPECT_EQ(send("ATH\r"), QByteArray("\r\nOK\r\n"));
    EXPECT_FALSE(modem->connected());

    // The hang-up command right behind the escape still hangs up.
    start();
    connectAndSync();
    EXPECT_EQ(send("+++ATH\r"), QByteArray("\r\nOK\r\n"));
    EXPECT_FALSE(modem->connected());

    // "+++" followed by more data at once is data, not the escape.
    start();
    connectAndSync();
    send("+++x");
    time.advance(ModemPartner::EscapeGuardMs);
    EXPECT_EQ(received(), QByteArray());
    EXPECT_TRUE(modem->online());
}

TEST_F(ModemTest, InjectedNaksHitRequestsOnly)
{
    start({.nakRate = 1.0});
    connectAndSync();
    EXPECT_NE(request(bytes({0x28, 0xFF, 0x90})), QByteArray());  // the partner name still comes
    EXPECT_EQ(send(bytes({0x01})), bytes({0x06}));
    EXPECT_EQ(send(QByteArray(1, 0x02) + frame(bytes({0x28, 0xFF, 0xFF, 0xF1, 0x00}))), bytes({0x15}));
}

TEST_F(ModemTest, ControllerResetSilencesItWhileTheModemStaysUp)
{
    start();
    connectAndSync();
    EXPECT_EQ(send(bytes({0x01})), bytes({0x06}));
    EXPECT_EQ(send(QByteArray(1, 0x02) + frame(bytes({0x28, 0xFF, 0xFF, 0xF1, 0x10}))), bytes({0x06}));
    EXPECT_EQ(send(bytes({0x01})), bytes({0x06}));
    EXPECT_EQ(send(QByteArray(1, 0x02) + frame(bytes({0x28, 0xFF, 0xFF, 0xF1, 0x00}))), bytes({0x06}));  // no answer
    time.advance(sim::CommandSet::RestartMs);
    EXPECT_EQ(request(bytes({0x28, 0xFF, 0xFF, 0xF1, 0x00})), bytes({0x28, 0xFF, 0xFF, 0xF1, 0x01}));
}

TEST_F(ModemTest, RepliesArePacedAtTheLineSpeed)
{
    start({.baud = 1920});  // 5.2 ms a byte
    pc->write("AT\r");
    QByteArray got = received();
    time.advance(20);
    got += received();
    EXPECT_LT(got.size(), 6);
    time.advance(20);
    EXPECT_EQ(got + received(), QByteArray("\r\nOK\r\n"));
}

}  // namespace
