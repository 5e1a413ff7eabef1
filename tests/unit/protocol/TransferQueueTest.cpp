#include "protocol/TransferQueue.h"

#include "core/Bytes.h"
#include "shell/Reports.h"

#include <gtest/gtest.h>

using core::bytes;
using protocol::TransferQueue;

namespace {

const QByteArray Hello = bytes({0xF1, 0x00});
const QByteArray HelloAnswer = bytes({0xF1, 0x01});
const QByteArray Version = bytes({0xF1, 0x01});
const QByteArray Lift = bytes({0xF1, 0x60});

// A queue on virtual time with both routes recorded: what went on the line,
// and the answer procedure the route was handed.
class Queue : public testing::Test {
protected:
    void SetUp() override
    {
        queue.IsLinkUp = [this] { return linkUp; };
        auto route = [this](const QByteArray &telegram, core::AnswerProc answer) {
            sent << telegram;
            lineAnswer = std::move(answer);
        };
        queue.SendFramed = route;
        queue.SendLocal = route;
        queue.SetReportLocal(true);
        queue.OnLogLine = [this](const QString &line, bool) { log << line; };
        queue.OnRestart = [this](const QString &text) { events << "restart:" + text; };
        queue.OnQueueError = [this](const QString &text) { events << "error:" + text; };
    }

    core::AnswerProc record(const QString &name)
    {
        return [this, name](const QByteArray &answer) { answers << name + ":" + core::hexText(answer, {}); };
    }
    bool put(const QString &name, const QByteArray &telegram, int length = 2)
    {
        return queue.TransferPut(length, record(name), telegram);
    }
    // The line brings the answer of what was sent last.
    void answer(const QByteArray &bytes)
    {
        ASSERT_TRUE(lineAnswer);
        auto proc = lineAnswer;
        proc(bytes);
    }
    // Mode 1: the framing layer's answer, then the settling delay.
    void answerSettled(const QByteArray &bytes)
    {
        answer(bytes);
        time.advance(queue.DelayMs());
    }
    bool logHas(const QString &text) const
    {
        return std::any_of(log.begin(), log.end(), [&](const QString &l) { return l.endsWith(text); });
    }

    core::VirtualTime time;
    TransferQueue queue{time};
    bool linkUp = true;
    QList<QByteArray> sent;
    core::AnswerProc lineAnswer;
    QStringList log;
    QStringList answers;
    QStringList events;
};

TEST_F(Queue, OneRequestOnTheLineAndTheSettlingDelayBeforeTheNext)
{
    ASSERT_EQ(queue.Mode(), 1);
    EXPECT_TRUE(put("hello", Hello));
    EXPECT_TRUE(put("version", Version, 16));
    EXPECT_EQ(sent, QList<QByteArray>{Hello});
    EXPECT_EQ(queue.Count(), 2);

    answer(HelloAnswer);
    time.advance(queue.DelayMs() - 1);
    EXPECT_TRUE(answers.isEmpty());
    EXPECT_EQ(sent.size(), 1);
    time.advance(1);
    EXPECT_EQ(answers, QStringList{"hello:F101"});
    EXPECT_EQ(sent, (QList<QByteArray>{Hello, Version}));

    answerSettled(bytes({0xFF, 0x41}));
    EXPECT_EQ(answers, (QStringList{"hello:F101", "version:FF41"}));
    EXPECT_EQ(queue.Count(), 0);
}

TEST_F(Queue, LocalModeProcessesAnswersAtOnceInOrder)
{
    queue.SetMode(2);
    int processed = 0;
    QList<int> counts;
    queue.OnProcess = [&] { ++processed; };
    queue.OnCount = [&](int n) { counts << n; };
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
    EXPECT_EQ(queue.Count(), 0);

    // Behind an answered request it goes out as the head and is noted.
    put("hello", Hello);
    put("reset2", reset, 0);
    answerSettled(HelloAnswer);
    EXPECT_EQ(sent, (QList<QByteArray>{reset, Hello, reset}));
    EXPECT_TRUE(logHas("transfer/process ohne return.."));
    EXPECT_EQ(queue.Count(), 0);
    EXPECT_EQ(answers, QStringList{"hello:F101"});
}

TEST_F(Queue, FiftyEntriesThenOverflowUntilDrainedToForty)
{
    for (int i = 0; i < 50; ++i) ASSERT_TRUE(put(QString::number(i), bytes({0xF1, i}))) << i;
    EXPECT_EQ(queue.StatusText(), "RUN");

    EXPECT_FALSE(put("51", bytes({0xF3, 0x01, 0x02, 0x03})));
    EXPECT_TRUE(queue.Overflow());
    EXPECT_EQ(queue.StatusText(), "MAX/STOPPED");
    EXPECT_TRUE(logHas("*** gestoppt wegen transfer-fifo max *** F3010203"));
    EXPECT_FALSE(put("52", Hello));
    EXPECT_TRUE(logHas("transfer/FOverflow F100"));
    EXPECT_EQ(queue.Count(), 50);

    for (int i = 0; i < 9; ++i) answerSettled(bytes({0xF1, i}));  // 41 left
    time.advance(queue.WaitMs());
    EXPECT_TRUE(queue.Overflow());
    EXPECT_EQ(queue.WaitRestarts(), 1);
    EXPECT_FALSE(put("53", Hello));

    answerSettled(bytes({0xF1, 9}));  // 40 left
    time.advance(queue.WaitMs());
    EXPECT_FALSE(queue.Overflow());
    EXPECT_EQ(queue.StatusText(), "RUN");
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
    EXPECT_EQ(queue.LastPut().Telegram.size(), 32);
}

TEST_F(Queue, StartDelayHoldsTheLineAndThePlaceholderNeverGoesOut)
{
    queue.TransferStart(3000);
    EXPECT_FALSE(queue.Running());
    put("hello", Hello);
    put("lift", Lift, 7);
    time.advance(2999);
    EXPECT_TRUE(sent.isEmpty());
    time.advance(1);
    EXPECT_TRUE(queue.Running());
    EXPECT_EQ(sent, QList<QByteArray>{Hello});
    EXPECT_TRUE(answers.isEmpty());
    EXPECT_EQ(queue.Count(), 2);
    answerSettled(HelloAnswer);
    EXPECT_EQ(answers, QStringList{"hello:F101"});
    EXPECT_EQ(sent, (QList<QByteArray>{Hello, Lift}));
}

TEST_F(Queue, StartDelayAfterAFlushStillSendsWhatCameLater)
{
    queue.TransferStart(3000);
    queue.TransferFlush();
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
    queue.SetMode(2);
    queue.TransferStart(4000);
    time.advance(100);
    put("group", bytes({0xF0, 0x10, 0x70, 0x01, 0xF2, 0x55, 0x1B}), 3);
    time.advance(3900);
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(queue.Countdown(), TransferQueue::AnswerCountdownMs);
    time.advance(3000);
    EXPECT_TRUE(answers.isEmpty());
    answer(bytes({0xF2, 0x02, 0x00}));
    EXPECT_EQ(answers, QStringList{"group:F20200"});
    EXPECT_EQ(queue.Countdown(), 0);
}

TEST_F(Queue, LocalAnswerMissingForCountdownGivesZerosAndClearsTheQueue)
{
    queue.SetMode(2);
    // The head's handler puts its next request: it must reach the line.
    queue.TransferPut(7, [&](const QByteArray &a) {
        answers << "lift:" + core::hexText(a, {});
        queue.TransferPut(2, record("next"), Version);
    }, Lift);
    put("waiting", Hello);
    time.advance(3900);
    EXPECT_TRUE(answers.isEmpty());
    EXPECT_EQ(queue.Countdown(), 100);
    time.advance(100);
    EXPECT_EQ(answers, QStringList{"lift:00000000000000"});
    EXPECT_TRUE(queue.SendOnTimeout());
    EXPECT_EQ(queue.Count(), 1);
    EXPECT_EQ(sent.last(), Version);
    answer(HelloAnswer);
    EXPECT_EQ(answers, (QStringList{"lift:00000000000000", "next:F101"}));
}

TEST_F(Queue, LocalCountdownWithoutSendOnTimeoutOnlyFlushes)
{
    queue.SetMode(2);
    put("lift", Lift, 7);
    queue.SetSendOnTimeout(false);
    time.advance(TransferQueue::AnswerCountdownMs);
    EXPECT_EQ(queue.Count(), 0);
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
    EXPECT_EQ(queue.Count(), 2);
    time.advance(1);
    EXPECT_EQ(queue.Count(), 0);
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
    queue.TransferFlush();
    put("new", Lift, 7);
    time.advance(queue.DelayMs());
    EXPECT_TRUE(answers.isEmpty());
    EXPECT_EQ(queue.Count(), 1);
    answerSettled(bytes({0xF6, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(answers, QStringList{"new:F6010203040506"});
}

TEST_F(Queue, StoppedQueueIgnoresAnswers)
{
    put("hello", Hello);
    queue.SetStopped(true);
    answerSettled(HelloAnswer);
    queue.TransferProcess(HelloAnswer);
    EXPECT_TRUE(answers.isEmpty());
    EXPECT_EQ(queue.Count(), 1);
}

TEST_F(Queue, RefusedPuts)
{
    linkUp = false;
    EXPECT_FALSE(put("down", Hello));
    EXPECT_TRUE(log.isEmpty());
    EXPECT_EQ(queue.Count(), 0);

    // A put from inside a put (a route answering at once) is blocked.
    linkUp = true;
    bool inner = true;
    queue.SendFramed = [&](const QByteArray &, core::AnswerProc) { inner = queue.TransferPut(2, {}, Lift); };
    EXPECT_TRUE(put("outer", Hello));
    EXPECT_FALSE(inner);
    EXPECT_TRUE(logHas(">> transfer/blocked F160"));
    EXPECT_EQ(queue.Count(), 1);
}

TEST_F(Queue, LogLinesAndTransferTime)
{
    shell::Reports().reset();
    QStringList mainLog;
    shell::Reports().ReportWrite = [&](const QString &line) { mainLog << line; };
    const int start = time.msecsSinceMidnight();

    put("hello", Hello);
    time.advance(120);
    answerSettled(HelloAnswer);
    queue.TransferProcess(QByteArray());
    // Mode 1 processes the answer after the settling delay.
    EXPECT_EQ(log, (QStringList{QString("%1 >> F100").arg(start), QString("%1 << F101").arg(start + 170),
                                QString("%1 << ").arg(start + 170), QString("%1 << transfer/fifo leer ?").arg(start + 170)}));
    EXPECT_TRUE(mainLog.isEmpty());  // bit 10 off

    shell::Reports().setFlag(shell::ReportQueueTraffic);
    queue.SetReportLocal(false);
    put("hello", Hello);
    time.advance(30);
    answerSettled(HelloAnswer);
    EXPECT_EQ(queue.LastDeltaMs(), 80);
    EXPECT_EQ(mainLog, (QStringList{QString("%1 >> F100").arg(start + 170), QString("%1 << F101").arg(start + 250)}));
    EXPECT_EQ(log.size(), 4);
    shell::Reports().reset();
}

TEST_F(Queue, HaltAllowsCloseAndStopsTimers)
{
    queue.SetMode(2);
    put("lift", Lift, 7);
    queue.TransferHalt();
    EXPECT_TRUE(queue.CloseAllowed());
    EXPECT_EQ(time.activeTimers(), 0);
}

TEST_F(Queue, TimeSettingsStayInTheirRanges)
{
    queue.SetDelayMs(5);
    EXPECT_EQ(queue.DelayMs(), 10);
    queue.SetDelayMs(125);
    EXPECT_EQ(queue.DelayMs(), 120);
    queue.SetDelayMs(99999);
    EXPECT_EQ(queue.DelayMs(), 3000);
    queue.SetWaitMs(0);
    EXPECT_EQ(queue.WaitMs(), 200);
    queue.SetWaitMs(8000);
    EXPECT_EQ(queue.WaitMs(), 8000);
}

}  // namespace
