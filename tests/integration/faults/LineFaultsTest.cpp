// Faults on the line, in one process on virtual time: the program's local and
// modem stacks against the stand-in controller with its fault knobs. A seed
// gives the same run every time; every wait is bounded.

#include "LocalLinkFixture.h"
#include "ModemLinkFixture.h"
#include "ParameterSetRun.h"

#include "core/Bytes.h"
#include "sim/ControllerResets.h"

#include <gtest/gtest.h>

namespace {

using faults::Outcome;

// The local stack with the program's parameter set on top, the main log kept.
struct LocalRun {
    explicit LocalRun(const sim::PartnerOptions &options)
        : link({}, options),
          side(link.time, link.channel, [this](const std::function<bool()> &done, int limitMs) {
              return link.runUntil(done, limitMs);
          })
    {
        side.controllerImage = [this] { return link.installation.systemModule(0)->image(); };
        core::reports().reset();
        core::reports().reportWrite = [this](const QString &line) { log << line; };
        side.line.flush = [this] { link.queue.transferFlush(); };
        side.line.swap = [this](int ms) { return link.line.swapLineTimeout(ms); };
    }
    ~LocalRun() { core::reports().reset(); }

    LocalLinkFixture link;
    faults::ParameterSetSide side;
    QStringList log;
};

struct Noise {
    double rate;
    // Whether most reads get through: a read packet has no check of its own, so
    // a flipped data bit is found only by the image's checksum at the end.
    bool mostReadsDone;
};

void PrintTo(const Noise &noise, std::ostream *os) { *os << noise.rate * 100 << " %"; }

struct NoisyLocalLine : ::testing::TestWithParam<Noise> {};

// One bit flipped in a share of the controller's line bytes: every read and
// write keeps the rule. The noise touches only the controller's replies, so
// the markers carry the written data through.
TEST_P(NoisyLocalLine, ReadsAndWritesEndWholeOrFail)
{
    int readsDone = 0, writesDone = 0;
    constexpr int Seeds = 6;
    for (quint32 seed = 1; seed <= Seeds; ++seed) {
        SCOPED_TRACE(seed);
        LocalRun r({.noise = GetParam().rate, .seed = seed});
        ASSERT_TRUE(r.link.start());
        readsDone += r.side.checkedRead().succeeded();
        writesDone += r.side.checkedWrite(int(seed)).succeeded();
    }
    std::printf("noise %.3f: %d of %d reads and %d of %d writes done\n", GetParam().rate, readsDone, Seeds, writesDone,
                Seeds);
    if (GetParam().mostReadsDone) EXPECT_GT(readsDone, Seeds / 2);
    else EXPECT_LT(readsDone, Seeds);
    EXPECT_GT(writesDone, Seeds / 2);
}

INSTANTIATE_TEST_SUITE_P(Rates, NoisyLocalLine, ::testing::Values(Noise{0.001, true}, Noise{0.01, false}),
                         [](const auto &info) { return "PerMille" + std::to_string(int(info.param.rate * 1000)); });

// The controller stops in the middle of a read packet's answer: the link goes
// down, which drops the packet's request and fails the read at once; the image
// stays, and a partner that comes back brings the link back by itself.
TEST(SilentLocalPartner, FallingSilentMidAnswerFailsTheReadAndTheLinkFollowsThePartner)
{
    struct Case {
        const char *name;
        int silentMs;
        bool comesBack;
    };
    for (const Case &c : {Case{"for five seconds", 5000, true}, Case{"for good", 0, false}}) {
        SCOPED_TRACE(c.name);
        // The answers to stop group, select and size come first: the tenth is a read packet's.
        LocalRun r({.silentAfterAnswers = 10, .silentMs = c.silentMs});
        ASSERT_TRUE(r.link.start());
        const Outcome read = r.side.checkedRead();
        EXPECT_EQ(read.failure, QStringList{QStringLiteral("5")});
        EXPECT_EQ(r.link.partner.answersGiven(), 10);
        EXPECT_TRUE(r.log.contains(QStringLiteral("zbl_port> no reply within 2000 ms: link down"))) << r.log.join('\n').toStdString();
        EXPECT_FALSE(r.link.port.isLinked());

        EXPECT_EQ(r.link.runUntil([&] { return r.link.port.isLinked(); }, 20000), c.comesBack);
        if (c.comesBack) {
            EXPECT_TRUE(r.side.checkedRead(1).succeeded());
        } else {
            // Nothing waits for a link that is down: the next read fails at once.
            const qint64 start = r.link.time.elapsedMs();
            EXPECT_FALSE(r.side.checkedRead(1).succeeded());
            EXPECT_LT(r.link.time.elapsedMs() - start, 1000);
        }
    }
}

// The cable is pulled while a request waits to go out and plugged back after
// the lost link has dropped it: that request never reaches the controller
// later, so each request after it gets its own answer, not the old one's.
TEST(PulledCable, ARequestGivenUpOnDoesNotGoOutLaterAndTakeTheNextOnesAnswer)
{
    LocalRun r({});
    ASSERT_TRUE(r.link.start());
    auto &controllerEnd = *r.link.cable.controller;
    const auto listening = controllerEnd.onReadyRead;
    controllerEnd.onReadyRead = [&controllerEnd] { controllerEnd.read(controllerEnd.bytesAvailable()); };

    bool answered = false, dropped = false;
    ASSERT_TRUE(r.link.channel.put(5, [&](const QByteArray &) { answered = true; }, core::bytes({0xF1, 0x05}),
                                   [&] { dropped = true; }));
    ASSERT_TRUE(r.link.runUntil([&] { return dropped; }, 10000));
    EXPECT_FALSE(answered);
    EXPECT_FALSE(r.link.port.isLinked());

    controllerEnd.onReadyRead = listening;
    ASSERT_TRUE(r.link.runUntil([&] { return r.link.port.isLinked(); }, 10000));
    for (const auto &[request, answer] : {std::pair{core::bytes({0xF1, 0x00}), core::bytes({0xF1, 0x01})},
                                          std::pair{core::bytes({0xF1, 0x07}), core::bytes({0xF4, 0x08, 0x00, 0x04, 0x00})}}) {
        std::optional<QByteArray> got;
        ASSERT_TRUE(r.link.queue.transferPut(int(answer.size()), [&](const QByteArray &a) { got = a; }, request));
        ASSERT_TRUE(r.link.runUntil([&] { return got.has_value(); }, 10000));
        EXPECT_EQ(core::hexText(*got).toStdString(), core::hexText(answer).toStdString())
            << "answer to " << qPrintable(core::hexText(request));
    }
}

// A controller that keeps resetting: reads and writes that a reset cuts fail
// cleanly, those between resets end whole, and once the resets stop the link
// is back by itself.
TEST(ResettingController, TransfersCutByAResetFailCleanlyAndTheLinkComesBack)
{
    LocalRun r({});
    ASSERT_TRUE(r.link.start());
    auto resets = std::make_unique<sim::ControllerResets>(r.link.time, r.link.commands, 7000);
    int done = 0, failed = 0;
    for (int round = 1; r.link.time.elapsedMs() < 60000; ++round) {
        SCOPED_TRACE(round);
        r.link.runUntil([&] { return r.link.port.isLinked(); }, 10000);
        const Outcome outcome = round % 2 ? r.side.checkedRead(round) : r.side.checkedWrite(round);
        (outcome.succeeded() ? done : failed) += 1;
    }
    std::printf("%d resets: %d transfers done, %d failed\n", resets->count(), done, failed);
    EXPECT_GE(resets->count(), 8);
    EXPECT_GT(failed, 0);
    EXPECT_GT(done, 0);
    resets.reset();
    ASSERT_TRUE(r.link.runUntil([&] { return r.link.port.isLinked(); }, 10000));
    EXPECT_TRUE(r.side.checkedRead(99).succeeded());
    EXPECT_TRUE(r.side.checkedWrite(99).succeeded());
}

// The modem stack, dialled up, with the program's parameter set on top.
struct ModemRun {
    explicit ModemRun(const sim::ModemOptions &options)
        : f(options), side(f.time, f.pc.channel, [this](const std::function<bool()> &done, int limitMs) {
              return f.runUntil(done, limitMs);
          })
    {
        side.controllerImage = [this] { return f.installation.systemModule(0)->image(); };
        side.line.flush = [this] { f.pc.queue.transferFlush(); };
    }

    ModemLinkFixture f;
    faults::ParameterSetSide side;
};

struct NakStorm : ::testing::TestWithParam<double> {};

// Refused frames are sent again without limit until the answer time-out:
// a storm that lets some through slows the transfer down, one that lets
// none through ends it with the framing layer's time-out; the link stays up.
TEST_P(NakStorm, TransfersEndWholeOrWithTheTimeout)
{
    sim::ModemOptions options;
    options.nakRate = GetParam();
    ModemRun r(options);
    ASSERT_TRUE(r.f.init());
    ASSERT_TRUE(r.f.dial());
    const Outcome read = r.side.checkedRead();
    const Outcome written = r.side.checkedWrite(1);
    if (GetParam() < 1.0) {
        EXPECT_TRUE(read.succeeded()) << read.text();
        EXPECT_TRUE(written.succeeded()) << written.text();
    } else {
        EXPECT_FALSE(read.succeeded());
        EXPECT_FALSE(written.succeeded());
        EXPECT_EQ(r.f.pc.queueErrors.value(0), QStringLiteral("<ERROR> NC/TIME.OUT 5000"));
        EXPECT_EQ(r.f.pc.restarts.value(0), QStringLiteral(" RESTART "));
    }
    EXPECT_TRUE(r.f.pc.port.isLinked());
    EXPECT_FALSE(r.f.pc.framedLink.busy());
}

INSTANTIATE_TEST_SUITE_P(Rates, NakStorm, ::testing::Values(0.3, 0.7, 1.0),
                         [](const auto &info) { return "Percent" + std::to_string(int(info.param * 100)); });

// The carrier drops in the middle of a read or a write: the transfer fails,
// the image stays (or the controller keeps its own), the lamps turn red; after
// dialling again the same transfer ends whole.
TEST(CarrierLost, MidParameterSetTransferFailsCleanlyAndTheNextCallDoesIt)
{
    for (bool write : {false, true}) {
        SCOPED_TRACE(write ? "write" : "read");
        sim::ModemOptions options;
        // Past the transfer's first steps, among the packets (a read takes 17 requests).
        options.hangupAfterRequests = 8;
        ModemRun r(options);
        ASSERT_TRUE(r.f.init());
        ASSERT_TRUE(r.f.dial());
        const QByteArray before = r.side.controllerImage();
        const Outcome first = write ? r.side.checkedWrite(1) : r.side.checkedRead();
        EXPECT_FALSE(first.succeeded()) << first.text();
        EXPECT_EQ(r.f.partner.requestsAnswered(), 8);
        EXPECT_EQ(r.side.controllerImage(), before);
        EXPECT_FALSE(r.f.pc.panel.connected());
        EXPECT_FALSE(r.f.pc.port.isLinked());
        EXPECT_FALSE(r.f.pc.port.isLinked());
        EXPECT_EQ(r.f.pc.port.view().message, QStringLiteral("NC"));

        ASSERT_TRUE(r.f.runUntil([&] { return !r.f.pc.control.busy() && r.f.pc.queue.count() == 0; }, 20000));
        ASSERT_TRUE(r.f.dial());
        EXPECT_TRUE((write ? r.side.checkedWrite(2) : r.side.checkedRead(2)).succeeded());
    }
}

}  // namespace
