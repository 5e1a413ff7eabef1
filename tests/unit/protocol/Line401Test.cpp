#include "protocol/Line401.h"

#include "core/Bytes.h"
#include "core/Reports.h"
#include "FakeChannel.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>

using core::bytes;
using protocol::Line401;

namespace {

// The controller end of the cable: answers each line byte with one line
// byte from its script (idle 40h when the script is empty), decodes the
// nibbles it receives, and can stream a raw block or keep silent.
struct Partner {
    comlink::MemorySerialLine &end;
    std::deque<QByteArray> replies;  // one batch per received line byte
    QByteArray got;                  // line bytes received
    QByteArray data;                 // data bytes decoded from them
    bool silent = false;
    QByteArray blockAfterStart;      // streamed raw once F0 10 5C 01 has arrived
    int blockBytesToSend = -1;       // -1: all of it
    bool blockDue = false;
    quint8 high = 0;

    explicit Partner(comlink::MemorySerialLine &e) : end(e)
    {
        end.onReadyRead = [this] { receive(); };
    }
    void receive()
    {
        for (char c : end.read(end.bytesAvailable())) {
            got.append(c);
            decode(quint8(c));
            if (silent) continue;
            if (blockDue) {
                // The block answers the first line byte after the start telegram.
                blockDue = false;
                end.write(blockBytesToSend < 0 ? blockAfterStart : blockAfterStart.left(blockBytesToSend));
                blockAfterStart.clear();
                continue;
            }
            if (!blockAfterStart.isEmpty() && data.endsWith(bytes({0xF0, 0x10, 0x5C, 0x01}))) {
                data.clear();
                blockDue = true;
            }
            QByteArray reply = QByteArray(1, char(0x40));
            if (!replies.empty()) {
                reply = replies.front();
                replies.pop_front();
            }
            end.write(reply);
        }
    }
    void decode(quint8 b)
    {
        if (b & 0xC0) return;  // idle, reset, request
        if (b & 0x20) data.append(char(high << 4 | (b & 0x0F)));
        else high = b & 0x0F;
    }
    // The partner's answer as the line bytes it sends, one per exchange.
    void answer(const QByteArray &payload)
    {
        for (char c : payload) {
            replies.push_back(QByteArray(1, char(quint8(c) >> 4)));
            replies.push_back(QByteArray(1, char(0x20 | (quint8(c) & 0x0F))));
        }
    }
    void script(std::initializer_list<int> lineBytes)
    {
        for (int b : lineBytes) replies.push_back(QByteArray(1, char(b)));
    }
};

struct Line401Test : ::testing::Test {
    Line401Test()
    {
        auto [a, b] = comlink::MemorySerialLine::createPair(&time, 1);
        pcEnd = std::move(a);
        ctlEnd = std::move(b);
        ctlEnd->open("ctl");
#ifdef HALTRON_IDLE_ON_THE_LINE
        pcEnd->setIdleExchangeSupported(true);
#endif
        port = std::make_unique<comlink::ComPort>(*pcEnd, time);
        line = std::make_unique<Line401>(*port, time);
        line->setChannel(&channel);
        partner = std::make_unique<Partner>(*ctlEnd);
        core::reports().reset();
        core::reports().reportWrite = [this](const QString &text) { log << text; };
    }
    ~Line401Test() override { core::reports().reset(); }

    // Starts the line the way the main window does: local mode, then the link action.
    void start()
    {
        line->setLinkMode(0);
        port->linkAction();
        ASSERT_TRUE(line->lineRunning());
    }
    bool logHas(const QString &part) const
    {
        for (const QString &l : log)
            if (l.contains(part)) return true;
        return false;
    }

    core::VirtualTime time;
    std::unique_ptr<comlink::MemorySerialLine> pcEnd, ctlEnd;
    std::unique_ptr<comlink::ComPort> port;
    FunctionChannel channel;
    std::unique_ptr<Line401> line;
    std::unique_ptr<Partner> partner;
    QStringList log;
};

TEST_F(Line401Test, TelegramGoesOutAsNibblesOneByteAfterEachReply)
{
    start();
    line->lineSend(bytes({0xF1, 0x00}), nullptr);
    time.advance(1);  // the partner has our first byte, its reply is on the way
    EXPECT_EQ(partner->got, bytes({0x40}));
    time.advance(40);
    EXPECT_TRUE(partner->got.startsWith(bytes({0x40, 0x0F, 0x21, 0x00, 0x20, 0x40, 0x40})));
    EXPECT_EQ(partner->data, bytes({0xF1, 0x00}));
    EXPECT_TRUE(port->isLinked());
    EXPECT_TRUE(port->isLinked());
}

// Built twice: once the driver makes every exchange itself, once the line runs
// the steady idle (as a real device does on a thread of its own); the driver's
// behaviour must be the same byte for byte.
TEST_F(Line401Test, SteadyIdleRunsOnTheLineWhereItCanAndCountsTheSame)
{
#ifdef HALTRON_IDLE_ON_THE_LINE
    const bool onTheLine = true;
#else
    const bool onTheLine = false;
#endif
    start();
    time.advance(100);
    EXPECT_EQ(pcEnd->idleExchangeStatus().running, onTheLine);
    EXPECT_TRUE(port->isLinked());
    // Every reply counted, and every byte sent: the partner's, and one on its way.
    EXPECT_EQ(line->view().rxCount, partner->got.size());
    EXPECT_EQ(line->view().txCount, partner->got.size() + 1);

    QByteArray answer;
    partner->answer(bytes({0xF1, 0x01}));
    line->lineSend(bytes({0xF1, 0x00}), [&](const QByteArray &a) { answer = a; });
    EXPECT_FALSE(pcEnd->idleExchangeStatus().running);  // the telegram takes the line back at once
    time.advance(100);
    EXPECT_EQ(answer, bytes({0xF1, 0x01}));
    EXPECT_EQ(partner->data, bytes({0xF1, 0x00}));
    EXPECT_EQ(pcEnd->idleExchangeStatus().running, onTheLine);
    EXPECT_EQ(line->view().txCount, partner->got.size() + 1);
    EXPECT_EQ(line->view().timeoutCount, 0);
}

TEST_F(Line401Test, AnswerIsAssembledFromNibblesAndHandedOverOnce)
{
    start();
    time.advance(4);
    QList<QByteArray> answers;
    partner->script({0x0F, 0x21, 0x00, 0x21});
    line->lineSend(bytes({0xF1, 0x00}), [&](const QByteArray &a) { answers << a; });
    time.advance(100);
    ASSERT_EQ(answers.size(), 1);
    EXPECT_EQ(answers[0], bytes({0xF1, 0x01}));
    // A second answer with no request in flight reaches nobody.
    partner->answer(bytes({0xF1, 0x01}));
    time.advance(100);
    EXPECT_EQ(answers.size(), 1);
}

TEST_F(Line401Test, ReceivedBytesOutsideAnAnswerAndIdleClearing)
{
    struct Case {
        const char *name;
        std::initializer_list<int> lineBytes;
        QByteArray other;
    };
    const Case cases[] = {
        {"idle clears a half byte", {0x0F, 0x40, 0x01, 0x21}, bytes({0x11})},
        {"plain data byte", {0x03, 0x24}, bytes({0x34})},
        {"a reset byte from the partner carries no data", {0x01, 0xF0, 0x01, 0x22}, bytes({0x12})},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (line->lineRunning()) line->startStopLine();  // stop
        partner->replies.clear();
        partner->script(c.lineBytes);
        start();
        time.advance(100);
        EXPECT_EQ(line->otherData(), c.other);
    }
}

TEST_F(Line401Test, RepeatRequestsAreRepeatedTwiceThenTheLineIsReset)
{
    start();
    line->lineSend(bytes({0xF1, 0x00}), nullptr);
    // Reply to our idle byte, then three requests, then the partner takes the reset.
    partner->script({0x40, 0x80, 0x80, 0x80, 0xF0});
    time.advance(60);
    EXPECT_TRUE(partner->got.startsWith(bytes({0x40, 0x0F, 0x1F, 0x1F, 0xF0, 0x1F, 0x21, 0x00, 0x20, 0x40})))
        << core::hexText(partner->got).toStdString();
    EXPECT_TRUE(line->lineGood());
}

// Every kind of byte whose markers cannot be right makes the driver ask for it
// again with the request marker instead of assembling it. The partner's repeat
// carries the repetition marker; what it says is what gets assembled.
TEST_F(Line401Test, BytesWhoseMarkersDoNotFitAreAskedForAgain)
{
    struct Case {
        const char *name;
        std::initializer_list<int> lineBytes;  // the partner's replies, noise included
        QByteArray other;                      // data bytes assembled from them
        int requests;                          // request bytes the driver sent
    };
    const Case cases[] = {
        {"a high nibble where the low one is due", {0x03, 0x04, 0x34}, bytes({0x34}), 1},
        {"a low nibble where a high one is due", {0x23, 0x13, 0x24}, bytes({0x34}), 1},
        {"a repetition nobody asked for", {0x13, 0x13, 0x24}, bytes({0x34}), 1},
        {"an idle byte with a nibble", {0x41, 0x50, 0x03, 0x24}, bytes({0x34}), 1},
        {"idle and low together", {0x03, 0x64, 0x34}, bytes({0x34}), 1},
        {"a repeat that lost its repetition marker is asked for once more", {0x03, 0x04, 0x24, 0x34}, bytes({0x34}), 2},
        {"a repeat that reads the same is taken as sent", {0x03, 0x05, 0x15, 0x26}, bytes({0x56}), 1},
        {"a partner that keeps misfitting is asked a bounded number of times",
         {0x23, 0x34, 0x35, 0x36, 0x37}, bytes({0x07}), Line401::RequestLimit},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (line->lineRunning()) line->startStopLine();  // stop
        partner->replies.clear();
        partner->got.clear();
        partner->script(c.lineBytes);
        start();
        time.advance(100);
        EXPECT_EQ(line->otherData(), c.other);
        int requests = 0;
        for (char b : partner->got) requests += (quint8(b) & 0x80) && quint8(b) != 0xF0;
        EXPECT_EQ(requests, c.requests) << core::hexText(partner->got).toStdString();
        // A request repeats our own byte: nothing of ours goes missing meanwhile.
        for (char b : partner->got) EXPECT_EQ(quint8(b) & 0x7F, 0x40) << core::hexText(partner->got).toStdString();
    }
}

// Inside an answer the partner does not pause: an idle there is a spoilt nibble.
TEST_F(Line401Test, IdleInsideAnAnswerIsAskedForAgain)
{
    start();
    time.advance(4);
    QList<QByteArray> answers;
    // F1 01 whose third line byte, the high nibble 0, arrives with the idle bit set.
    partner->script({0x0F, 0x21, 0x40, 0x10, 0x21});
    line->lineSend(bytes({0xF1, 0x00}), [&](const QByteArray &a) { answers << a; });
    time.advance(100);
    EXPECT_EQ(answers, QList<QByteArray>{bytes({0xF1, 0x01})});
    // Our telegram went out whole, one request in between.
    EXPECT_EQ(partner->data, bytes({0xF1, 0x00}));
    EXPECT_EQ(std::count_if(partner->got.begin(), partner->got.end(), [](char b) { return quint8(b) & 0x80; }), 1)
        << core::hexText(partner->got).toStdString();
}

// An idle the partner confirms ends its answer: the half of it is not glued to the next one.
TEST_F(Line401Test, AnswerThePartnerBreaksOffIsDropped)
{
    start();
    time.advance(4);
    QList<QByteArray> answers;
    partner->script({0x0F, 0x23, 0x00, 0x21, 0x40, 0x50});  // F3 01, then the partner idles
    line->lineSend(bytes({0xF3, 0x00}), [&](const QByteArray &a) { answers << a; });
    time.advance(100);
    partner->answer(bytes({0xF1, 0x01}));
    line->lineSend(bytes({0xF1, 0x00}), [&](const QByteArray &a) { answers << a; });
    time.advance(100);
    EXPECT_EQ(answers, QList<QByteArray>{bytes({0xF1, 0x01})});
}

TEST_F(Line401Test, OnlyTheLastByteOfABatchCounts)
{
    start();
    // A high nibble, then "0F 21" in one batch: only 21 is taken, so no answer F1 starts.
    partner->replies.push_back(bytes({0x00}));
    partner->replies.push_back(bytes({0x0F, 0x21}));
    time.advance(40);
    EXPECT_EQ(line->otherData(), bytes({0x01}));
    EXPECT_LE(line->view().txCount - partner->got.size(), 1);  // one byte may be on its way
    EXPECT_GE(line->view().rxCount, 3);
}

TEST_F(Line401Test, SilentPartnerTurnsTheLinkRedAndRecoversWhenItReturns)
{
    start();
    time.advance(50);
    ASSERT_TRUE(port->isLinked());
    partner->silent = true;
    const int sentBefore = int(partner->got.size());
    time.advance(2000 + 6 * 500);
    EXPECT_FALSE(port->isLinked());
    EXPECT_FALSE(port->isLinked());
    EXPECT_TRUE(logHas("link down"));
    EXPECT_GE(line->view().timeoutCount, 6);
    // The simulated reset bytes drive the state machine: repeats, then the reset byte.
    EXPECT_TRUE(partner->got.mid(sentBefore).contains(char(0xF0))) << core::hexText(partner->got.mid(sentBefore)).toStdString();
    EXPECT_FALSE(line->lineGood() && port->isLinked());

    partner->silent = false;
    partner->replies.push_back(bytes({0xF0}));
    time.advance(2000);
    EXPECT_TRUE(port->isLinked());
    EXPECT_TRUE(logHas("link up"));
    QByteArray answer;
    partner->answer(bytes({0xF1, 0x01}));
    line->lineSend(bytes({0xF1, 0x00}), [&](const QByteArray &a) { answer = a; });
    time.advance(100);
    EXPECT_EQ(answer, bytes({0xF1, 0x01}));
}

// Replies only move the line timer's deadline: the time-out must neither
// fire while they flow nor lose the deadline when the timer wakes early.
class Line401TimeOutTest : public Line401Test, public ::testing::WithParamInterface<int> {};

TEST_P(Line401TimeOutTest, FallsDueOneTimeoutAfterTheLastReplyThenEveryRetry)
{
    const int timeoutMs = GetParam();
    start();
    time.advance(100);
    line->swapLineTimeout(timeoutMs);  // takes effect with the next reply
    time.advance(5000);
    EXPECT_EQ(line->view().timeoutCount, 0);
    partner->silent = true;
    time.advance(timeoutMs - 10);
    EXPECT_EQ(line->view().timeoutCount, 0);
    time.advance(20);
    EXPECT_EQ(line->view().timeoutCount, 1);
    time.advance(protocol::Line401::RetryMs);
    EXPECT_EQ(line->view().timeoutCount, 2);
}

INSTANTIATE_TEST_SUITE_P(LineTimeouts, Line401TimeOutTest, ::testing::Values(2000, 300, 4000));

TEST_F(Line401Test, GarbageDoesNotHangTheLine)
{
    start();
    std::mt19937 random(7);
    for (int i = 0; i < 500; ++i) {
        QByteArray batch;
        for (int n = 1 + int(random() % 3); n > 0; --n) batch.append(char(random() & 0xFF));
        partner->replies.push_back(batch);
    }
    time.advance(3000);
    EXPECT_TRUE(partner->replies.empty());
    partner->silent = true;
    time.advance(6000);
    partner->silent = false;
    partner->replies.push_back(bytes({0xF0}));
    time.advance(2000);
    QByteArray answer;
    partner->answer(bytes({0xF1, 0x01}));
    line->lineSend(bytes({0xF1, 0x00}), [&](const QByteArray &a) { answer = a; });
    time.advance(200);
    EXPECT_EQ(answer, bytes({0xF1, 0x01}));
    EXPECT_TRUE(port->isLinked());
}

TEST_F(Line401Test, AnswerCutOffBySilenceIsDropped)
{
    start();
    time.advance(10);
    QList<QByteArray> answers;
    line->lineSend(bytes({0xF3, 0x00}), [&](const QByteArray &a) { answers << a; });
    partner->answer(bytes({0xF3, 0x01}));  // two of four bytes, then nothing
    time.advance(20);
    partner->silent = true;
    time.advance(6000);
    partner->silent = false;
    partner->replies.push_back(bytes({0xF0}));
    time.advance(2000);
    partner->answer(bytes({0xF1, 0x01}));
    line->lineSend(bytes({0xF1, 0x00}), [&](const QByteArray &a) { answers << a; });
    time.advance(200);
    EXPECT_EQ(answers, QList<QByteArray>{bytes({0xF1, 0x01})});
}

// The queue gives up on a request whose first byte was half sent when the
// partner fell silent: neither that byte nor the rest goes out once the
// partner is back, so the next request is the next thing it reads.
TEST_F(Line401Test, DroppedRequestIsNotSentAfterTheReset)
{
    start();
    time.advance(10);
    bool oldAnswered = false;
    line->lineSend(bytes({0xF1, 0x48}), [&](const QByteArray &) { oldAnswered = true; });
    for (int ms = 0; !partner->got.endsWith(char(0x0F)) && ms < 100; ++ms) time.advance(1);
    ASSERT_TRUE(partner->got.endsWith(char(0x0F)));
    partner->silent = true;
    time.advance(6000);
    const qsizetype dataBefore = partner->data.size();
    line->dropRequest();

    partner->silent = false;
    partner->replies.push_back(bytes({0xF0}));
    time.advance(2000);
    ASSERT_TRUE(port->isLinked());
    QByteArray answer;
    partner->answer(bytes({0xF1, 0x01}));
    line->lineSend(bytes({0xF1, 0x00}), [&](const QByteArray &a) { answer = a; });
    time.advance(200);
    EXPECT_EQ(core::hexText(partner->data.mid(dataBefore)).toStdString(), "F1 00");
    EXPECT_EQ(answer, bytes({0xF1, 0x01}));
    EXPECT_FALSE(oldAnswered);
}

TEST_F(Line401Test, DeviceLossClosesReportsAndReopens)
{
    start();
    time.advance(50);
    pcEnd->breakLine("device gone");
    EXPECT_FALSE(port->isOpen());
    EXPECT_FALSE(port->isLinked());
    EXPECT_TRUE(logHas("device gone"));
    time.advance(2000 + 10 * 500);  // the line timer tries the device again
    time.advance(100);
    EXPECT_TRUE(port->isOpen());
    EXPECT_TRUE(port->isLinked());
}

TEST_F(Line401Test, ClickingTheLampStopsAndRestartsTheLine)
{
    start();
    time.advance(20);
    port->linkAction();
    EXPECT_TRUE(line->lineStopped());
    EXPECT_FALSE(port->isLinked());
    const QByteArray sent = partner->got;
    time.advance(10000);
    EXPECT_LE(partner->got.size(), sent.size() + 1);  // at most the reply already on the way
    port->linkAction();
    time.advance(20);
    EXPECT_FALSE(line->lineStopped());
    EXPECT_TRUE(port->isLinked());
}

TEST_F(Line401Test, RemoteModeLocksWritesAndStopsTheLineTimer)
{
    int queueMode = 0;
    line->setQueueMode = [&](int mode) { queueMode = mode; };
    line->setLinkMode(0);
    EXPECT_EQ(queueMode, 2);
    EXPECT_EQ(line->view().portText, "COM1/19200/8N1");
    start();
    time.advance(20);
    line->setLinkMode(1);
    EXPECT_EQ(queueMode, 1);
    EXPECT_FALSE(line->lineRunning());
    const QByteArray sent = partner->got;
    line->zblPortWrite(0x40);
    time.advance(5000);
    EXPECT_LE(partner->got.size(), sent.size() + 1);
    EXPECT_TRUE(logHas("zbl_port/\"write\" auf gesperrten port"));
    EXPECT_TRUE(port->isLinked());  // the remote route's lamps are left alone
}

TEST_F(Line401Test, PortThatCannotOpenShowsError)
{
    pcEnd->setOpenFails(true);
    line->openLine();
    EXPECT_TRUE(line->view().portFailed);
    EXPECT_TRUE(logHas("no such device"));
}

TEST_F(Line401Test, HaltStopsEverything)
{
    start();
    time.advance(20);
    line->zblPortHalt();
    const QByteArray sent = partner->got;
    time.advance(5000);
    EXPECT_LE(partner->got.size(), sent.size() + 1);
    port->linkAction();
    EXPECT_FALSE(line->lineRunning());
}

TEST_F(Line401Test, FullRingDropsFurtherBytes)
{
    line->lineSend(QByteArray(1200, char(0x01)), nullptr);
    EXPECT_EQ(line->outCount(), Line401::RingSize - 1);
}

struct BlockReadTest : Line401Test {
    BlockReadTest()
    {
        // A queue stand-in: sends at once through the driver, as the queue does in mode 2.
        channel.onPut = [this](int, core::AnswerProc onAnswer, const QByteArray &telegram) {
            puts << telegram;
            line->lineSend(telegram, std::move(onAnswer));
            return true;
        };
    }
    QList<QByteArray> puts;
};

TEST_F(BlockReadTest, BlockArrivesRawAndTheLineRestarts)
{
    start();
    time.advance(10);
    QByteArray block;
    int calls = 0;
    bool complete = false;
    partner->blockAfterStart = QByteArray("0123456789ABCDEF");
    ASSERT_TRUE(line->startBlockRead([&](const QByteArray &b, bool c) { block = b, complete = c, ++calls; }, 16));
    EXPECT_EQ(puts, QList<QByteArray>{bytes({0xF0, 0x10, 0x5C, 0x01})});
    time.advance(200);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(complete);
    EXPECT_EQ(block, QByteArray("0123456789ABCDEF"));
    // The nibble exchange runs again afterwards.
    const qsizetype before = partner->got.size();
    time.advance(20);
    EXPECT_GT(partner->got.size(), before);
    EXPECT_TRUE(port->isLinked());
}

TEST_F(BlockReadTest, AStalledBlockIsReportedIncomplete)
{
    start();
    time.advance(10);
    partner->blockAfterStart = QByteArray("0123456789ABCDEF");
    partner->blockBytesToSend = 5;
    QByteArray block;
    int calls = 0;
    bool complete = true;
    partner->silent = false;
    line->startBlockRead([&](const QByteArray &b, bool c) { block = b, complete = c, ++calls; }, 16);
    time.advance(100);
    partner->silent = true;  // nothing more comes
    time.advance(3000);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(complete);
    EXPECT_EQ(block, QByteArray("01234"));
    EXPECT_TRUE(logHas("block read broken off"));
}

TEST_F(BlockReadTest, RefusedStartIsReportedNotRetried)
{
    channel.onPut = [this](int, core::AnswerProc, const QByteArray &telegram) {
        puts << telegram;
        return false;
    };
    start();
    int calls = 0;
    EXPECT_FALSE(line->startBlockRead([&](const QByteArray &, bool) { ++calls; }, 16));
    time.advance(10000);
    EXPECT_EQ(puts.size(), 1);
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(logHas("block read refused"));
    // The refused read does not stay armed: a later one may start.
    channel.onPut = [](int, core::AnswerProc, const QByteArray &) { return true; };
    EXPECT_TRUE(line->startBlockRead([](const QByteArray &, bool) {}, 16));
}

TEST_F(BlockReadTest, ArmedReadWaitsForItsStartTelegramToBeSent)
{
    // The queue holds the start telegram back behind another request.
    QByteArray held;
    channel.onPut = [&](int, core::AnswerProc, const QByteArray &telegram) {
        held = telegram;
        return true;
    };
    start();
    partner->blockAfterStart = QByteArray("xyz");
    QByteArray block;
    line->startBlockRead([&](const QByteArray &b, bool) { block = b; }, 3);
    time.advance(100);  // idle exchanges: the read must not start on them
    EXPECT_TRUE(block.isEmpty());
    EXPECT_TRUE(port->isLinked());
    line->lineSend(held, nullptr);
    time.advance(100);
    EXPECT_EQ(block, QByteArray("xyz"));
}

TEST_F(Line401Test, ControllerButtonsQueueTheirTelegramsAndShowTheAnswer)
{
    QList<QPair<int, QByteArray>> puts;
    core::AnswerProc last;
    channel.onPut = [&](int length, core::AnswerProc onAnswer, const QByteArray &telegram) {
        puts << qMakePair(length, telegram);
        last = std::move(onAnswer);
        return true;
    };
    EXPECT_TRUE(line->qrxReset());
    EXPECT_TRUE(line->askGroup());
    EXPECT_TRUE(line->view().qrxWaiting);
    EXPECT_TRUE(line->askF100());
    const QList<QPair<int, QByteArray>> expected{
        {0, bytes({0xF1, 0x10})}, {2, bytes({0xC1, 0x00})}, {2, bytes({0xF1, 0x00})}};
    EXPECT_EQ(puts, expected);
    last(bytes({0xF1, 0x01}));
    EXPECT_EQ(line->view().qrxReturn, "F101");
    EXPECT_FALSE(line->view().qrxWaiting);
    EXPECT_TRUE(line->view().synced);
    last(bytes({0xab}));  // short answer: missing bytes read as 0
    EXPECT_EQ(line->view().qrxReturn, "AB00");
    EXPECT_FALSE(line->view().synced);
    EXPECT_FALSE(line->askVersionText());  // no library wired
}

TEST_F(Line401Test, SwapLineTimeoutReturnsThePreviousValue)
{
    EXPECT_EQ(line->swapLineTimeout(5000), 2000);
    EXPECT_EQ(line->swapLineTimeout(2000), 5000);
}

}  // namespace
