#include "comlink/ComPort.h"

#include "core/Bytes.h"
#include "core/Reports.h"

#include <gtest/gtest.h>

using comlink::ComPort;
using comlink::MemorySerialLine;
using core::bytes;

namespace {

// What the port told its listeners of the link, in order: "up", "down", "lost".
struct LinkEvents : QStringList {
    explicit LinkEvents(ComPort &port)
    {
        QObject::connect(&port, &ComPort::linkChanged, [this](bool up) { append(up ? "up" : "down"); });
        QObject::connect(&port, &ComPort::linkLost, [this] { append("lost"); });
    }
};

struct ComPortTest : ::testing::Test {
    ComPortTest()
    {
        auto [a, b] = MemorySerialLine::createPair();  // immediate delivery
        pcEnd = std::move(a);
        farEnd = std::move(b);
        farEnd->open("far");
        port = std::make_unique<ComPort>(*pcEnd, time);
        core::reports().reset();
        core::reports().reportWrite = [this](const QString &t) { log << "W:" + t; };
        core::reports().reportDebug = [this](const QString &t) { log << "D:" + t; };
        port->onTrafficLine = [this](const QString &t) { traffic << t; };
    }
    ~ComPortTest() override { core::reports().reset(); }

    core::VirtualTime time;  // 04:22:31.000 = 15751000 ms after midnight
    std::unique_ptr<MemorySerialLine> pcEnd, farEnd;
    std::unique_ptr<ComPort> port;
    QStringList log, traffic;
};

TEST(ComPortText, TrafficLineFormats)
{
    struct Case {
        char dir;
        QByteArray data;
        bool dataMode;
        QString expected;
    };
    const Case cases[] = {
        {'>', "AT\r", false, "100 > AT"},
        {'>', "AT\r", true, "100 > 41540D   AT"},
        {'<', bytes({0x01}), false, "100 < ~01~"},
        {'<', bytes({0x06, 0x15, 0x15}), true, "100 < 061515   ~06~~15~~15~"},
        {'<', bytes({0x41, 0x80, 0x7F}), false, "100 < A~80~\x7F"},
        {'>', "  ", false, "100 > "},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ComPort::trafficText(100, c.dir, c.data, c.dataMode), c.expected) << c.expected.toStdString();
}

TEST_F(ComPortTest, OpenRunsHandlersNewestFirstAndReportsThePortText)
{
    QStringList calls;
    QStringList portTexts;
    port->addAfterOpenHandler([&] { calls << "first" + QString(port->portClosed() ? "-closed" : ""); });
    port->addAfterOpenHandler([&] { calls << "second"; });
    port->addAfterCloseHandler([&] { calls << "closed"; });
    port->onPortText = [&](const QString &t) { portTexts << t; };
    ASSERT_TRUE(port->openPort(1));
    EXPECT_EQ(calls, (QStringList{"second", "first"}));
    calls.clear();
    ASSERT_TRUE(port->openPort(2));  // closes COM1 first
    EXPECT_EQ(calls, (QStringList{"closed", "second", "first"}));
    EXPECT_EQ(port->comNumber(), 2);
    EXPECT_EQ(portTexts, (QStringList{"COM1/19200/8N1", "CLOSED", "COM2/19200/8N1"}));
    EXPECT_TRUE(port->view().portOpen);
    EXPECT_EQ(port->view().modemIdentity, ComPort::ModemIdentity::NotRead);
    EXPECT_EQ(pcEnd->dtr(), std::optional<bool>(true));
    EXPECT_EQ(traffic.count("15751000 > myport: open"), 4);
}

TEST_F(ComPortTest, FailedOpenReturnsFalseAndLogsTheReason)
{
    pcEnd->setOpenFails(true);
    EXPECT_FALSE(port->openPort(1));
    EXPECT_FALSE(port->openPort(1));
    EXPECT_EQ(log.count("W:myport: no such device"), 1);  // retries do not flood the log
    EXPECT_FALSE(port->isOpen());
    pcEnd->setOpenFails(false);
    EXPECT_TRUE(port->openPort(1));
    port->closePort();
    pcEnd->setOpenFails(true);
    EXPECT_FALSE(port->openPort(1));
    EXPECT_EQ(log.count("W:myport: no such device"), 2);
}

TEST_F(ComPortTest, SendAndReadOnlyWhileOpen)
{
    EXPECT_FALSE(port->sendString("AT\r"));
    port->sendChar(0x01);
    EXPECT_TRUE(farEnd->read(10).isEmpty());
    port->openPort(1);
    EXPECT_TRUE(port->sendString("AT\r"));
    port->sendChar(0x01);
    EXPECT_EQ(farEnd->read(10), QByteArray("AT\r\x01"));

    port->rxHook = [](int) {};  // keep the bytes for the reads below
    farEnd->write(bytes({0x41, 0x42, 0x43}));
    EXPECT_EQ(port->readChar(), 0x41);
    EXPECT_EQ(port->readChars(5), QByteArray("BC"));
    EXPECT_EQ(port->readChar(), 0);  // nothing left
    EXPECT_EQ(traffic.mid(2), (QStringList{"15751000 > AT", "15751000 > ~01~", "15751000 < A", "15751000 < BC"}));

    port->closePort();
    EXPECT_TRUE(port->portClosed());
    EXPECT_TRUE(port->closeAllowed());
    EXPECT_FALSE(port->sendString("x"));
    EXPECT_TRUE(port->readChars(3).isEmpty());
    EXPECT_FALSE(port->view().portOpen);
}

TEST_F(ComPortTest, TrafficHookCountsLineBytesOnEveryPath)
{
    QList<QPair<bool, int>> traffic;
    port->onTraffic = [&](bool sent, int count) { traffic << qMakePair(sent, count); };
    port->sendString("AT\r");  // closed: nothing moves
    port->openPort(1);
    traffic.clear();  // the open text is no line traffic
    port->sendString("AT\r");
    port->sendChar(0x01);
    farEnd->write("OK\r");  // text path, no receive hook
    port->rxHook = [](int) {};
    farEnd->write(bytes({0x41, 0x42, 0x43}));
    port->readChar();
    port->readChars(5);
    port->readChars(5);  // nothing left: no call
    EXPECT_EQ(traffic, (QList<QPair<bool, int>>{{true, 3}, {true, 1}, {false, 3}, {false, 1}, {false, 2}}));
}

TEST_F(ComPortTest, TrafficReachesTheLogOnlyWithBit9)
{
    port->openPort(1);
    port->sendString("A");
    EXPECT_FALSE(log.contains("W:15751000 > A"));
    core::reports().setFlag(core::ReportPortTraffic);
    port->sendString("A");
    port->memoText("plain");
    EXPECT_TRUE(log.contains("W:15751000 > A"));
    EXPECT_TRUE(log.contains("W:plain"));
}

TEST_F(ComPortTest, TextModeReceivePath)
{
    port->openPort(1);
    int oks = 0;
    QStringList lines;
    QStringList messages;
    port->onOk = [&] { ++oks; };
    port->onLine = [&](const QString &l) { lines << l; };
    port->onMessage = [&](const QString &m) { messages << m; };

    farEnd->write("\r\nOK\r\n");
    EXPECT_EQ(oks, 1);
    EXPECT_NE(port->view().status, "OK");
    farEnd->write("ERROR{\r");
    EXPECT_EQ(port->view().status, "ERROR$7B");
    EXPECT_EQ(port->lastLine(), "ERROR$7B");
    farEnd->write("CONNECT 9600\r");
    EXPECT_EQ(messages, QStringList{"CONNECT 9600"});
    EXPECT_EQ(lines, (QStringList{"", "OK", "ERROR$7B", "CONNECT 9600"}));
    EXPECT_TRUE(traffic.contains("15751000 < ERROR$7B"));
    for (const QString &l : lines) EXPECT_FALSE(l.contains('\r') || l.contains('\n'));

    // In data mode every byte is a line of its own.
    port->dataModeSwitch(true);
    EXPECT_EQ(farEnd->read(10), QByteArray("AT01\r"));
    traffic.clear();
    farEnd->write("ab");
    EXPECT_EQ(traffic, (QStringList{"15751000 < 61   a", "15751000 < 62   b"}));
    EXPECT_EQ(lines.size(), 4);  // no CR, no OnLine
}

TEST_F(ComPortTest, TextWithoutCarriageReturnIsCutIntoBoundedLines)
{
    port->openPort(1);
    QStringList lines;
    port->onLine = [&](const QString &l) { lines << l; };
    farEnd->write(QByteArray(10 * ComPort::LineLimit + 5, 'x'));
    EXPECT_EQ(port->line(), QString(5, 'x'));
    EXPECT_EQ(port->lastLine(), QString(ComPort::LineLimit, 'x'));
    EXPECT_TRUE(lines.isEmpty());  // only a CR ends a reply
    farEnd->write("\rOK\r");
    EXPECT_EQ(lines, (QStringList{"xxxxx", "OK"}));
}

TEST_F(ComPortTest, ReceiveHookTakesAllInputAndLocalSwitchParksIt)
{
    port->openPort(1);
    QList<int> counts;
    port->rxHook = [&](int count) {
        counts << count;
        port->readChars(count);
    };
    farEnd->write("OK\r");
    EXPECT_EQ(counts, QList<int>{3});
    EXPECT_TRUE(port->view().status.isEmpty());

    port->toggleLocalRx();  // input now shows as text
    farEnd->write("HELLO\r");
    EXPECT_EQ(port->view().status, "HELLO");
    EXPECT_EQ(counts.size(), 1);
    port->toggleLocalRx();
    farEnd->write("x");
    EXPECT_EQ(counts.size(), 2);
}

TEST_F(ComPortTest, LinkStateIsToldOncePerChangeAndFreezesAfterHalt)
{
    LinkEvents events(*port);
    int clicks = 0;
    bool clickedLinked = false;
    port->onLinkAction = [&](bool linked) { ++clicks, clickedLinked = linked; };
    EXPECT_FALSE(port->isLinked());
    port->setLinkState(false);
    port->setLinkState(true);
    port->setLinkState(true);
    EXPECT_TRUE(port->isLinked());
    EXPECT_EQ(events, (QStringList{"up"}));
    port->linkAction();
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(clickedLinked);
    // Everyone hears of a loss before the queue is told to drop what waits.
    port->setLinkState(false);
    EXPECT_EQ(events, (QStringList{"up", "down", "lost"}));
    port->setLinkState(true);

    port->portHalt();
    EXPECT_TRUE(port->linkStateFrozen());
    port->setLinkState(false);
    EXPECT_TRUE(port->isLinked());
    EXPECT_EQ(events, (QStringList{"up", "down", "lost", "up"}));
}

TEST_F(ComPortTest, HaltClosesHangsUpWhenTheModemWasUsedAndDropsHooks)
{
    port->openPort(1);
    int hangups = 0;
    port->onModemHangup = [&] { ++hangups; };
    port->onOk = [] {};
    port->setModemUsed(true);
    log.clear();
    port->portHalt();
    EXPECT_EQ(hangups, 1);
    EXPECT_FALSE(port->onOk);
    EXPECT_FALSE(port->isOpen());
    EXPECT_TRUE(port->portClosed());
    EXPECT_EQ(log, (QStringList{"D:port> halt", "D:port> modem.hangup", "D:comport.close", "D:comport.closed"}));
}

TEST_F(ComPortTest, ConnectionLossShowsNcAndTurnsTheLinkRed)
{
    port->openPort(1);
    LinkEvents events(*port);
    QList<bool> changes;
    port->onConnectChange = [&](bool on) { changes << on; };
    port->connectLedChange(true);
    EXPECT_TRUE(port->isConnected());
    EXPECT_EQ(port->view().status, "Connected");
    port->dataModeSwitch(true);
    port->setLinkState(true);
    port->connectLedChange(false);
    EXPECT_EQ(changes, (QList<bool>{true, false}));
    EXPECT_FALSE(port->isConnected());
    EXPECT_FALSE(port->dataMode());
    EXPECT_EQ(port->view().message, "NC");
    EXPECT_FALSE(port->view().connected);
    EXPECT_FALSE(port->isLinked());
    EXPECT_EQ(events, (QStringList{"up", "down", "lost"}));
}

TEST_F(ComPortTest, LostDeviceIsClosedReportedAndCanBeOpenedAgain)
{
    port->openPort(1);
    port->setLinkState(true);
    int closes = 0;
    port->addAfterCloseHandler([&] { ++closes; });
    pcEnd->breakLine("/dev/ttyUSB0: device removed");
    EXPECT_FALSE(port->isOpen());
    EXPECT_TRUE(port->portClosed());
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(port->isLinked());
    EXPECT_TRUE(log.contains("W:myport: line lost: /dev/ttyUSB0: device removed"));
    EXPECT_EQ(port->view().message, "/dev/ttyUSB0: device removed");
    EXPECT_TRUE(port->openPort(1));
    EXPECT_TRUE(port->sendString("x"));
}

}  // namespace
