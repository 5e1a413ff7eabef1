// The "SysMod" tab against haltron-sim on a pseudo-terminal, on real time:
// read the system module, save it, open it again and send it back; the
// stand-in then holds byte for byte what was read. A read broken off
// halfway leaves the image and the name shown before.

#include "MonitorFakes.h"
#include "ProgramRun.h"
#include "SysModFakes.h"
#include "TestApp.h"

#include "core/Timer.h"
#include "comlink/ComPort.h"
#include "comlink/QtSerialLine.h"
#include "protocol/LocalRoute.h"
#include "monitorview/SysModTab.h"
#include "sim/Installation.h"
#include "sysmod/ParameterSet.h"
#include "sysmod/ParameterSetTransfer.h"
#include "sysmod/ParameterSetWiring.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

// The program's local link and its system module with the tab on top.
struct TabStack {
    explicit TabStack(const QString &device)
    {
        port.setConfiguredDevice(device);
        protocol::connectLineToQueue(line, queue, channel);
        queue.setRoute(&localRoute);
        transferLine.flush = [this] { queue.transferFlush(); };
        transferLine.swap = [this](int ms) { return line.swapLineTimeout(ms); };
        sysmod::wireParameterSetTransfer(image, transfer);
        monitor.linkMode = true;
        tab.confirmSend = [](const QString &) { return true; };
        tab.setSendAllowed(true);
        line.setLinkMode(0);
        line.startStopLine();
    }
    ~TabStack()
    {
        line.zblPortHalt();
        port.portHalt();
    }

    bool busy() const { return tab.breakButton()->isEnabled(); }
    // Runs a click's transfer to its end.
    bool finish(int timeoutMs = 90000) { return testsupport::waitFor([this] { return !busy(); }, timeoutMs); }

    core::QtTimerFactory timers;
    comlink::QtSerialLine serial;
    comlink::ComPort port{serial, timers};
    protocol::TransferQueue queue{timers};
    protocol::ControllerChannel channel{queue};
    protocol::Line401 line{port, timers};
    protocol::LocalRoute localRoute{line, port};
    sysmod::ParameterSet image;
    FakeTransferLine transferLine;
    NumberTexts texts;
    sysmod::ParameterSetTransfer transfer{image, channel, timers, transferLine, texts};
    // The port's link as the tab sees it.
    struct PortLink : monitor::LinkState {
        explicit PortLink(const comlink::ComPort &port) : port(port) {}
        bool isLinked() const override { return port.isLinked(); }
        const comlink::ComPort &port;
    } link{port};
    FakeMonitorHold monitor;  // on the local route
    core::ReportSink reports;
    monitorview::SysModTab tab{image, transfer, {link, monitor, texts, reports}};
    int &holds = monitor.holds;
};

struct SysModTabProcess : ::testing::Test {
    void SetUp() override
    {
        testsupport::testApp<QApplication>();
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(sim.start());
        stack = std::make_unique<TabStack>(link);
        ASSERT_TRUE(testsupport::waitFor([this] { return stack->port.isLinked(); }, 10000)) << "the link did not come up";
    }
    void TearDown() override { stack.reset(); }

    QString read(TabStack &s)
    {
        s.tab.readClick();
        EXPECT_TRUE(s.busy());
        EXPECT_TRUE(s.finish());
        return s.tab.nameLabel()->text();
    }

    QTemporaryDir dir;
    QString link = dir.filePath(QStringLiteral("line"));
    runs::SimProcess sim{link, {}};
    std::unique_ptr<TabStack> stack;
};

TEST_F(SysModTabProcess, ReadSaveOpenAndSendBackLeavesTheControllerAsRead)
{
    TabStack &s = *stack;
    // What the stand-in holds: the same make-up (seed 1, eight floors) in-process.
    core::VirtualTime time;
    sim::Installation expected(time, sim::InstallationSetup{1, 8, 1, 0, 0, -1});
    const QByteArray original = expected.systemModule(0)->image();

    EXPECT_EQ(read(s), QStringLiteral("O.K."));
    EXPECT_EQ(s.image.imageData(), original);
    EXPECT_EQ(s.tab.gauge()->value(), s.tab.gauge()->maximum());
    EXPECT_EQ(s.holds, 0);

    const QString saved = dir.filePath(QStringLiteral("gelesen.smb"));
    s.tab.chooseSaveFile = [&](const QString &, const QString &) { return saved; };
    s.tab.saveClick();
    EXPECT_EQ(s.tab.messageField()->text(), QStringLiteral(" File (%1) gesichert").arg(saved));

    // Something else goes to the controller first, so the last send is seen to count.
    constexpr int doorOpenTime = 12;
    s.image.setByte(doorOpenTime, quint8(s.image.getByte(doorOpenTime) + 5));
    s.tab.sendClick();
    ASSERT_TRUE(s.finish());
    EXPECT_EQ(s.tab.nameLabel()->text(), QStringLiteral("O.K."));
    read(s);
    EXPECT_NE(s.image.imageData(), original);

    s.tab.chooseOpenFile = [&](const QString &) { return saved; };
    s.tab.openClick();
    EXPECT_EQ(s.tab.nameLabel()->text(), QStringLiteral("gelesen.smb"));
    EXPECT_EQ(s.tab.messageField()->text(), QStringLiteral("file geladen"));
    EXPECT_EQ(s.image.imageData(), original);

    s.tab.sendClick();
    ASSERT_TRUE(s.finish());
    EXPECT_EQ(s.tab.nameLabel()->text(), QStringLiteral("O.K."));
    EXPECT_EQ(s.holds, 0);
    read(s);
    EXPECT_EQ(s.image.imageData(), original) << "the stand-in does not hold what was read";
}

TEST_F(SysModTabProcess, ReadBrokenOffHalfwayKeepsTheEarlierImageAndName)
{
    TabStack &s = *stack;
    // An earlier image, opened from a file.
    sysmod::ParameterSet earlier;
    for (int i = 0; i < 1030; ++i) earlier.setByte(i, quint8(i * 7));
    const QString file = dir.filePath(QStringLiteral("vorher.smb"));
    ASSERT_TRUE(earlier.saveToFile(file));
    s.tab.chooseOpenFile = [&](const QString &) { return file; };
    s.tab.openClick();
    ASSERT_EQ(s.tab.nameLabel()->text(), QStringLiteral("vorher.smb"));
    const QByteArray before = s.image.imageData();
    const QString fileName = s.image.fileName();

    s.tab.readClick();
    ASSERT_TRUE(testsupport::waitFor([&] { return s.tab.gauge()->value() > 300; }, 30000)) << s.tab.gauge()->value();
    EXPECT_LT(s.tab.gauge()->value(), 1024);
    s.tab.breakClick();
    ASSERT_TRUE(s.finish(20000));
    EXPECT_EQ(s.image.imageData(), before);
    EXPECT_EQ(s.image.fileName(), fileName);
    EXPECT_EQ(s.tab.nameLabel()->text(), QStringLiteral("vorher.smb"));
    EXPECT_EQ(s.tab.messageField()->text(), QLatin1Char(' ') + s.transfer.t(53));
    EXPECT_EQ(s.holds, 0);
    EXPECT_TRUE(s.tab.readButton()->isEnabled());
}

}  // namespace
