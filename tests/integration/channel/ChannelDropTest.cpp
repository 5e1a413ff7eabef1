// A flush or a lost link in the middle of a request: its owner hears of it
// through its failure path, asks again (by itself, or when the user does) and
// gets its answer. Nothing waits for an answer that cannot come.

#include "ProgramParts.h"

#include "TestBatch.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

enum class Cut { Flush, LinkLost };

struct Owner {
    const char *name;
    std::function<void(ProgramParts &)> ask;
    // Whether the request is far enough along to cut it.
    std::function<bool(ProgramParts &)> underWay;
    // The owner's failure path ran; empty for an owner that asks again by itself.
    std::function<bool(ProgramParts &)> failed;
    // Asks a request a flush dropped again by itself; only a lost link fails it.
    bool asksAgainAfterFlush;
    std::function<bool(ProgramParts &)> answered;
    // Forgets what the first try left, before the second.
    std::function<void(ProgramParts &)> forget;
};

bool queued(ProgramParts &p) { return p.link.queue.count() > 0; }
// Far enough into a transfer that some of it went through.
bool midTransfer(ProgramParts &p) { return p.queued.size() > 8 && queued(p); }

const Owner Owners[] = {
    // A lost link holds the monitor until it is started again.
    {"monitor slots", [](ProgramParts &p) { p.startMonitor(); },
     [](ProgramParts &p) { return p.everySlotAnswered() && queued(p); },
     [](ProgramParts &p) { return p.monitor.cycle().held(); }, true, [](ProgramParts &p) { return p.everySlotAnswered(); }, [](ProgramParts &p) { p.slotAnswers.fill(0); }},
    {"display mirror",
     [](ProgramParts &p) {
         p.mirrorPolling = true;
         p.mirror.makeReady();
         p.mirror.pollStep();
     },
     [](ProgramParts &p) { return p.mirrorAnswers > 2 && p.mirror.inFlight(); }, nullptr, false,
     [](ProgramParts &p) { return p.mirrorAnswers > 0; }, [](ProgramParts &p) { p.mirrorAnswers = 0; }},
    {"ports", [](ProgramParts &p) { p.ports.readPorts(); }, queued, [](ProgramParts &p) { return p.ports.readReady(); }, false,
     [](ProgramParts &p) { return p.portReadings > 0; }, nullptr},
    {"parameter set read", [](ProgramParts &p) { p.startTransfer(false); }, midTransfer,
     [](ProgramParts &p) { return p.transferEnd == "failed 5"; }, false,
     [](ProgramParts &p) { return p.transferEnd == "Controller Data Read"; }, nullptr},
    {"parameter set write", [](ProgramParts &p) { p.startTransfer(true); }, midTransfer,
     [](ProgramParts &p) { return p.transferEnd == "failed 5"; }, false,
     [](ProgramParts &p) { return !p.transferEnd.isEmpty() && !p.transferEnd.startsWith("failed") && !p.transfer.running(); },
     nullptr},
    {"fault fetch", [](ProgramParts &p) { p.faultLog.fetchFaultLog([&p](const QString &t) { p.transferEnd = t; }); },
     midTransfer, [](ProgramParts &p) { return p.transferEnd == "FEHLER"; }, true,
     [](ProgramParts &p) { return p.transferEnd == " OK"; }, [](ProgramParts &p) { p.transferEnd.clear(); }},
    {"statistics",
     [](ProgramParts &p) {
         p.statistics.searchIdentifier(0, [&p](const QString &t) {
             if (t.startsWith("K=OK")) p.transferEnd = t;
         });
     },
     queued, [](ProgramParts &p) { return p.statisticsEnd == 0 && !p.statistics.busy(); }, false,
     [](ProgramParts &p) { return p.transferEnd == "K=OK 1993"; }, [](ProgramParts &p) { p.statisticsEnd = -1; }},
    {"EEPROM dump", [](ProgramParts &p) { p.eeprom.start(10); }, midTransfer,
     [](ProgramParts &p) { return p.eepromStep == "transf.error" && !p.eeprom.running(); }, false,
     [](ProgramParts &p) { return p.eepromLines.size() == 2; }, nullptr},
    {"command library chain", [](ProgramParts &p) { p.library.getClock([&p](const QString &t) { p.eepromStep = t; }); },
     queued, [](ProgramParts &p) { return p.eepromStep == "transf.error"; }, false,
     [](ProgramParts &p) { return p.eepromStep.contains('/'); }, [](ProgramParts &p) { p.eepromStep.clear(); }},
};

void cut(ProgramParts &p, Cut how)
{
    if (how == Cut::Flush) return p.link.queue.transferFlush();
    // The controller falls silent until the line gives up on it.
    p.link.partner.reboot(3000);
    ASSERT_TRUE(p.runUntil([&] { return !p.link.port.isLinked(); }, 5000));
}

class ChannelDrop : public ::testing::TestWithParam<Cut> {};

TEST_P(ChannelDrop, EveryOwnerHearsItAndAsksAgain)
{
    for (const Owner &owner : Owners) {
        SCOPED_TRACE(owner.name);
        ProgramParts p;
        ASSERT_TRUE(p.start());
        owner.ask(p);
        ASSERT_TRUE(p.runUntil([&] { return owner.underWay(p); }, 120000));
        cut(p, GetParam());
        if (owner.failed && !(owner.asksAgainAfterFlush && GetParam() == Cut::Flush)) {
            // At once, not after some time-out.
            EXPECT_TRUE(p.runUntil([&] { return owner.failed(p); }, 10)) << p.transferEnd.toStdString();
            ASSERT_TRUE(p.runUntil([&] { return p.link.port.isLinked(); }, 10000));
            if (owner.forget) owner.forget(p);
            owner.ask(p);
        } else if (owner.forget) {
            owner.forget(p);
        }
        EXPECT_TRUE(p.runUntil([&] { return owner.answered(p); }, 120000));
    }
}

INSTANTIATE_TEST_SUITE_P(Cuts, ChannelDrop, ::testing::Values(Cut::Flush, Cut::LinkLost),
                         [](const auto &info) { return info.param == Cut::Flush ? "Flush" : "LinkLost"; });

// A batch visit whose readings are dropped by a flush asks them again and
// ends as a clean visit does.
TEST(ChannelDropBatch, DroppedReadingsAreAskedAgain)
{
    const auto visit = [](bool cutting) {
        ProgramParts p;
        QTemporaryDir dir;
        const batch::BatchParams params = testsupport::batchParams(dir);
        testsupport::QueueBatchLink batchLink(p.link.queue);
        batch::BatchProcess run(p.link.time, p.link.channel, batchLink, testsupport::deliveredBatchTexts(), params);
        bool ended = false;
        QObject::connect(&run, &batch::BatchProcess::finished, [&] { ended = true; });
        EXPECT_TRUE(p.start());
        run.startBatch();
        int flushes = 0;
        for (int n = 0; !ended && n < 3000; ++n) {
            p.link.time.advance(100);
            // Every few seconds, into whatever the visit asks then.
            if (cutting && n % 15 == 14 && p.link.queue.count() > 0) {
                p.link.queue.transferFlush();
                ++flushes;
            }
        }
        EXPECT_TRUE(ended);
        QFile log(params.logFile);
        log.open(QIODevice::ReadOnly);
        const QByteArray lines = log.readAll();
        return std::tuple{run.exitStatus(), flushes, lines};
    };
    const auto [cleanStatus, none, cleanLog] = visit(false);
    EXPECT_EQ(cleanStatus, 0) << cleanLog.constData();
    const auto [status, flushes, log] = visit(true);
    EXPECT_EQ(status, 0) << log.constData();
    EXPECT_GT(flushes, 1);
}

}  // namespace
