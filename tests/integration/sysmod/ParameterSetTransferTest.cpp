#include "LanguageFakes.h"
#include "LocalLinkFixture.h"
#include "SysModFakes.h"

#include "protocol/Codes.h"
#include "core/Reports.h"
#include "sysmod/ParameterSet.h"
#include "sysmod/ParameterSetTransfer.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <memory>

namespace {

// What one transfer reported to its caller.
struct Outcome {
    QStringList success, failure;
    bool ended() const { return !success.isEmpty() || !failure.isEmpty(); }
};

// The program's system module and its transfer over the local link to the stand-in.
struct SysModLink : ::testing::Test {
    explicit SysModLink(sim::InstallationSetup setup = {.lifts = 2, .floors = 9, .seed = 4})
        : link(setup)
    {
        core::reports().reset();
        core::reports().setFlag(core::ReportSysModTransfer, true);
        core::reports().reportWrite = [this](const QString &line) { log << line; };
        transferLine.flush = [this] { link.queue.transferFlush(); };
        transferLine.swap = [this](int ms) { return link.line.swapLineTimeout(ms); };
    }
    ~SysModLink() override { core::reports().reset(); }

    void SetUp() override { ASSERT_TRUE(link.start()); }

    // Runs a read or write to its end (the write's restart check included).
    Outcome transfer(bool write)
    {
        auto out = std::make_shared<Outcome>();
        auto success = [out](const QString &t) { out->success << t; };
        auto failure = [out](const QString &t) { out->failure << t; };
        if (write) rw.saveToQRx(success, failure, nullptr, nullptr);
        else rw.loadFromQRx(success, failure, nullptr, nullptr);
        EXPECT_TRUE(link.runUntil([&] { return out->ended() && !rw.running(); }, 60000));
        if (write) link.runUntil([this] { return log.contains("zbl_rw zbl_rw_sysmod.restart3"); }, 10000);
        return *out;
    }

    sysmod::ParameterSetTarget &controllerModule(int lift = 0) { return *link.installation.systemModule(lift); }

    LocalLinkFixture link;
    sysmod::ParameterSet image;
    FakeTransferLine transferLine;
    NumberTexts texts;
    sysmod::ParameterSetTransfer rw{image, link.channel, link.time, transferLine, texts};
    QStringList log;
};

TEST_F(SysModLink, ReadChangeWriteBackAndReadTheChange)
{
    const Outcome read = transfer(false);
    EXPECT_EQ(read.success, QStringList{"Controller Data Read"});
    EXPECT_EQ(image.imageData(), controllerModule().image());

    constexpr int doorOpenTime = 12;
    const quint8 changed = quint8(image.getByte(doorOpenTime) + 7);
    image.setByte(doorOpenTime, changed);
    const qint64 writeStart = link.time.elapsedMs();
    const Outcome written = transfer(true);
    EXPECT_EQ(written.success.size(), 1);
    EXPECT_TRUE(written.failure.isEmpty()) << written.failure.join(',').toStdString();
    EXPECT_EQ(controllerModule().acceptedWrites(), 1);
    EXPECT_EQ(controllerModule().resets(), 1);
    EXPECT_GE(link.time.elapsedMs() - writeStart, sysmod::ParameterSetTransfer::SuspendWaitMs + sysmod::ParameterSetTransfer::RestartWaitMs);
    // The restart silenced the line for a while; then the controller came back.
    const qsizetype down = log.indexOf(QRegularExpression("zbl_port> no reply.*link down"), log.indexOf("zbl_rw zbl_rw_sysmod.Put6"));
    EXPECT_GT(down, 0);
    EXPECT_GT(log.indexOf("zbl_rw zbl_rw_sysmod.restart3"), down);

    image.clear();
    EXPECT_EQ(transfer(false).success, QStringList{"Controller Data Read"});
    EXPECT_EQ(image.getByte(doorOpenTime), changed);
    EXPECT_EQ(image.imageData(), controllerModule().image());
    EXPECT_NE(link.installation.systemModule(1)->image().at(doorOpenTime), char(changed));  // the other lift kept its own
}

TEST_F(SysModLink, ChecksumFaultGivesError20AndKeepsTheEarlierImage)
{
    ASSERT_EQ(transfer(false).success, QStringList{"Controller Data Read"});
    const QByteArray earlier = image.imageData();

    controllerModule().setCorruptChecksum(true);
    const Outcome read = transfer(false);
    EXPECT_EQ(read.failure, QStringList{"20"});
    EXPECT_TRUE(read.success.isEmpty());
    EXPECT_EQ(image.imageData(), earlier);

    // The next read after the fault is whole again.
    controllerModule().setCorruptChecksum(false);
    EXPECT_EQ(transfer(false).success, QStringList{"Controller Data Read"});
}

TEST_F(SysModLink, AGroupMembersModuleTravelsBehindTheGroupPrefix)
{
    link.channel.setMember(1);
    EXPECT_EQ(transfer(false).success, QStringList{"Controller Data Read"});
    EXPECT_EQ(image.imageData(), controllerModule(1).image());
    EXPECT_NE(image.imageData(), controllerModule(0).image());

    image.setByte(13, 33);
    const Outcome written = transfer(true);
    EXPECT_TRUE(written.failure.isEmpty()) << written.failure.join(',').toStdString();
    EXPECT_EQ(controllerModule(1).image().at(13), char(33));
    EXPECT_EQ(controllerModule(1).resets(), 1);
    EXPECT_EQ(controllerModule(0).resets(), 0);
}

}  // namespace
