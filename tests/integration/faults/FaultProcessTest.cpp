// Faults on a pseudo-terminal: haltron-sim with its fault options, the
// program's link stacks in this process on Qt's timers and event loop. The
// stand-in's image is known from its make-up (seed 1, one lift, eight
// floors); every wait is bounded.

#include "ModemLinkFixture.h"
#include "ParameterSetRun.h"
#include "ProgramRun.h"
#include "TestApp.h"

#include "comlink/QtSerialLine.h"
#include "protocol/LinkLoss.h"
#include "protocol/LocalRoute.h"

#include <gtest/gtest.h>

namespace {

using faults::Outcome;
using testsupport::waitFor;

faults::RunUntil eventLoop()
{
    return [](const std::function<bool()> &done, int limitMs) { return waitFor(done, limitMs); };
}

// What the stand-in holds at start: the same make-up in-process.
QByteArray standInImage()
{
    core::VirtualTime time;
    sim::Installation same(time, sim::InstallationSetup{1, 8, 1, 0, 0, -1});
    return same.systemModule(0)->image();
}

// The program's local link with its parameter set, on the device behind a link name.
struct LocalStack {
    explicit LocalStack(const QString &device) : side(timers, channel, eventLoop())
    {
        core::reports().reset();
        core::reports().reportWrite = [this](const QString &line) { log << line; };
        core::reports().setFlag(core::ReportQueueTraffic, true);
        core::reports().setFlag(core::ReportSysModTransfer, true);
        port.setConfiguredDevice(device);
        protocol::connectLineToQueue(line, queue, channel);
        protocol::flushOnLinkLoss(queue, port);
        queue.setRoute(&localRoute);
        side.line.flush = [this] { queue.transferFlush(); };
        side.line.swap = [this](int ms) { return line.swapLineTimeout(ms); };
        line.setLinkMode(0);
        line.startStopLine();
    }
    ~LocalStack()
    {
        line.zblPortHalt();
        port.portHalt();
        core::reports().reset();
    }

    // A read from an image unlike the stand-in's: exact, or failed with that image kept.
    Outcome checkedRead(const QByteArray &controller, int salt = 0)
    {
        const QByteArray earlier = faults::otherImage(controller, salt);
        side.image.setImageData(earlier);
        const Outcome read = side.transfer(false, 30000);
        faults::expectWholeReadOrEarlierImage(read, side.image.imageData(), controller, earlier);
        return read;
    }

    core::QtTimerFactory timers;
    comlink::QtSerialLine serial;
    comlink::ComPort port{serial, timers};
    protocol::TransferQueue queue{timers};
    protocol::ControllerChannel channel{queue};
    protocol::Line401 line{port, timers};
    protocol::LocalRoute localRoute{line, port};
    faults::ParameterSetSide side;
    QStringList log;
};

struct LocalFaults : ::testing::Test {
    void SetUp() override { testsupport::testApp(); }

    // The stand-in with these options and the program's stack on it, the link up.
    bool start(const QStringList &options)
    {
        sim = std::make_unique<runs::SimProcess>(link, options);
        if (!sim->start()) return false;
        stack = std::make_unique<LocalStack>(link);
        return waitFor([this] { return stack->port.isLinked(); }, 10000);
    }
    void TearDown() override
    {
        stack.reset();
        sim.reset();
    }

    QTemporaryDir dir;
    QString link = dir.filePath(QStringLiteral("line"));
    std::unique_ptr<runs::SimProcess> sim;
    std::unique_ptr<LocalStack> stack;
    const QByteArray image = standInImage();
};

// Noise of 0.1 % and 1 % of the stand-in's bytes: no read reports a wrong image.
TEST_F(LocalFaults, NoisyLineReadsEndWholeOrKeepTheEarlierImage)
{
    for (const char *rate : {"0.001", "0.01"}) {
        SCOPED_TRACE(rate);
        ASSERT_TRUE(start({QStringLiteral("--noise"), QString::fromLatin1(rate)}));
        for (int salt = 0; salt < 2; ++salt) stack->checkedRead(image, salt);
        TearDown();
    }
}

// The stand-in stops in the middle of a read packet's answer for three
// seconds: the link goes down, which drops the packet's request and fails the
// read; the link comes back by itself, and the next read is whole.
TEST_F(LocalFaults, PartnerSilentMidAnswerFailsTheReadAndTheLinkComesBack)
{
    ASSERT_TRUE(start({QStringLiteral("--silent-after"), QStringLiteral("10"), QStringLiteral("--silent-seconds"),
                       QStringLiteral("3")}));
    EXPECT_EQ(stack->checkedRead(image).failure, QStringList{QStringLiteral("5")});
    EXPECT_TRUE(stack->log.contains(QStringLiteral("zbl_port> no reply within 2000 ms: link down")))
        << stack->log.join('\n').toStdString();
    ASSERT_TRUE(waitFor([this] { return stack->port.isLinked(); }, 10000));
    EXPECT_TRUE(stack->checkedRead(image, 1).succeeded());
}

// The controller resets itself every four seconds and is silent for three of
// them: reads it cuts fail cleanly, and the link comes back after each reset.
TEST_F(LocalFaults, ResettingControllerCutsReadsCleanly)
{
    ASSERT_TRUE(start({QStringLiteral("--reset-every"), QStringLiteral("4")}));
    int failed = 0, linkBack = 0;
    QElapsedTimer clock;
    clock.start();
    for (int salt = 0; clock.elapsed() < 8000; ++salt) {
        failed += !stack->checkedRead(image, salt).succeeded();
        linkBack += waitFor([this] { return stack->port.isLinked(); }, 10000);
    }
    EXPECT_GT(failed, 0);
    EXPECT_GT(linkBack, 0);
    EXPECT_TRUE(stack->port.isLinked());
}

// The stand-in is killed in the middle of a read and started again under the
// same name: the read fails with the earlier image kept, the link comes back
// by itself and the next read is whole.
TEST_F(LocalFaults, DeviceGoneMidReadAndBackUnderTheSameName)
{
    ASSERT_TRUE(start({}));
    const QByteArray earlier = faults::otherImage(image, 0);
    stack->side.image.setImageData(earlier);
    Outcome read;
    stack->side.rw.loadFromQRx([&](const QString &t) { read.success << t; }, [&](const QString &t) { read.failure << t; },
                               nullptr, [&](int count) {
                                   // Well into the packets.
                                   if (count > 300 && sim) sim->stop();
                               });
    ASSERT_TRUE(waitFor([&] { return read.ended() && !stack->side.rw.running(); }, 30000));
    EXPECT_FALSE(read.succeeded()) << read.text();
    EXPECT_EQ(stack->side.image.imageData(), earlier);
    EXPECT_FALSE(stack->port.isLinked());

    ASSERT_TRUE(sim->start());
    ASSERT_TRUE(waitFor([this] { return stack->port.isLinked(); }, 15000)) << stack->log.join('\n').toStdString();
    const Outcome again = stack->checkedRead(image, 1);
    EXPECT_TRUE(again.succeeded()) << again.text() << "\n" << stack->log.join('\n').toStdString();
}

// haltron-sim --modem with a fault option, and the program's modem stack dialled up to it.
struct ModemFaults : ::testing::Test {
    void SetUp() override { testsupport::testApp(); }

    bool dial(const QStringList &options)
    {
        process.start(QStringLiteral(HALTRON_SIM),
                      QStringList{QStringLiteral("--modem"), QStringLiteral("--pty"), QStringLiteral("--traffic"),
                                  QStringLiteral("0"), QStringLiteral("--fault-minutes"), QStringLiteral("0"),
                                  QStringLiteral("--dial-seconds"), QStringLiteral("1")}
                          + options);
        if (!process.waitForReadyRead(5000)) return false;
        pc = std::make_unique<ModemStack>(line, timers, QString::fromLocal8Bit(process.readLine()).trimmed(),
                                          languageFileTexts());
        side = std::make_unique<faults::ParameterSetSide>(timers, pc->channel, eventLoop());
        side->line.flush = [this] { pc->queue.transferFlush(); };
        pc->panel.initClick();
        if (!waitFor([&] { return pc->session.modemReady(); }, 10000)) return false;
        return redial();
    }
    bool redial()
    {
        pc->panel.dialClick();
        return waitFor([&] { return pc->panel.connected(); }, 15000);
    }
    Outcome checkedRead(int salt)
    {
        const QByteArray earlier = faults::otherImage(image, salt);
        side->image.setImageData(earlier);
        const Outcome read = side->transfer(false, 40000);
        faults::expectWholeReadOrEarlierImage(read, side->image.imageData(), image, earlier);
        return read;
    }
    void TearDown() override
    {
        side.reset();
        if (pc) pc->session.sessionHalt({});
        pc.reset();
        process.kill();
        process.waitForFinished(2000);
    }

    QProcess process;
    core::QtTimerFactory timers;
    comlink::QtSerialLine line;
    std::unique_ptr<ModemStack> pc;
    std::unique_ptr<faults::ParameterSetSide> side;
    const QByteArray image = standInImage();
};

// Half the request frames refused: each is sent again until it is taken, and the read is whole.
TEST_F(ModemFaults, NakStormSlowsTheReadDownAndItEndsWhole)
{
    ASSERT_TRUE(dial({QStringLiteral("--nak"), QStringLiteral("0.5")}));
    EXPECT_TRUE(checkedRead(0).succeeded());
    EXPECT_TRUE(pc->port.isLinked());
}

// The carrier drops among the write's packets: the write is reported failed,
// the lamps turn red, and after dialling again a read finds the stand-in's
// image as it was, not half of the new one.
TEST_F(ModemFaults, CarrierLostMidWriteLeavesTheImageAsItWas)
{
    // Stop group, select, size, suspend and prepare write come first.
    ASSERT_TRUE(dial({QStringLiteral("--hangup-after-requests"), QStringLiteral("8")}));
    side->image.setImageData(faults::otherImage(image, 3));
    const Outcome written = side->transfer(true, 40000);
    EXPECT_FALSE(written.succeeded()) << written.text();
    EXPECT_FALSE(written.failure.isEmpty());
    EXPECT_FALSE(pc->panel.connected());
    EXPECT_FALSE(pc->port.isLinked());
    EXPECT_FALSE(pc->port.isLinked());

    ASSERT_TRUE(waitFor([&] { return !pc->control.busy() && pc->queue.count() == 0; }, 20000));
    ASSERT_TRUE(redial());
    EXPECT_TRUE(checkedRead(1).succeeded());
}

}  // namespace
