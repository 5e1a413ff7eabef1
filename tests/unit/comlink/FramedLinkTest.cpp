#include "comlink/FramedLink.h"

#include "core/Bytes.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

using comlink::FramedLink;
using core::bytes;

namespace {

const QByteArray Soh = bytes({0x01});
const QByteArray Ack = bytes({0x06});
const QByteArray Nak = bytes({0x15});
const QByteArray F100Frame = bytes({0x02, 0x06, 0x28, 0xFF, 0xFF, 0xF1, 0x00, 0x1C});
// The controller's answer F1 01, framed.
const QByteArray F101Frame = bytes({0x02, 0x06, 0x28, 0xFF, 0xFF, 0xF1, 0x01, 0x1D});

// The layer on virtual time, with the port's side played by the test: what
// the layer sends is collected, what the test feeds arrives as one batch.
struct FramedLinkTest : ::testing::Test {
    FramedLinkTest()
    {
        framedLink.sendString = [this](const QByteArray &b) { sent += b; return true; };
        framedLink.readChars = [this](int n) {
            const QByteArray out = pending.left(n);
            pending.remove(0, out.size());
            return out;
        };
        framedLink.setPortRxHook = [this](std::function<void(int)> hook) { rxHook = std::move(hook); };
        framedLink.onLinkError = [this](const QString &t) { linkErrors << t; };
    }

    // One receive event of the port carrying these bytes.
    void feed(const QByteArray &b)
    {
        pending += b;
        ASSERT_TRUE(rxHook) << "receive hook not installed";
        rxHook(int(pending.size()));
    }
    QByteArray takeSent() { return std::exchange(sent, {}); }

    bool sendF100()
    {
        return framedLink.kavcomSend(bytes({0xF1, 0x00}), [this](const QByteArray &a) { answers << a; });
    }
    // The controller's side of one full exchange, each step a batch of its own.
    void controllerAnswers(const QByteArray &answerFrame)
    {
        feed(Ack);           // SOH acknowledged
        feed(Ack);           // frame acknowledged
        feed(Soh);           // its answer starts
        feed(answerFrame);
    }

    core::VirtualTime time;
    FramedLink framedLink{time};
    QByteArray sent, pending;
    std::function<void(int)> rxHook;
    QList<QByteArray> answers;
    QStringList linkErrors;
};

TEST(FramedLinkFrame, BuildsFramesAndChecksums)
{
    EXPECT_EQ(QByteArray(1, 0x02) + FramedLink::buildFrame(bytes({0xF1, 0x00})), F100Frame);
    EXPECT_EQ(FramedLink::buildFrame({}), bytes({0x04, 0x28, 0xFF, 0xFF, 0x29}));
    // The special telegrams of the synchronisation carry the same checksum rule.
    EXPECT_EQ(FramedLink::checksum(bytes({0x04, 0x28, 0xFF, 0x90})), 0xBA);
    EXPECT_EQ(FramedLink::checksum(bytes({0x03, 0x0C, 0x05})), 0x13);
    const QByteArray group = FramedLink::buildFrame(bytes({0xF0, 0x10, 0x70, 0x01, 0xF1, 0x00}));
    EXPECT_EQ(group.size(), 1 + 3 + 6 + 1);
    EXPECT_EQ(core::byteAt(group, 0), 10);
}

TEST(FramedLinkFrame, UnpacksOnlyStandardAnswers)
{
    struct Case { QByteArray in, data; bool error; };
    const Case cases[] = {
        {bytes({0x28, 0xFF, 0xFF, 0xF1, 0x01, 0x1D}), bytes({0xF1, 0x01}), false},
        {bytes({0x28, 0xFF, 0xFF, 0x1D}), {}, false},
        {bytes({0x28, 0xFF, 0xFF}), {}, false},
        {bytes({0x28, 0xFF, 0x91, 0x41, 0x00}), bytes({0x28, 0xFF, 0x91, 0x41, 0x00}), true},
        {bytes({0x28, 0xFF}), bytes({0x28, 0xFF}), true},
        {{}, {}, true},
        {"<ERROR> NC/TIME.OUT 5000", "<ERROR> NC/TIME.OUT 5000", true},
    };
    for (const Case &c : cases) {
        const auto u = FramedLink::unpackAnswer(c.in);
        EXPECT_EQ(u.data, c.data) << core::hexText(c.in).toStdString();
        EXPECT_EQ(u.error, c.error) << core::hexText(c.in).toStdString();
    }
}

TEST(FramedLinkFrame, FindsTheFirstFrameWithTheAnswerHeader)
{
    const QByteArray std = FramedLink::StandardHeader;
    struct Case { const char *what; QByteArray in; bool complete; QByteArray frame; };
    const Case cases[] = {
        {"plain", F101Frame, true, F101Frame.mid(2)},
        {"noise before STX", bytes({0x55, 0x02, 0x00}) + F101Frame, true, F101Frame.mid(2)},
        {"wrong checksum kept", bytes({0x02, 0x06, 0x28, 0xFF, 0xFF, 0xF1, 0x01, 0x77}), true,
         bytes({0x28, 0xFF, 0xFF, 0xF1, 0x01, 0x77})},
        {"one byte short", F101Frame.left(7), false, {}},
        {"header only", F101Frame.left(5), false, {}},
        {"too short for a header", F101Frame.left(4), false, {}},
        {"other header", bytes({0x02, 0x06, 0x28, 0xFF, 0x91, 0x41, 0x42, 0x00}), false, {}},
        {"trailing bytes ignored", F101Frame + bytes({0x99, 0x98}), true, F101Frame.mid(2)},
        {"length 0", bytes({0x02, 0x00, 0x28, 0xFF, 0xFF}), true, {}},
        {"length 255 incomplete", bytes({0x02, 0xFF, 0x28, 0xFF, 0xFF, 0x00}), false, {}},
        {"empty", {}, false, {}},
    };
    for (const Case &c : cases) {
        bool complete = true;
        EXPECT_EQ(FramedLink::findAnswerFrame(c.in, std, &complete), c.frame) << c.what;
        EXPECT_EQ(complete, c.complete) << c.what;
    }
}

TEST_F(FramedLinkTest, SendsF100AndDeliversTheAnswerData)
{
    ASSERT_TRUE(sendF100());
    EXPECT_EQ(takeSent(), Soh);
    EXPECT_EQ(framedLink.state(), FramedLink::SohSent);
    feed(Ack);
    EXPECT_EQ(takeSent(), F100Frame);
    feed(Ack);
    feed(Soh);
    EXPECT_EQ(takeSent(), Ack);
    EXPECT_EQ(framedLink.state(), FramedLink::Receiving);
    feed(F101Frame.left(3));  // the answer may arrive in pieces
    EXPECT_TRUE(answers.isEmpty());
    feed(F101Frame.mid(3));
    EXPECT_EQ(takeSent(), Ack);
    EXPECT_EQ(answers, QList<QByteArray>{bytes({0xF1, 0x01})});
    EXPECT_EQ(framedLink.state(), FramedLink::Idle);
    EXPECT_FALSE(framedLink.busy());
    EXPECT_TRUE(rxHook) << "the receive hook stays installed after a good transfer";
    time.advance(10000);
    EXPECT_EQ(answers.size(), 1) << "no late time-out";
    EXPECT_TRUE(linkErrors.isEmpty());
}

TEST_F(FramedLinkTest, AcceptsAnAnswerWithAWrongChecksum)
{
    sendF100();
    controllerAnswers(bytes({0x02, 0x06, 0x28, 0xFF, 0xFF, 0xF1, 0x01, 0x00}));
    EXPECT_EQ(answers, QList<QByteArray>{bytes({0xF1, 0x01})});
}

// Each row of the byte table: a start state, the bytes of one receive event,
// and the state, line output and handshake timer that follow.
TEST_F(FramedLinkTest, ByteTable)
{
    enum Start { IdleFresh, InSohSent, InFrameSent, InReceiving };
    struct Row { const char *what; Start start; QByteArray batch; int state; QByteArray out; int timerMs; };
    const Row rows[] = {
        {"Idle SOH", IdleFresh, Soh, FramedLink::Receiving, Ack, 1000},
        {"Idle other", IdleFresh, bytes({0x33}), FramedLink::Idle, {}, 100},
        {"Idle other then SOH", IdleFresh, bytes({0x33, 0x44, 0x01}), FramedLink::Receiving, Ack, 1000},
        {"SohSent ACK", InSohSent, Ack, FramedLink::FrameSent, F100Frame, 1000},
        {"SohSent NAK", InSohSent, Nak, FramedLink::SohRepeat, {}, 200},
        {"SohSent other", InSohSent, bytes({0x02}), FramedLink::Idle, Nak, 2000},
        {"FrameSent ACK", InFrameSent, Ack, FramedLink::Idle, {}, 50},
        {"FrameSent NAK", InFrameSent, Nak, FramedLink::SohSent, Soh, 100},
        {"FrameSent other", InFrameSent, bytes({0x01}), FramedLink::FrameSent, {}, 500},
        {"Receiving complete", InReceiving, F101Frame, FramedLink::Idle, Ack, 1000},
        {"Receiving incomplete", InReceiving, F101Frame.left(6), FramedLink::Receiving, {}, 1000},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        framedLink.kavcomReset();
        answers.clear();
        if (r.start == IdleFresh) {
            rxHook = [this](int n) { framedLink.receiveBytes(n); };  // as the port calls it
        } else {
            sendF100();
            if (r.start >= InFrameSent) feed(Ack);
            if (r.start == InReceiving) {
                feed(Ack);
                feed(Soh);
            }
        }
        takeSent();
        time.advance(0);
        feed(r.batch);
        EXPECT_EQ(framedLink.state(), r.state);
        EXPECT_EQ(takeSent(), r.out);
        EXPECT_TRUE(framedLink.stateTimerActive());
        EXPECT_EQ(framedLink.stateTimerInterval(), r.timerMs);
    }
}

// Each row of the timer table: bytes that wait in the buffer when the
// handshake timer runs out, and what the expiry makes of them.
TEST_F(FramedLinkTest, TimerTable)
{
    struct Row { const char *what; QList<QByteArray> batches; int state; QByteArray out; };
    const Row rows[] = {
        // ACK and SOH in one batch: the SOH waits for the 50 ms look.
        {"Idle steps the buffer", {Ack, Ack + Soh}, FramedLink::Receiving, Ack},
        {"SohSent does nothing", {}, FramedLink::SohSent, {}},
        {"SohRepeat sends SOH again", {Nak}, FramedLink::SohSent, Soh},
        {"FrameSent finds ACK", {Ack, bytes({0x77, 0x06})}, FramedLink::Idle, {}},
        {"FrameSent finds NAK", {Ack, bytes({0x77, 0x15})}, FramedLink::SohSent, Soh},
        {"FrameSent takes SOH as lost ACK", {Ack, bytes({0x77, 0x01})}, FramedLink::Receiving, Ack},
        {"FrameSent finds nothing", {Ack, bytes({0x77, 0x78})}, FramedLink::FrameSent, {}},
        {"Receiving gives up with NAK", {Ack, Ack, Soh, F101Frame.left(4)}, FramedLink::Idle, Nak},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        framedLink.kavcomReset();
        answers.clear();
        sendF100();
        for (const QByteArray &b : r.batches) feed(b);
        takeSent();
        const int interval = framedLink.stateTimerInterval();
        time.advance(interval);
        EXPECT_EQ(framedLink.state(), r.state);
        EXPECT_EQ(takeSent(), r.out);
        EXPECT_TRUE(answers.isEmpty());
    }
}

TEST_F(FramedLinkTest, LostAckFollowedBySohInOneBatchStillBringsTheAnswer)
{
    sendF100();
    feed(Ack);
    takeSent();
    feed(bytes({0x00, 0x01}));  // noise, then the controller's SOH: our ACK got lost
    time.advance(500);
    EXPECT_EQ(takeSent(), Ack);
    feed(F101Frame);
    EXPECT_EQ(answers, QList<QByteArray>{bytes({0xF1, 0x01})});
}

TEST_F(FramedLinkTest, LostAckWithSohFirstInTheBatchEndsInTheTimeOut)
{
    sendF100();
    feed(Ack);
    feed(Soh);  // consumed as an unexpected byte
    feed(F101Frame);
    time.runUntilIdle();
    EXPECT_EQ(answers, QList<QByteArray>{FramedLink::TimeoutError});
    EXPECT_EQ(linkErrors, QStringList{"KAVCOM_TO_ZBL Error"});
}

TEST_F(FramedLinkTest, SecondSendDuringATransferIsRefusedWithoutDisturbingTheFirst)
{
    sendF100();
    QList<QByteArray> second;
    auto trySecond = [&] {
        EXPECT_FALSE(framedLink.kavcomSend(bytes({0xF1, 0x40}), [&](const QByteArray &a) { second << a; }));
    };
    trySecond();  // in SohSent
    feed(Ack);
    feed(Ack);
    trySecond();  // handshake rests in Idle while the answer is awaited
    EXPECT_FALSE(framedLink.startSend(FramedLink::buildFrame({}), {}));
    EXPECT_FALSE(framedLink.sendNoAnswer(bytes({0x03, 0x0C, 0x05, 0x13}), {}));
    takeSent();
    feed(Soh);
    feed(F101Frame);
    EXPECT_EQ(second, (QList<QByteArray>{FramedLink::StatusError, FramedLink::StatusError}));
    EXPECT_EQ(answers, QList<QByteArray>{bytes({0xF1, 0x01})});
    EXPECT_EQ(takeSent(), Ack + Ack) << "the refused sends put nothing on the line";
}

TEST_F(FramedLinkTest, AnswerTimeOutResetsAndTheNextTransferWorks)
{
    sendF100();
    time.advance(4999);
    EXPECT_TRUE(answers.isEmpty());
    time.advance(1);
    EXPECT_EQ(answers, QList<QByteArray>{"<ERROR> NC/TIME.OUT 5000"});
    EXPECT_EQ(linkErrors, QStringList{"KAVCOM_TO_ZBL Error"});
    EXPECT_EQ(framedLink.state(), FramedLink::Idle);
    EXPECT_FALSE(framedLink.busy());
    EXPECT_FALSE(rxHook) << "reset removes the receive hook";

    answers.clear();
    takeSent();
    ASSERT_TRUE(sendF100());
    controllerAnswers(F101Frame);
    EXPECT_EQ(answers, QList<QByteArray>{bytes({0xF1, 0x01})});
}

TEST_F(FramedLinkTest, AnswerWithAnotherHeaderIsHandedOverRawAsALinkError)
{
    framedLink.setAnswerHeader(bytes({0x28, 0xFF, 0x91}));
    sendF100();
    const QByteArray other = bytes({0x02, 0x06, 0x28, 0xFF, 0x91, 0x41, 0x42, 0x00});
    controllerAnswers(other);
    EXPECT_EQ(answers, QList<QByteArray>{other.mid(2)});
    EXPECT_EQ(linkErrors, QStringList{"KAVCOM_TO_ZBL Error"});
    EXPECT_FALSE(framedLink.busy());
    EXPECT_FALSE(rxHook);
}

TEST_F(FramedLinkTest, FrameWithAWrongHeaderIsNotRecognised)
{
    sendF100();
    controllerAnswers(bytes({0x02, 0x06, 0x28, 0xFF, 0x91, 0xF1, 0x01, 0x00}));
    EXPECT_TRUE(answers.isEmpty());
    time.advance(1000);
    EXPECT_EQ(takeSent().right(1), Nak) << "incomplete answer refused after 1000 ms";
    time.runUntilIdle();
    EXPECT_EQ(answers, QList<QByteArray>{FramedLink::TimeoutError});
}

TEST_F(FramedLinkTest, NakStormsEndInTheTimeOutAndTheNextTransferWorks)
{
    // The controller refuses every SOH and every frame for as long as we try.
    auto storm = [&](bool refuseFrame) {
        for (int t = 0; t < 6000 && framedLink.busy(); t += 10) {
            const QByteArray out = takeSent();
            if (out.endsWith(Soh)) feed(refuseFrame ? Ack : Nak);
            else if (out.startsWith(char(0x02))) feed(Nak);
            time.advance(10);
        }
    };
    for (bool refuseFrame : {false, true}) {
        SCOPED_TRACE(refuseFrame ? "frame refused" : "SOH refused");
        answers.clear();
        linkErrors.clear();
        sendF100();
        storm(refuseFrame);
        EXPECT_EQ(answers, QList<QByteArray>{FramedLink::TimeoutError});
        EXPECT_EQ(linkErrors, QStringList{"KAVCOM_TO_ZBL Error"});
        EXPECT_EQ(time.runUntilIdle(), 0) << "no timer left running";
        answers.clear();
        takeSent();
        ASSERT_TRUE(sendF100());
        controllerAnswers(F101Frame);
        EXPECT_EQ(answers, QList<QByteArray>{bytes({0xF1, 0x01})});
    }
}

TEST_F(FramedLinkTest, RepeatsAfterANakToTheFrameUntilItIsAccepted)
{
    sendF100();
    feed(Ack);
    EXPECT_EQ(takeSent(), Soh + F100Frame);
    feed(Nak);
    EXPECT_EQ(takeSent(), Soh);
    controllerAnswers(F101Frame);
    EXPECT_EQ(answers, QList<QByteArray>{bytes({0xF1, 0x01})});
}

TEST_F(FramedLinkTest, NoiseBetweenFramesIsSkipped)
{
    sendF100();
    controllerAnswers(F101Frame);
    feed(bytes({0x55, 0xAA, 0x28, 0xFF}));  // line noise while nothing is asked
    time.advance(100);
    EXPECT_EQ(framedLink.state(), FramedLink::Idle);
    EXPECT_TRUE(framedLink.rxBuffer().isEmpty());
    answers.clear();
    takeSent();
    ASSERT_TRUE(sendF100());
    feed(Ack);
    feed(Ack);
    feed(Soh);
    feed(bytes({0x00, 0x02, 0x7F}) + F101Frame);  // noise before the frame's STX
    EXPECT_EQ(answers, QList<QByteArray>{bytes({0xF1, 0x01})});
}

TEST_F(FramedLinkTest, EndlessNoiseAfterAnSohIsCutOff)
{
    sendF100();
    feed(Ack);
    feed(Ack);
    feed(Soh);
    takeSent();
    for (int i = 0; i < 40 && framedLink.state() == FramedLink::Receiving; ++i) {
        feed(QByteArray(100, char(0x55)));
        time.advance(10);
    }
    EXPECT_EQ(framedLink.state(), FramedLink::Idle);
    EXPECT_EQ(takeSent(), Nak);
}

TEST_F(FramedLinkTest, SendNoAnswerReportsTheAcknowledgementOnce)
{
    QStringList done;
    ASSERT_TRUE(framedLink.sendNoAnswer(bytes({0x03, 0x0C, 0x05, 0x13}), [&](const QString &t) { done << t; }));
    EXPECT_EQ(takeSent(), Soh);
    feed(Ack);
    EXPECT_EQ(takeSent(), bytes({0x02, 0x03, 0x0C, 0x05, 0x13}));
    feed(Ack);
    EXPECT_EQ(done, QStringList{"return with no answer"});
    EXPECT_FALSE(framedLink.busy());
    time.runUntilIdle();
    EXPECT_EQ(done.size(), 1);
    EXPECT_TRUE(linkErrors.isEmpty());
}

TEST_F(FramedLinkTest, StartSendDeliversThePartnerNameFrameRaw)
{
    framedLink.setAnswerHeader(bytes({0x28, 0xFF, 0x91}));
    QList<QByteArray> frames;
    ASSERT_TRUE(framedLink.startSend(bytes({0x04, 0x28, 0xFF, 0x90, 0xBA}), [&](const QByteArray &f) { frames << f; }));
    feed(Ack);
    EXPECT_EQ(takeSent(), Soh + bytes({0x02, 0x04, 0x28, 0xFF, 0x90, 0xBA}));
    feed(Ack);
    feed(Soh);
    feed(bytes({0x02, 0x08, 0x28, 0xFF, 0x91, 'A', 'B', '1', '2', 0x00}));
    EXPECT_EQ(frames, QList<QByteArray>{bytes({0x28, 0xFF, 0x91, 'A', 'B', '1', '2', 0x00})});
}

TEST_F(FramedLinkTest, UnacknowledgedRawStartFreesTheLayerAfterTheTimeOut)
{
    QStringList done;
    framedLink.sendNoAnswer(bytes({0x03, 0x0C, 0x05, 0x13}), [&](const QString &t) { done << t; });
    time.advance(FramedLink::AnswerTimeoutMs);
    EXPECT_FALSE(framedLink.busy());
    EXPECT_TRUE(done.isEmpty());
    EXPECT_EQ(linkErrors, QStringList{"KAVCOM_TO_ZBL Error"});
    EXPECT_TRUE(sendF100());
}

TEST_F(FramedLinkTest, ResetAbandonsTheTransferAndTellsThePendingCaller)
{
    sendF100();
    feed(Ack);
    framedLink.kavcomReset();
    EXPECT_EQ(answers, QList<QByteArray>{FramedLink::StatusError});
    EXPECT_FALSE(rxHook);
    EXPECT_EQ(framedLink.state(), FramedLink::Idle);
    time.runUntilIdle();
    EXPECT_EQ(answers.size(), 1);
    answers.clear();
    takeSent();
    ASSERT_TRUE(sendF100());
    controllerAnswers(F101Frame);
    EXPECT_EQ(answers, QList<QByteArray>{bytes({0xF1, 0x01})});
}

TEST_F(FramedLinkTest, AnswerProcedureMaySendTheNextRequest)
{
    int round = 0;
    std::function<void(const QByteArray &)> again = [&](const QByteArray &a) {
        answers << a;
        if (++round < 2) {
            EXPECT_TRUE(framedLink.kavcomSend(bytes({0xF1, 0x00}), again));
        }
    };
    framedLink.kavcomSend(bytes({0xF1, 0x00}), again);
    controllerAnswers(F101Frame);
    EXPECT_EQ(framedLink.state(), FramedLink::SohSent);
    controllerAnswers(F101Frame);
    EXPECT_EQ(answers.size(), 2);
    EXPECT_FALSE(framedLink.busy());
}

TEST_F(FramedLinkTest, GarbageInEveryStateNeverHangs)
{
    QRandomGenerator rng(4711);
    for (int round = 0; round < 200; ++round) {
        if (!framedLink.busy()) {
            answers.clear();
            sendF100();
        }
        QByteArray noise;
        const int n = int(rng.bounded(1, 12));
        for (int i = 0; i < n; ++i) {
            // Mostly control bytes, so every state sees its interesting inputs.
            static const char pick[] = {0x01, 0x02, 0x06, 0x15, 0x28, char(0xFF), 0x00, 0x77};
            noise += pick[rng.bounded(int(sizeof pick))];
        }
        feed(noise);
        time.advance(rng.bounded(0, 1200));
        EXPECT_LE(answers.size(), 1);
    }
    time.runUntilIdle();
    EXPECT_FALSE(framedLink.busy());
}

}  // namespace
