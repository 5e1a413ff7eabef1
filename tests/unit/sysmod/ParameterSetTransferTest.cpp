#include "FakeQueue.h"
#include "LanguageFakes.h"
#include "SysModFakes.h"

#include "core/Bytes.h"
#include "core/Reports.h"
#include "sysmod/SampleImage.h"
#include "sysmod/ParameterSet.h"
#include "sysmod/ParameterSetTransfer.h"
#include "sysmod/ParameterSetWiring.h"

#include <gtest/gtest.h>

#include <memory>

using core::bytes;
using sysmod::ParameterSetTransfer;

namespace {

// What one transfer reported to its caller.
struct Outcome {
    QStringList success, failure, status;
    QList<int> progress;
    int ends() const { return int(success.size() + failure.size()); }
};

// The program's side (image, transfer) and a controller behind a fake queue.
struct Rig {
    core::VirtualTime time;
    sysmod::ParameterSetTarget target{time};
    FakeQueue queue{time, target};
    sysmod::ParameterSet image;
    FakeTransferLine line;
    PatternTexts texts{QStringLiteral("<%2>"), QStringLiteral("zbl-rw-sysmod")};
    ParameterSetTransfer rw{image, queue, time, line, texts};
    QStringList log;

    explicit Rig(bool logTransfer = true)
    {
        core::reports().reset();
        core::reports().setFlag(core::ReportSysModTransfer, logTransfer);
        core::reports().reportWrite = [this](const QString &line) { log << line; };
        target.setImage(controllerImage());
        image.setImageData(programImage());
    }
    ~Rig() { core::reports().reset(); }

    static QByteArray sample(int topFloor, int installation)
    {
        sysmod::SampleInstallation inst;
        inst.topFloor = topFloor;
        inst.installation = installation;
        return sysmod::makeSampleImage(inst);
    }
    static QByteArray controllerImage() { return sample(7, 0x8899); }
    static QByteArray programImage()
    {
        QByteArray image = sample(3, 42);
        image[100] = char(0xC3);
        sysmod::setWordAt(image, sysmod::ChecksumOffset, quint16(sysmod::checksumOf(image)));
        return image;
    }

    std::shared_ptr<Outcome> start(bool write)
    {
        auto out = std::make_shared<Outcome>();
        auto success = [out](const QString &t) { out->success << t; };
        auto failure = [out](const QString &t) { out->failure << t; };
        auto status = [out](const QString &t) { out->status << t; };
        auto progress = [out](int n) { out->progress << n; };
        if (write) rw.saveToQRx(success, failure, status, progress);
        else rw.loadFromQRx(success, failure, status, progress);
        return out;
    }
    void runOut() { time.runUntilIdle(); }
};

}  // namespace

TEST(SysModTransfer, ReadBringsTheControllersImage)
{
    Rig rig;
    sysmod::wireParameterSetTransfer(rig.image, rig.rw);
    auto out = std::make_shared<Outcome>();
    rig.image.loadFromQRx([out](const QString &t) { out->success << t; },
                          [out](const QString &t) { out->failure << t; },
                          [out](const QString &t) { out->status << t; }, [out](int n) { out->progress << n; });
    EXPECT_TRUE(rig.rw.running());
    rig.runOut();

    EXPECT_EQ(out->success, QStringList{"Controller Data Read"});
    EXPECT_TRUE(out->failure.isEmpty());
    EXPECT_FALSE(rig.rw.running());
    EXPECT_EQ(rig.image.imageData(), Rig::controllerImage());

    ASSERT_GE(rig.queue.sent.size(), 5);
    EXPECT_EQ(rig.queue.sent.mid(0, 4), QList<QByteArray>({bytes({0xF1, 0x46}), bytes({0xF1, 0x05}),
                                                             bytes({0xF1, 0x07}), bytes({0xF1, 0x48})}));
    EXPECT_EQ(rig.queue.sent.last(), bytes({0xF1, 0x47}));

    EXPECT_EQ(out->status.first(), "[..stop gruppe]");
    EXPECT_TRUE(out->status.contains("[<42> : 1032..]"));
    EXPECT_EQ(out->status.last(), "[<31>]");
    EXPECT_EQ(out->progress.first(), 8);
    EXPECT_EQ(out->progress.last(), 1040);
    EXPECT_TRUE(std::is_sorted(out->progress.begin(), out->progress.end()));

    EXPECT_EQ(rig.log.first(), "zbl_rw zbl_rw_sysmod.LoadFromQRx");
    EXPECT_TRUE(rig.log.contains("zbl_rw <30>"));
    EXPECT_TRUE(rig.log.contains("zbl_rw zbl_rw_sysmod.r_a_e1"));
    EXPECT_EQ(rig.log.last(), "zbl_rw zbl_rw_sysmod.run_ok");
}

TEST(SysModTransfer, LogLinesNeedReportBit5)
{
    Rig rig(false);
    rig.start(false);
    rig.runOut();
    EXPECT_TRUE(rig.log.isEmpty());
}

TEST(SysModTransfer, WriteSendsPacketsAndChecksTheRestart)
{
    Rig rig;
    QByteArray image(1032, '\0');
    image[0] = image[1] = image[2] = 5;
    rig.image.setImageData(image);
    auto out = rig.start(true);
    rig.runOut();

    EXPECT_EQ(out->success, QStringList{"<32>"});
    EXPECT_TRUE(out->failure.isEmpty());
    image[1030] = 0x0E;  // the checksum is brought up to date before sending
    EXPECT_EQ(rig.image.imageData(), image);
    EXPECT_EQ(rig.target.image(), image);

    QList<QByteArray> packets;
    for (const QByteArray &t : rig.queue.sent)
        if (core::byteAt(t, 0) == 0xFF) packets << t;
    EXPECT_EQ(packets, QList<QByteArray>({
                           core::fromHexText("FF49 0305 3F00 3F00 3F00 3F00 3F00 3F00"),
                           core::fromHexText("FF49 3F00 3F00 3F00 3F00 3F00 3F00 3F00"),
                           core::fromHexText("FF49 3F00 3F00 3F00 1300 010E 0100 0000"),
                       }));

    const QList<QByteArray> steps = {bytes({0xF1, 0x46}), bytes({0xF1, 0x05}), bytes({0xF1, 0x07}),
                                     bytes({0xF1, 0x0E}), bytes({0xF1, 0x0F})};
    EXPECT_EQ(rig.queue.sent.mid(0, 5), steps);
    EXPECT_EQ(rig.queue.sent.mid(rig.queue.sent.size() - 3),
              QList<QByteArray>({bytes({0xF1, 0x4A}), bytes({0xF1, 0x10}), bytes({0xF1, 0x00})}));
    EXPECT_GE(rig.queue.firstSentAt(0x0F) - rig.queue.firstSentAt(0x0E), ParameterSetTransfer::SuspendWaitMs);
    EXPECT_EQ(rig.queue.firstSentAt(0x00) - rig.queue.firstSentAt(0x10), ParameterSetTransfer::RestartWaitMs);

    EXPECT_EQ(rig.line.lineTimeouts, QList<int>({2500, 800}));
    EXPECT_EQ(rig.line.lineTimeout, 800);
    EXPECT_EQ(out->status.first(), "[<50>]");
    EXPECT_EQ(out->status.last(), "[<33>]");  // nothing after the controller came back
    EXPECT_EQ(out->progress.first(), 8);
    EXPECT_EQ(out->progress.last(), 1040);
    EXPECT_TRUE(rig.log.contains("zbl_rw zbl_rw_sysmod>Stop Gruppe"));
    EXPECT_EQ(rig.log.last(), "zbl_rw zbl_rw_sysmod.restart3");
}

TEST(SysModTransfer, WriteThenReadGivesTheSameImage)
{
    Rig rig;
    rig.image.setByte(6, 0x99);  // a changed parameter
    rig.image.updateChecksum();
    const QByteArray written = rig.image.imageData();
    rig.start(true);
    rig.runOut();
    ASSERT_EQ(rig.target.acceptedWrites(), 1);

    rig.image.clear();
    auto out = rig.start(false);
    rig.runOut();
    EXPECT_EQ(out->success, QStringList{"Controller Data Read"});
    EXPECT_EQ(rig.image.imageData(), written);
}

TEST(SysModTransfer, EveryFaultEndsWithItsCodeAndLeavesTheImage)
{
    const QByteArray silence;
    const struct {
        const char *name;
        bool write;
        int code;            // command whose answer is replaced
        QByteArray answer;   // replacement
        int error;
    } cases[] = {
        {"read: stop group", false, 0x46, bytes({0x00, 0x01}), 21},
        {"read: select", false, 0x05, bytes({0xF1, 0, 0, 0, 0}), 22},
        {"read: size", false, 0x07, bytes({0xF1, 0x08, 0x00, 0x04, 0x00}), 23},
        {"read: packet marker", false, 0x48, bytes({0x5E, 0x47, 0x01, 0x05}), 24},
        {"read: packet without data", false, 0x48, bytes({0x52, 0x48, 0x3F, 0x05}), 24},
        {"read: silence", false, 0x48, silence, 4},
        {"write: stop group", true, 0x46, bytes({0xF1, 0x00}), 10},
        {"write: select", true, 0x05, bytes({0xF1, 0x01}), 11},
        {"write: size", true, 0x07, bytes({0x00, 0x08, 0x00, 0x04, 0x00}), 12},
        {"write: suspend", true, 0x0E, bytes({0xF1, 0x00}), 13},
        {"write: prepare", true, 0x0F, bytes({0xF1, 0x00}), 14},
        {"write: packet", true, 0x49, bytes({0xF1, 0x00}), 16},
        {"write: end of write", true, 0x4A, bytes({0xF1, 0x00}), 17},
        {"write: end of write silent", true, 0x4A, silence, 4},
    };
    for (const auto &c : cases) {
        Rig rig;
        rig.queue.tamper = FakeQueue::replace(c.code, c.answer);
        auto out = rig.start(c.write);
        rig.runOut();
        EXPECT_EQ(out->failure, QStringList{QString::number(c.error)}) << c.name;
        EXPECT_TRUE(out->success.isEmpty()) << c.name;
        EXPECT_FALSE(rig.rw.running()) << c.name;
        EXPECT_TRUE(rig.image.imageData() == Rig::programImage()) << c.name;
        EXPECT_TRUE(rig.target.image() == Rig::controllerImage()) << c.name;
        EXPECT_EQ(rig.queue.count(0x47), 0) << c.name;  // no group finish after an error
        EXPECT_EQ(rig.queue.count(0x10), 0) << c.name;  // no reset either
        EXPECT_EQ(rig.line.lineTimeout, 800) << c.name;
    }
}

TEST(SysModTransfer, ChecksumFaultLeavesTheEarlierImage)
{
    Rig rig;
    rig.target.setCorruptChecksum(true);
    auto out = rig.start(false);
    rig.runOut();
    EXPECT_EQ(out->failure, QStringList{"20"});
    EXPECT_EQ(rig.image.imageData(), Rig::programImage());
    EXPECT_EQ(rig.queue.count(0x47), 0);
}

TEST(SysModTransfer, RefusedRequestEndsTheTransfer)
{
    for (bool write : {false, true}) {
        Rig rig;
        rig.queue.linkUp = false;
        auto out = rig.start(write);
        rig.runOut();
        EXPECT_EQ(out->failure, QStringList{"3"}) << write;
        EXPECT_EQ(out->ends(), 1);
    }
}

TEST(SysModTransfer, SizeMismatchIsAFailureWithBothSizes)
{
    for (bool write : {false, true}) {
        Rig rig;
        rig.queue.tamper = FakeQueue::replace(0x07, bytes({0xF4, 0x00, 0x00, 0x04, 0x00}));
        auto out = rig.start(write);
        rig.runOut();
        EXPECT_TRUE(out->success.isEmpty()) << write;
        EXPECT_EQ(out->failure, QStringList{"<final_notify_string> IST=1024 SOLL=1032"}) << write;
        EXPECT_EQ(out->status.last(), "[IST=1024 SOLL=1032]") << write;
        EXPECT_TRUE(rig.image.imageData() == Rig::programImage()) << write;
        EXPECT_EQ(rig.queue.count(0x48) + rig.queue.count(0x0E), 0) << write;
    }
}

TEST(SysModTransfer, AbortedReadLeavesTheImageAndTheNextReadWorks)
{
    Rig rig;
    auto first = rig.start(false);
    rig.time.advance(300);  // some packets are in
    ASSERT_GT(rig.queue.count(0x48), 3);
    rig.rw.abort();
    rig.runOut();
    EXPECT_EQ(first->failure, QStringList{"1"});
    EXPECT_EQ(first->ends(), 1);
    EXPECT_EQ(rig.image.imageData(), Rig::programImage());
    EXPECT_EQ(rig.queue.count(0x47), 0);

    auto second = rig.start(false);
    rig.runOut();
    EXPECT_EQ(second->success, QStringList{"Controller Data Read"});
    EXPECT_EQ(rig.image.imageData(), Rig::controllerImage());
    EXPECT_EQ(first->ends(), 1);
}

TEST(SysModTransfer, AbortDuringTheSuspendWaitWritesNothing)
{
    Rig rig;
    auto first = rig.start(true);
    rig.time.advance(1000);
    ASSERT_EQ(rig.queue.count(0x0E), 1);
    rig.rw.abort();
    rig.runOut();
    EXPECT_EQ(first->failure, QStringList{"1"});
    EXPECT_EQ(rig.queue.count(0x0F), 0);
    EXPECT_EQ(rig.target.image(), Rig::controllerImage());

    auto second = rig.start(true);
    rig.runOut();
    EXPECT_EQ(second->success, QStringList{"<32>"});
    EXPECT_EQ(rig.target.image(), rig.image.imageData());
}

TEST(SysModTransfer, ControllerNotBackAfterTheWriteIsReported)
{
    const struct {
        const char *name;
        int rebootMs;
        QByteArray linkCheckAnswer;  // empty: the controller's own
    } cases[] = {
        {"stays silent", 60000, {}},
        {"answers not ready", 4000, bytes({0xF1, 0x00})},
    };
    for (const auto &c : cases) {
        Rig rig(false);  // reported even without the transfer's log lines
        rig.target.setRebootMs(c.rebootMs);
        const QByteArray answer = c.linkCheckAnswer;
        if (!answer.isEmpty()) rig.queue.tamper = FakeQueue::replace(0x00, answer);
        auto out = rig.start(true);
        rig.runOut();
        EXPECT_EQ(out->success, QStringList{"<32>"}) << c.name;
        EXPECT_TRUE(out->failure.isEmpty()) << c.name;
        EXPECT_EQ(out->status.last(), "[<34>]") << c.name;
        EXPECT_EQ(rig.log, QStringList{"zbl_rw Fehler 18: <34>"}) << c.name;
    }
}

TEST(SysModTransfer, NewStartEndsTheRunningTransfer)
{
    Rig rig;
    auto first = rig.start(false);
    rig.time.advance(100);
    auto second = rig.start(false);
    EXPECT_EQ(first->failure, QStringList{"1"});
    rig.runOut();
    EXPECT_EQ(first->ends(), 1);
    EXPECT_EQ(second->success, QStringList{"Controller Data Read"});
    EXPECT_EQ(rig.image.imageData(), Rig::controllerImage());
}

TEST(SysModTransfer, ReadDuringTheRestartWaitDropsTheOldCheck)
{
    Rig rig;
    rig.target.setRebootMs(50);
    auto write = rig.start(true);
    while (write->ends() == 0) rig.time.advance(10);
    rig.time.advance(100);  // the controller is back, the old link check still pending
    auto read = rig.start(false);
    rig.runOut();
    EXPECT_EQ(read->success, QStringList{"Controller Data Read"});
    EXPECT_EQ(rig.queue.count(0x00), 0);
    EXPECT_FALSE(write->status.contains("[<34>]"));
}

TEST(SysModTransfer, WithoutTranslatorTheNumberIsTheText)
{
    Rig rig;
    rig.texts.pattern.clear();  // no entries
    auto out = rig.start(true);
    rig.runOut();
    EXPECT_EQ(out->success, QStringList{"32"});
    EXPECT_EQ(rig.rw.text("final_notify_string"), "final_notify_string");
}

TEST(SysModTransfer, GarbageAnswersAlwaysEndTheTransferOnce)
{
    for (quint32 seed = 1; seed <= 300; ++seed) {
        Rig rig(false);
        quint32 x = seed;
        auto next = [&x] { return (x = x * 1664525u + 1013904223u) >> 16; };
        rig.queue.tamper = [&next](const QByteArray &) -> std::optional<QByteArray> {
            if (next() % 40) return std::nullopt;  // mostly the controller's own answer
            QByteArray junk;
            for (int n = int(next() % 20); n > 0; --n) junk.append(char(next()));
            return junk;
        };
        const bool write = seed % 2;
        auto out = rig.start(write);
        EXPECT_LT(rig.time.runUntilIdle(), 3600 * 1000) << seed;
        ASSERT_EQ(out->ends(), 1) << seed;
        if (!out->failure.isEmpty()) {
            EXPECT_TRUE(rig.image.imageData() == Rig::programImage()) << seed;
        }
        if (!write && !out->success.isEmpty()) {
            EXPECT_TRUE(rig.image.imageData() == Rig::controllerImage()) << seed;
        }
    }
}
