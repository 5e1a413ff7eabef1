// The local link stack in-process, on real time and a real event loop,
// against haltron-sim on a pseudo-terminal: serial line, port, 401 driver,
// transfer queue in mode 2 and the command library.

#include "ProgramRun.h"

#include "core/Bytes.h"
#include "comlink/ComPort.h"
#include "comlink/QtSerialLine.h"
#include "protocol/LocalRoute.h"
#include "protocol/CommandLibrary.h"
#include "sim/Installation.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

#include <gtest/gtest.h>

#include <optional>

using core::bytes;

namespace {

QCoreApplication &application()
{
    static int argc = 1;
    static char name[] = "integration_app";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// Runs the event loop until done() or timeoutMs.
bool spin(const std::function<bool()> &done, int timeoutMs)
{
    application();
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

// Text fields come padded with blanks or zero bytes.
QString fieldText(const QByteArray &raw) { return QString::fromLatin1(raw).remove(QChar(0)).trimmed(); }

struct LinkStack {
    explicit LinkStack(const QString &device)
    {
        application();
        port.setConfiguredDevice(device);
        protocol::connectLineToQueue(line, queue, channel);
        protocol::routeQueueToLine(queue, line, port);
        line.setLinkMode(0);
        line.startStopLine();
    }
    ~LinkStack() { line.zblPortHalt(); port.portHalt(); }

    // The answer to telegram, or nothing after timeoutMs.
    std::optional<QByteArray> ask(int answerLength, const QByteArray &telegram, int timeoutMs = 5000)
    {
        std::optional<QByteArray> answer;
        if (!queue.transferPut(answerLength, [&](const QByteArray &a) { answer = a; }, telegram)) return std::nullopt;
        spin([&] { return answer.has_value(); }, timeoutMs);
        return answer;
    }
    std::optional<QString> text(const std::function<void(protocol::CommandLibrary::TextProc)> &request, int timeoutMs = 5000)
    {
        std::optional<QString> got;
        request([&](const QString &t) { got = t; });
        spin([&] { return got.has_value(); }, timeoutMs);
        return got;
    }
    bool done(const std::function<void(protocol::CommandLibrary::DoneProc)> &request, int timeoutMs = 5000)
    {
        bool finished = false;
        request([&] { finished = true; });
        return spin([&] { return finished; }, timeoutMs);
    }
    // Waits until the queue has sent everything (requests without an answer procedure).
    bool drained() { return spin([this] { return queue.count() == 0; }, 5000); }

    core::QtTimerFactory timers;
    comlink::QtSerialLine serial;
    comlink::ComPort port{serial, timers};
    protocol::TransferQueue queue{timers};
    protocol::Line401 line{port, timers};
    protocol::ControllerChannel channel{queue};
    protocol::CommandLibrary commandLibrary{channel, timers.clock()};
};

// The same make-up as the stand-in process (seed 1), to know what it answers.
struct Expected {
    core::VirtualTime time;
    sim::Installation installation;
    explicit Expected(int lifts) : installation(time, sim::InstallationSetup{lifts, 8, 1, 0, 0, -1}) {}
    sim::Lift &lift(int index) { return *installation.lift(index); }
};

struct LinkStackTest : ::testing::Test {
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(sim.start());
        stack = std::make_unique<LinkStack>(link);
        ASSERT_TRUE(spin([this] { return stack->port.isLinked(); }, 10000)) << "the link did not come up";
    }
    void TearDown() override { stack.reset(); }

    QTemporaryDir dir;
    QString link = dir.filePath(QStringLiteral("line"));
    runs::SimProcess sim{link, {QStringLiteral("--lifts"), QStringLiteral("3")}};
    std::unique_ptr<LinkStack> stack;
    Expected expected{3};
};

TEST_F(LinkStackTest, HelloIsAnsweredAndTheCommandLibraryReadsTheControllersValues)
{
    EXPECT_EQ(stack->ask(2, bytes({0xF1, 0x00})), bytes({0xF1, 0x01}));

    protocol::CommandLibrary &commandLibrary = stack->commandLibrary;
    const sim::Lift &lift = expected.lift(0);
    EXPECT_EQ(stack->text([&](auto proc) { commandLibrary.getVersion(proc); }).value_or("?").trimmed(), fieldText(lift.versionText()));
    EXPECT_EQ(stack->text([&](auto proc) { commandLibrary.getTopFloor(proc); }), QString(QChar(lift.topFloor())));
    EXPECT_EQ(stack->text([&](auto proc) { commandLibrary.getInstallationCode(proc); }).value_or("?").trimmed(), fieldText(lift.identity()));
    EXPECT_EQ(stack->text([&](auto proc) { commandLibrary.getTelephone(proc); }).value_or("?").trimmed(), fieldText(lift.telephone()));

    ASSERT_TRUE(commandLibrary.setTelephone(QStringLiteral("0711 4711")));
    ASSERT_TRUE(stack->drained());
    EXPECT_EQ(stack->text([&](auto proc) { commandLibrary.getTelephone(proc); }).value_or("?").trimmed(), QStringLiteral("0711 4711"));

    // The memory block read gives the bytes at the selected address.
    ASSERT_TRUE(stack->done([&](auto done) { commandLibrary.selectAddress(sim::Lift::IdentityAddress, done); }));
    ASSERT_TRUE(stack->done([&](auto done) { commandLibrary.readBlock(done); }));
    EXPECT_EQ(commandLibrary.blockData().mid(1, 13), lift.memory().mid(sim::Lift::IdentityAddress, 13));
}

TEST_F(LinkStackTest, ClockSetToThePcsTimeReadsBackThePcsDate)
{
    protocol::CommandLibrary &commandLibrary = stack->commandLibrary;
    ASSERT_TRUE(stack->done([&](auto done) { commandLibrary.setClock(done); }));
    const QDate today = QDate::currentDate();
    const std::optional<QString> clock = stack->text([&](auto proc) { commandLibrary.getClock(proc); });
    ASSERT_TRUE(clock.has_value());
    const QString date = clock->section(QLatin1Char('/'), 0, 0).trimmed();
    // Just after midnight the date may have moved on between set and read.
    EXPECT_TRUE(date == today.toString(QStringLiteral("dd.MM.yy")) || date == today.toString(QStringLiteral("d.MM.yy"))
                || QDate::currentDate() != today)
        << clock->toStdString();
}

TEST_F(LinkStackTest, GroupRoutedRequestsReachTheirLiftOnly)
{
    core::PinnedChannel to0(stack->channel), to2(stack->channel);
    to0.pinTo(0);
    to2.pinTo(2);
    protocol::CommandLibrary lift0(to0, stack->timers.clock());
    protocol::CommandLibrary lift2(to2, stack->timers.clock());

    ASSERT_TRUE(lift2.setInstallationCode(QStringLiteral("AUFZUG ZWEI")));
    ASSERT_TRUE(stack->drained());
    EXPECT_EQ(stack->text([&](auto proc) { lift2.getInstallationCode(proc); }).value_or("?").trimmed(), QStringLiteral("AUFZUG ZWEI"));
    EXPECT_EQ(stack->text([&](auto proc) { lift0.getInstallationCode(proc); }).value_or("?").trimmed(),
              fieldText(expected.lift(0).identity()));
}

}  // namespace
