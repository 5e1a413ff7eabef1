#include "protocol/TransferQueue.h"

#include "FakeLineRoute.h"
#include "core/Bytes.h"
#include "core/Reports.h"

#include <gtest/gtest.h>

using core::bytes;
using protocol::TransferQueue;

namespace {

const QByteArray Hello = bytes({0xF1, 0x00});
const QByteArray HelloAnswer = bytes({0xF1, 0x01});
const QByteArray Version = bytes({0xF1, 0x01});
const QByteArray Lift = bytes({0xF1, 0x60});

// A queue on virtual time with its route recorded (the same fake in both
// modes): what went on the line, and the answer procedure the route was handed.
struct Queue : testing::Test {
    void SetUp() override
    {
        queue.setRoute(&route);
        queue.setReportLocal(true);
        QObject::connect(&queue, &TransferQueue::logLine, [this](const QString &line, bool) { log << line; });
        QObject::connect(&queue, &TransferQueue::restarted, [this](const QString &text) { events << "restart:" + text; });
        QObject::connect(&queue, &TransferQueue::queueError, [this](const QString &text) { events << "error:" + text; });
    }

    core::AnswerProc record(const QString &name)
    {
        return [this, name](const QByteArray &answer) { answers << name + ":" + core::hexText(answer, {}); };
    }
    bool put(const QString &name, const QByteArray &telegram, int length = 2)
    {
        return queue.transferPut(length, record(name), telegram);
    }
    // The line brings the answer of what was sent last.
    void answer(const QByteArray &bytes)
    {
        ASSERT_TRUE(route.lastAnswer);
        auto proc = route.lastAnswer;
        proc(bytes);
    }
    // Mode 1: the framing layer's answer, then the settling delay.
    void answerSettled(const QByteArray &bytes)
    {
        answer(bytes);
        time.advance(queue.delayMs());
    }
    bool logHas(const QString &text) const
    {
        return std::any_of(log.begin(), log.end(), [&](const QString &l) { return l.endsWith(text); });
    }

    core::VirtualTime time;
    FakeLineRoute route;
    TransferQueue queue{time};
    bool &linkUp = route.linked;
    QList<QByteArray> &sent = route.sent;
    QStringList log;
    QStringList answers;
    QStringList events;
};

TEST_F(Queue, OneRequestOnTheLineAndTheSettlingDelayBeforeTheNext)
{
    ASSERT_EQ(queue.mode(), 1);
    EXPECT_TRUE(put("hello", Hello));
    EXPECT_TRUE(put("version", Version, 16));
    EXPECT_EQ(sent, QList<QByteArray>{Hello});
    EXPECT_EQ(queue.count(), 2);

    answer(HelloAnswer);
    time.advance(queue.delayMs() - 1);
    EXPECT_TRUE(answers.isEmpty());
    EXPECT_EQ(sent.size(), 1);
    time.advance(1);
    EXPECT_EQ(answers, QStringList{"hello:F101"});
    EXPECT_EQ(sent, (QList<QByteArray>{Hello, Version}));

    answerSettled(bytes({0xFF, 0x41}));
    EXPECT_EQ(answers, (QStringList{"hello:F101", "version:FF41"}));
    EXPECT_EQ(queue.count(), 0);
}

TEST_F(Queue, LocalModeProcessesAnswersAtOnceInOrder)
{
    queue.setMode(2);
    int processed = 0;
    QList<int> counts;
    QObject::connect(&queue, &TransferQueue::processing, [&] { ++processed; });
    QObject::connect(&queue, &TransferQueue::countChanged, [&](int n) { counts << n; });
    put("a", Hello);
    put("b", Lift, 7);
    put("c", Version, 16);
    answer(HelloAnswer);
    EXPECT_EQ(sent.size(), 2);
    answer(bytes({0xF6, 1, 2, 3, 4, 5, 6}));
    answer(bytes({0xFF, 0x42}));
    EXPECT_EQ(sent, (QList<QByteArray>{Hello, Lift, Version}));
    EXPECT_EQ(answers, (QStringList{"a:F101", "b:F6010203040506", "c:FF42"}));
    EXPECT_EQ(processed, 3);
    EXPECT_EQ(counts, (QList<int>{1, 2, 3, 2, 1, 0}));
}

TEST_F(Queue, ZeroLengthRequestIsSentAndLeavesTheQueue)
{
    const QByteArray reset = bytes({0xF1, 0x10});
    EXPECT_TRUE(put("reset", reset, 0));
    EXPECT_EQ(sent, QList<QByteArray>{reset});
    EXPECT_EQ(queue.count(), 0);

    // Behind an answered request it goes out as the head and is noted.
    put("hello", Hello);
    put("reset2", reset, 0);
    answerSettled(HelloAnswer);
    EXPECT_EQ(sent, (QList<QByteArray>{reset, Hello, reset}));
    EXPECT_TRUE(logHas("transfer/process ohne return.."));
    EXPECT_EQ(queue.count(), 0);
    EXPECT_EQ(answers, QStringList{"hello:F101"});
}

TEST_F(Queue, FiftyEntriesThenOverflowUntilDrainedToForty)
{
    for (int i = 0; i < 50; ++i) ASSERT_TRUE(put(QString::number(i), bytes({0xF1, i}))) << i;
    EXPECT_EQ(queue.statusText(), "RUN");

    EXPECT_FALSE(put("51", bytes({0xF3, 0x01, 0x02, 0x03})));
    EXPECT_TRUE(queue.overflow());
    EXPECT_EQ(queue.statusText(), "MAX/STOPPED");
    EXPECT_TRUE(logHas("*** gestoppt wegen transfer-fifo max *** F3010203"));
    EXPECT_FALSE(put("52", Hello));
    EXPECT_TRUE(logHas("transfer/FOverflow F100"));
    EXPECT_EQ(queue.count(), 50);

    for (int i = 0; i < 9; ++i) answerSettled(bytes({0xF1, i}));  // 41 left
    time.advance(queue.waitMs());
    EXPECT_TRUE(queue.overflow());
    EXPECT_EQ(queue.waitRestarts(), 1);
    EXPECT_FALSE(put("53", Hello));

    answerSettled(bytes({0xF1, 9}));  // 40 left
    time.advance(queue.waitMs());
    EXPECT_FALSE(queue.overflow());
    EXPECT_EQ(queue.statusText(), "RUN");
    EXPECT_TRUE(put("54", Hello));

    // The end of the overflow fakes no answer: each requester still gets its own.
    answers.clear();
    answerSettled(bytes({0xF1, 10}));
    answerSettled(bytes({0xF1, 11}));
    EXPECT_EQ(answers, (QStringList{"10:F10A", "11:F10B"}));
}

TEST_F(Queue, LongTelegramIsCutTo32Bytes)
{
    QByteArray longTelegram(40, '\x11');
    longTelegram[0] = char(0xFF);
    put("long", longTelegram);
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(sent[0], longTelegram.left(32));
    EXPECT_EQ(queue.lastPut().request.telegram.size(), 32);
}

TEST_F(Queue, StartDelayHoldsTheLineAndThePlaceholderNeverGoesOut)
{
    queue.transferStart(3000);
    EXPECT_FALSE(queue.running());
    put("hello", Hello);
    put("lift", Lift, 7);
    time.advance(2999);
    EXPECT_TRUE(sent.isEmpty());
    time.advance(1);
    EXPECT_TRUE(queue.running());
    EXPECT_EQ(sent, QList<QByteArray>{Hello});
    EXPECT_TRUE(answers.isEmpty());
    EXPECT_EQ(queue.count(), 2);
    answerSettled(HelloAnswer);
    EXPECT_EQ(answers, QStringList{"hello:F101"});
    EXPECT_EQ(sent, (QList<QByteArray>{Hello, Lift}));
}

TEST_F(Queue, StartDelayAfterAFlushStillSendsWhatCameLater)
{
    queue.transferStart(3000);
    queue.transferFlush();
    put("hello", Hello);
    time.advance(3000);
    EXPECT_EQ(sent, QList<QByteArray>{Hello});
    answerSettled(HelloAnswer);
    EXPECT_EQ(answers, QStringList{"hello:F101"});
}

TEST_F(Queue, LocalAnswerCountdownStartsWhenTheRequestIsSent)
{
    // A group visit: start delay of 4000 ms, the request put at once. The
    // answer may take the full countdown counted from the send.
    queue.setMode(2);
    queue.transferStart(4000);
    time.advance(100);
    put("group", bytes({0xF0, 0x10, 0x70, 0x01, 0xF2, 0x55, 0x1B}), 3);
    time.advance(3900);
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(queue.countdown(), TransferQueue::AnswerCountdownMs);
    time.advance(3000);
    EXPECT_TRUE(answers.isEmpty());
    answer(bytes({0xF2, 0x02, 0x00}));
    EXPECT_EQ(answers, QStringList{"group:F20200"});
    EXPECT_EQ(queue.countdown(), 0);
}

TEST_F(Queue, LocalAnswerMissingForCountdownGivesZerosAndClearsTheQueue)
{
    queue.setMode(2);
    // The head's handler puts its next request: it must reach the line.
    queue.transferPut(7, [&](const QByteArray &a) {
        answers << "lift:" + core::hexText(a, {});
        queue.transferPut(2, record("next"), Version);
    }, Lift);
    put("waiting", Hello);
    time.advance(3900);
    EXPECT_TRUE(answers.isEmpty());
    EXPECT_EQ(queue.countdown(), 100);
    time.advance(100);
    EXPECT_EQ(answers, QStringList{"lift:00000000000000"});
    EXPECT_TRUE(queue.sendOnTimeout());
    EXPECT_EQ(queue.count(), 1);
    EXPECT_EQ(sent.last(), Version);
    answer(HelloAnswer);
    EXPECT_EQ(answers, (QStringList{"lift:00000000000000", "next:F101"}));
}

TEST_F(Queue, LocalCountdownWithoutSendOnTimeoutOnlyFlushes)
{
    queue.setMode(2);
    put("lift", Lift, 7);
    queue.setSendOnTimeout(false);
    time.advance(TransferQueue::AnswerCountdownMs);
    EXPECT_EQ(queue.count(), 0);
    EXPECT_TRUE(answers.isEmpty());
}

struct LinkErrorCase {
    const char *name;
    const char *answer;
};

class QueueLinkError : public Queue, public testing::WithParamInterface<LinkErrorCase> {};

TEST_P(QueueLinkError, FramedLinkErrorFlushesAndRestarts)
{
    put("hello", Hello);
    put("lift", Lift, 7);
    const QByteArray error(GetParam().answer);
    answer(error);
    EXPECT_EQ(events, QStringList{"error:" + QString::fromLatin1(error)});
    time.advance(TransferQueue::LinkErrorDelayMs - 1);
    EXPECT_EQ(queue.count(), 2);
    time.advance(1);
    EXPECT_EQ(queue.count(), 0);
    EXPECT_TRUE(logHas("<< Send.flush, restart.."));
    EXPECT_EQ(events, (QStringList{"error:" + QString::fromLatin1(error), "restart: RESTART ", "error:"}));
    EXPECT_TRUE(answers.isEmpty());

    // Running again with the next put.
    EXPECT_TRUE(put("again", Hello));
    EXPECT_EQ(sent.last(), Hello);
    answerSettled(HelloAnswer);
    EXPECT_EQ(answers, QStringList{"again:F101"});
}

INSTANTIATE_TEST_SUITE_P(Texts, QueueLinkError,
                         testing::Values(LinkErrorCase{"Busy", "<ERROR> NC/STATUS"},
                                         LinkErrorCase{"NoAnswer", "<ERROR> NC/TIME.OUT 5000"}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(Queue, FlushDropsAnAnswerStillSettling)
{
    put("old", Hello);
    answer(HelloAnswer);
    queue.transferFlush();
    put("new", Lift, 7);
    time.advance(queue.delayMs());
    EXPECT_TRUE(answers.isEmpty());
    EXPECT_EQ(queue.count(), 1);
    answerSettled(bytes({0xF6, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(answers, QStringList{"new:F6010203040506"});
}

TEST_F(Queue, StoppedQueueIgnoresAnswers)
{
    put("hello", Hello);
    queue.setStopped(true);
    answerSettled(HelloAnswer);
    queue.transferProcess(HelloAnswer);
    EXPECT_TRUE(answers.isEmpty());
    EXPECT_EQ(queue.count(), 1);
}

TEST_F(Queue, RefusedPuts)
{
    linkUp = false;
    EXPECT_FALSE(put("down", Hello));
    EXPECT_TRUE(log.isEmpty());
    EXPECT_EQ(queue.count(), 0);

    // A put from inside a put (a route answering at once) is blocked.
    linkUp = true;
    bool inner = true;
    route.whileSending = [&](const QByteArray &) { inner = queue.transferPut(2, {}, Lift); };
    EXPECT_TRUE(put("outer", Hello));
    EXPECT_FALSE(inner);
    EXPECT_TRUE(logHas(">> transfer/blocked F160"));
    EXPECT_EQ(queue.count(), 1);
}

TEST_F(Queue, LogLinesAndTransferTime)
{
    core::reports().reset();
    QStringList mainLog;
    core::reports().reportWrite = [&](const QString &line) { mainLog << line; };
    const int start = time.msecsSinceMidnight();

    put("hello", Hello);
    time.advance(120);
    answerSettled(HelloAnswer);
    queue.transferProcess(QByteArray());
    // Mode 1 processes the answer after the settling delay.
    EXPECT_EQ(log, (QStringList{QString("%1 >> F100").arg(start), QString("%1 << F101").arg(start + 170),
                                QString("%1 << ").arg(start + 170), QString("%1 << transfer/fifo leer ?").arg(start + 170)}));
    EXPECT_TRUE(mainLog.isEmpty());  // bit 10 off

    core::reports().setFlag(core::ReportQueueTraffic);
    queue.setReportLocal(false);
    put("hello", Hello);
    time.advance(30);
    answerSettled(HelloAnswer);
    EXPECT_EQ(queue.lastDeltaMs(), 80);
    EXPECT_EQ(mainLog, (QStringList{QString("%1 >> F100").arg(start + 170), QString("%1 << F101").arg(start + 250)}));
    EXPECT_EQ(log.size(), 4);
    core::reports().reset();
}

TEST_F(Queue, HaltAllowsCloseAndStopsTimers)
{
    queue.setMode(2);
    put("lift", Lift, 7);
    queue.transferHalt();
    EXPECT_TRUE(queue.closeAllowed());
    EXPECT_EQ(time.activeTimers(), 0);
}

TEST_F(Queue, TimeSettingsStayInTheirRanges)
{
    queue.setDelayMs(5);
    EXPECT_EQ(queue.delayMs(), 10);
    queue.setDelayMs(125);
    EXPECT_EQ(queue.delayMs(), 120);
    queue.setDelayMs(99999);
    EXPECT_EQ(queue.delayMs(), 3000);
    queue.setWaitMs(0);
    EXPECT_EQ(queue.waitMs(), 200);
    queue.setWaitMs(8000);
    EXPECT_EQ(queue.waitMs(), 8000);
}

}  // namespace

namespace {

// Puts a request whose drop is recorded beside its answer.
bool putDroppable(Queue &q, const QString &name, const QByteArray &telegram)
{
    return q.queue.transferPut(core::Request{telegram, 2, q.record(name), [&q, name] { q.answers << name + ":dropped"; }});
}

}  // namespace

// A flush ends every queued request once, through its drop procedure; the
// placeholder of a start delay has no owner, and after the program's stop
// nobody is told any more.
TEST_F(Queue, FlushTellsEveryDroppedRequestOnce)
{
    for (int mode : {1, 2}) {
        SCOPED_TRACE(mode);
        answers.clear();
        queue.setMode(mode);
        queue.transferStart(100);
        ASSERT_TRUE(putDroppable(*this, "a", Hello));
        ASSERT_TRUE(putDroppable(*this, "b", Lift));
        queue.transferFlush();
        EXPECT_EQ(answers, (QStringList{"a:dropped", "b:dropped"}));
        queue.transferFlush();
        EXPECT_EQ(answers.size(), 2);
        time.advance(200);
    }
    ASSERT_TRUE(putDroppable(*this, "c", Hello));
    queue.setStopped(true);
    queue.transferFlush();
    EXPECT_EQ(answers.size(), 2);
}

// The answer to a request that a flush took off the line belongs to nobody:
// the next request waits for it, then goes out and gets its own answer.
TEST_F(Queue, AnswerOfAFlushedRequestIsNotTakenForTheNext)
{
    for (int mode : {1, 2}) {
        SCOPED_TRACE(mode);
        sent.clear();
        answers.clear();
        queue.setMode(mode);
        ASSERT_TRUE(putDroppable(*this, "old", Hello));
        ASSERT_EQ(sent, QList<QByteArray>{Hello});
        queue.transferFlush();
        ASSERT_TRUE(put("new", Lift));
        EXPECT_EQ(sent, QList<QByteArray>{Hello});  // the line is still busy with the old one
        if (mode == 1) answerSettled(HelloAnswer);
        else answer(HelloAnswer);
        EXPECT_EQ(sent, (QList<QByteArray>{Hello, Lift}));
        EXPECT_EQ(answers, QStringList{"old:dropped"});
        if (mode == 1) answerSettled(bytes({0xF7, 0x01}));
        else answer(bytes({0xF7, 0x01}));
        EXPECT_EQ(answers, (QStringList{"old:dropped", "new:F701"}));
    }
}

// On the local line an old answer that never comes holds the line no longer
// than the answer countdown; a lost link frees it at once.
TEST_F(Queue, LocalLineIsFreedFromALostAnswer)
{
    const int &localDrops = route.drops;
    queue.setMode(2);
    ASSERT_TRUE(putDroppable(*this, "old", Hello));
    queue.transferFlush();
    ASSERT_TRUE(put("new", Lift));
    time.advance(TransferQueue::AnswerCountdownMs - TransferQueue::CountdownTickMs);
    EXPECT_EQ(sent, QList<QByteArray>{Hello});
    time.advance(TransferQueue::CountdownTickMs);
    EXPECT_EQ(sent, (QList<QByteArray>{Hello, Lift}));
    EXPECT_EQ(localDrops, 1);

    // The link goes: what the line holds goes with it, and so does every entry.
    ASSERT_TRUE(putDroppable(*this, "queued", Hello));
    queue.linkLost();
    EXPECT_EQ(localDrops, 2);
    EXPECT_EQ(answers, (QStringList{"old:dropped", "queued:dropped"}));
    EXPECT_EQ(queue.count(), 0);
    ASSERT_TRUE(put("after", Version));
    EXPECT_EQ(sent.last(), Version);  // nothing on the line to wait for
}
