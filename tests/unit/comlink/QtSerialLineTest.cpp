#include "comlink/LowLatency.h"
#include "comlink/QtSerialLine.h"

#include "TestApp.h"

#include <QFile>
#include <QTemporaryDir>

#include "Pty.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <poll.h>
#include <thread>
#include <fcntl.h>
#include <linux/serial.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

using comlink::QtSerialLine;

namespace {

using testsupport::waitFor;

using testsupport::Pty;

struct QtSerialLineTest : ::testing::Test {
    void SetUp() override
    {
        testsupport::testApp();
        if (pty.slave.isEmpty()) GTEST_SKIP() << "no pseudo-terminals here";
    }
    Pty pty;
    QtSerialLine line;
};

TEST_F(QtSerialLineTest, ExchangesBytesOnAPseudoTerminalWithoutControlLines)
{
    int errors = 0;
    line.onError = [&](const QString &) { ++errors; };
    ASSERT_TRUE(line.open(pty.slave)) << line.errorText().toStdString();
    EXPECT_FALSE(line.setDtr(true));  // skipped quietly
    EXPECT_EQ(line.carrier(), std::nullopt);
    const comlink::ControlLines lines = line.controlLines();
    EXPECT_FALSE(lines.known);
    EXPECT_TRUE(lines.whyUnknown.contains(pty.slave)) << lines.whyUnknown.toStdString();
    EXPECT_TRUE(line.errorText().isEmpty());

    int ready = 0;
    line.onReadyRead = [&] { ++ready; };
    const QByteArray fromPartner("\x0F\x21\x00\x21", 4);
    ASSERT_EQ(::write(pty.master, fromPartner.constData(), 4), 4);
    ASSERT_TRUE(waitFor([&] { return line.bytesAvailable() >= 4; }));
    EXPECT_GE(ready, 1);
    EXPECT_EQ(line.read(100), fromPartner);

    EXPECT_EQ(line.write(QByteArray("\x40\x0F", 2)), 2);
    QByteArray got;
    ASSERT_TRUE(waitFor([&] { return (got += pty.readAll()).size() >= 2; }));
    EXPECT_EQ(got, QByteArray("\x40\x0F", 2));
    EXPECT_EQ(errors, 0);
}

TEST_F(QtSerialLineTest, WritesTheDeviceCannotTakeAtOnceArriveWholeAndInOrder)
{
    // Writes go straight to the device while nothing waits in the port's
    // buffer; what the device refuses is buffered, and later writes queue behind it.
    ASSERT_TRUE(line.open(pty.slave)) << line.errorText().toStdString();
    QByteArray sent;
    for (int chunk = 0; chunk < 200; ++chunk) {
        QByteArray data(997, '\0');
        for (int i = 0; i < data.size(); ++i) data[i] = char((chunk * 31 + i) & 0xFF);
        ASSERT_EQ(line.write(data), data.size());
        sent += data;
    }
    QByteArray got;
    ASSERT_TRUE(waitFor([&] { return (got += pty.readAll()).size() >= sent.size(); }));
    EXPECT_EQ(got.size(), sent.size());
    EXPECT_TRUE(got == sent);
}

TEST_F(QtSerialLineTest, MissingDeviceFailsWithAText)
{
    EXPECT_FALSE(line.open("/dev/haltron-no-such-tty"));
    EXPECT_TRUE(line.errorText().contains("/dev/haltron-no-such-tty"));
    EXPECT_FALSE(line.isOpen());
    EXPECT_EQ(line.write("x"), -1);
    EXPECT_TRUE(line.read(5).isEmpty());
}

TEST_F(QtSerialLineTest, PermissionTextTellsBusyFromNotAllowed)
{
    // Held without a lock file we could find: busy, by somebody.
    EXPECT_EQ(QtSerialLine::permissionText(pty.slave), pty.slave + ": belegt von einem anderen Programm");
    if (geteuid() == 0) GTEST_SKIP() << "root may open anything";
    QTemporaryDir dir;
    const QString path = dir.filePath("tty");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    file.setPermissions(QFileDevice::Permissions());
    const QString text = QtSerialLine::permissionText(path);
    EXPECT_TRUE(text.startsWith(path + ": keine Berechtigung: Benutzer in die Gruppe ")) << text.toStdString();
    EXPECT_TRUE(text.contains("sudo usermod -aG ")) << text.toStdString();
}

TEST_F(QtSerialLineTest, VanishingPartnerDoesNotHang)
{
    QString error;
    line.onError = [&](const QString &text) { error = text; };
    ASSERT_TRUE(line.open(pty.slave));
    pty.closeMaster();  // the far end disappears like an unplugged adapter
    // Closed and reported, instead of a read notification that fires without end.
    EXPECT_TRUE(waitFor([&] { return !line.isOpen(); }));
    EXPECT_TRUE(error.startsWith(pty.slave)) << error.toStdString();
    // The same device name can be opened again once it is back.
    Pty again;
    ASSERT_TRUE(line.open(again.slave));
    EXPECT_TRUE(line.isOpen());
}

// The controller's end on its own thread: answers every byte with idle, or
// with `other` to the byte numbered otherAt (from 1), and counts what it got.
struct EchoPartner {
    int master;
    int otherAt = -1;
    char other = 0x0F;
    std::atomic<int> got{0};
    std::atomic<bool> done{false};
    std::thread thread{[this] { run(); }};
    explicit EchoPartner(int fd) : master(fd) {}
    ~EchoPartner()
    {
        done = true;
        thread.join();
    }
    void run()
    {
        while (!done) {
            pollfd p{master, POLLIN, 0};
            char byte = 0;
            if (::poll(&p, 1, 20) != 1 || ::read(master, &byte, 1) != 1) continue;
            const char reply = ++got == otherAt ? other : char(0x40);
            [[maybe_unused]] const ssize_t written = ::write(master, &reply, 1);
        }
    }
};

TEST_F(QtSerialLineTest, IdleExchangeRunsByItselfAndHandsBackTheFirstOtherReply)
{
    ASSERT_TRUE(line.open(pty.slave)) << line.errorText().toStdString();
    int ready = 0;
    line.onReadyRead = [&] { ++ready; };
    EchoPartner partner(pty.master);
    partner.otherAt = 300;
    ASSERT_EQ(line.write(QByteArray(1, 0x40)), 1);  // the idle byte the exchange starts after
    ASSERT_TRUE(line.startIdleExchange(0x40, 0x40));
    EXPECT_FALSE(line.startIdleExchange(0x40, 0x40));  // one at a time
    ASSERT_TRUE(waitFor([&] { return ready > 0; }, 5000));
    // Nothing reached the event loop before the other reply, and nothing was written after it.
    EXPECT_EQ(line.read(10), QByteArray(1, 0x0F));
    const comlink::IdleExchangeReport report = line.stopIdleExchange();
    EXPECT_EQ(report.exchanges, 299);
    EXPECT_TRUE(report.replyPending);
    EXPECT_FALSE(report.running);
    EXPECT_EQ(partner.got, 300);
}

TEST_F(QtSerialLineTest, IdleExchangeStopsAtOnceAndLeavesNoByteBehind)
{
    ASSERT_TRUE(line.open(pty.slave)) << line.errorText().toStdString();
    EchoPartner partner(pty.master);
    ASSERT_EQ(line.write(QByteArray(1, 0x40)), 1);
    ASSERT_TRUE(line.startIdleExchange(0x40, 0x40));
    ASSERT_TRUE(waitFor([&] { return line.idleExchangeStatus().exchanges >= 100; }, 5000));
    EXPECT_TRUE(line.idleExchangeStatus().running);
    const comlink::IdleExchangeReport report = line.stopIdleExchange();
    EXPECT_GE(report.exchanges, 100);
    // Either the last reply was taken (the owner sends next) or it is still due and
    // arrives as usual; the partner got one byte more than the exchanges either way.
    waitFor([] { return false; }, 100);
    EXPECT_EQ(partner.got, report.exchanges + 1);
    EXPECT_EQ(line.read(10), report.replyPending ? QByteArray(1, 0x40) : QByteArray());
    // The port reads by itself again.
    ASSERT_EQ(line.write(QByteArray(1, 0x40)), 1);
    EXPECT_TRUE(waitFor([&] { return line.bytesAvailable() == 1; }));
}

TEST_F(QtSerialLineTest, PartnerVanishingDuringTheIdleExchangeClosesTheLine)
{
    QString error;
    line.onError = [&](const QString &text) { error = text; };
    ASSERT_TRUE(line.open(pty.slave)) << line.errorText().toStdString();
    {
        EchoPartner partner(pty.master);
        ASSERT_EQ(line.write(QByteArray(1, 0x40)), 1);
        ASSERT_TRUE(line.startIdleExchange(0x40, 0x40));
        ASSERT_TRUE(waitFor([&] { return line.idleExchangeStatus().exchanges >= 10; }, 5000));
    }
    pty.closeMaster();
    EXPECT_TRUE(waitFor([&] { return !line.isOpen(); }, 5000));
    EXPECT_TRUE(error.startsWith(pty.slave)) << error.toStdString();
    EXPECT_FALSE(line.idleExchangeStatus().running);
}

}  // namespace

// What the driver answers to the low-latency request, and what the user is told.
TEST(LowLatency, EveryDriverAnswerIsToldAndNoneIsFatal)
{
    struct Case {
        const char *name;
        int getError;      // errno of TIOCGSERIAL, 0: it works
        bool alreadyOn;
        int setError;      // errno of TIOCSSERIAL
        bool keepsFlag;    // the driver reports the flag back
        const char *told;  // start of the text
        int sets;          // TIOCSSERIAL calls
    } cases[] = {
        {"pseudo-terminal", ENOTTY, false, 0, false, "not available (", 0},
        {"already on", 0, true, 0, true, "on", 0},
        {"set", 0, false, 0, true, "on", 1},
        {"not permitted", 0, false, EPERM, false, "refused (", 1},
        {"accepted, ignored", 0, false, 0, false, "refused (the driver ignores it)", 1},
    };
    for (const Case &c : cases) {
        int sets = 0;
        int stored = c.alreadyOn ? ASYNC_LOW_LATENCY : 0;
        const auto ioctl = [&](int, unsigned long request, serial_struct *info) {
            if (request == TIOCGSERIAL) {
                if (c.getError) return errno = c.getError, -1;
                info->flags = stored;
                return 0;
            }
            ++sets;
            if (c.setError) return errno = c.setError, -1;
            if (c.keepsFlag) stored = info->flags;
            return 0;
        };
        const QString told = comlink::requestLowLatency(3, ioctl);
        EXPECT_TRUE(told.startsWith(QLatin1String(c.told))) << c.name << ": " << told.toStdString();
        EXPECT_EQ(sets, c.sets) << c.name;
    }
    EXPECT_TRUE(comlink::requestLowLatency(-1).startsWith(QLatin1String("not available")));
}

TEST_F(QtSerialLineTest, PseudoTerminalHasNoLowLatencyAndStillOpens)
{
    ASSERT_TRUE(line.open(pty.slave)) << line.errorText().toStdString();
    EXPECT_TRUE(line.lowLatencyText().startsWith(QLatin1String("not available"))) << line.lowLatencyText().toStdString();
    EXPECT_TRUE(line.errorText().isEmpty());
}
