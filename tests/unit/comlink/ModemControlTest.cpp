#include "comlink/ModemControl.h"

#include "FakeHayesModem.h"
#include "core/Bytes.h"
#include "core/Reports.h"

#include <gtest/gtest.h>

using comlink::ComPort;
using comlink::MemorySerialLine;
using comlink::ModemControl;
using comlink::FramedLink;
using core::bytes;

namespace {

// The port with its framing layer and modem dialogue on virtual time; at the
// far end of the line a scripted modem with a controller behind it.
struct ModemTest : ::testing::Test {
    ModemTest()
    {
        core::reports().reset();
        core::reports().reportWrite = [this](const QString &t) { appLog << t; };
        port.onTrafficLine = [this](const QString &t) { traffic << t; };
        framedLink.sendString = [this](const QByteArray &b) { return port.sendString(b); };
        framedLink.readChars = [this](int n) { return port.readChars(n); };
        framedLink.setPortRxHook = [this](std::function<void(int)> hook) { port.rxHook = std::move(hook); };
        fake.partner.setPartnerName("AB12");
        fake.partner.onRequest = [](const QByteArray &t) {
            return t == bytes({0xF1, 0x00}) ? bytes({0xF1, 0x01}) : QByteArray();
        };
        EXPECT_TRUE(port.openPort(1));
    }
    ~ModemTest() override { core::reports().reset(); }

    bool dial(const QString &number = QStringLiteral("0815"))
    {
        return modem.dial(
            number, [this](const QString &name) { linked << name; }, [this](const QString &e) { errors << e; });
    }
    void dialAndLink()
    {
        ASSERT_TRUE(dial());
        time.advance(fake.dialDelayMs + 2000);
        ASSERT_EQ(linked, QStringList{"AB12"});
    }
    void testAndInit()
    {
        modem.modemTestAndInit([this](const QString &text) { ready << text; });
    }
    QByteArray pcWrote() const { return pcLine.written(); }

    core::VirtualTime time;
    std::pair<std::unique_ptr<MemorySerialLine>, std::unique_ptr<MemorySerialLine>> lines =
        MemorySerialLine::createPair(&time, 1);
    MemorySerialLine &pcLine = *lines.first;
    MemorySerialLine &modemLine = *lines.second;
    ComPort port{pcLine, time};
    FramedLink framedLink{time};
    ModemControl modem{port, framedLink, time};
    FakeHayesModem fake{time, modemLine, pcLine};
    QStringList appLog, traffic, ready, linked, errors;
};

TEST_F(ModemTest, InitSendsTheConfiguredCommandsAndTheTestReportsTheModem)
{
    modem.readSettings = [] {
        comlink::ModemSettings s;
        s.echoOff = "ATE0";
        s.i1 = "ATZ";
        s.i3 = "ATX3";
        s.askModem = "ati3";
        return s;
    };
    testAndInit();
    EXPECT_TRUE(port.modemUsed());
    time.advance(150);
    EXPECT_EQ(fake.commands, (QStringList{"ATE0", "ATZ"}));
    time.advance(1000);
    EXPECT_TRUE(ready.isEmpty());
    time.advance(2000);
    // The empty i2 sends nothing; "AT" is the modem's own initialisation, then the test.
    EXPECT_EQ(fake.commands, (QStringList{"ATE0", "ATZ", "ATX3", "AT", "AT", "ATI3"}));
    EXPECT_EQ(ready, QStringList{"COM1/19200/8N1/MODEM"});
    EXPECT_EQ(port.view().modemId, "FAKEMODEM 2400");
    EXPECT_TRUE(port.view().modemOpen);
    EXPECT_EQ(port.askModemCmd(), "ati3");
    EXPECT_FALSE(port.onOk);
    EXPECT_FALSE(modem.busy());
}

// After its wait the modem test notes which of the DCD and DSR lights are lit.
TEST_F(ModemTest, TestNotesTheLitDcdAndDsrLights)
{
    struct Case {
        const char *name;
        std::optional<comlink::ControlLines> lines;  // nullopt: the line cannot report them
        QString lit;
    };
    const Case cases[] = {
        {"unknown", std::nullopt, "MyComport/lit:"},
        {"none", comlink::ControlLines{}, "MyComport/lit:"},
        {"DCD", comlink::ControlLines{.dcd = true, .cts = true}, "MyComport/lit: lit3"},
        {"DSR", comlink::ControlLines{.dsr = true, .ring = true}, "MyComport/lit: lit4"},
        {"both", comlink::ControlLines{.dcd = true, .dsr = true}, "MyComport/lit: lit3lit4"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.lines) pcLine.setControlLines(*c.lines);
        else pcLine.setControlLinesUnknown();
        traffic.clear();
        modem.modemTest([](const QString &) {});
        time.advance(3000);
        QStringList lit;
        for (const QString &line : traffic)
            if (line.contains("MyComport/lit")) lit << line.section(' ', 2);
        EXPECT_EQ(lit, QStringList{c.lit});
    }
}

TEST_F(ModemTest, TestFailsWithAnEmptyTextOnAMuteModemOrAClosedPort)
{
    for (const bool closed : {false, true}) {
        SCOPED_TRACE(closed ? "closed port" : "mute modem");
        ready.clear();
        fake.mute = true;
        if (closed) port.closePort();
        const qint64 start = time.elapsedMs();
        modem.modemTest([this](const QString &text) { ready << text; });
        time.advance(1499);
        EXPECT_TRUE(ready.isEmpty());
        time.advance(closed ? 1 : ModemControl::ReplyTimeoutMs + 1);
        EXPECT_EQ(ready, QStringList{QString()}) << "after " << time.elapsedMs() - start << " ms";
        EXPECT_EQ(port.view().modemIdentity, comlink::ComPort::ModemIdentity::NotRead);
        EXPECT_FALSE(modem.busy());
    }
}

TEST_F(ModemTest, DialConnectsSynchronisesNotifiesAndDeliversThePartnerName)
{
    ASSERT_TRUE(dial("0815"));
    EXPECT_TRUE(pcWrote().endsWith("ATDT0815\r"));
    EXPECT_EQ(port.view().status, "0815");
    time.advance(fake.dialDelayMs + 2000);

    EXPECT_EQ(linked, QStringList{"AB12"});
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_TRUE(fake.partner.notified());
    EXPECT_TRUE(port.dataMode());
    EXPECT_TRUE(port.isLinked());
    EXPECT_TRUE(port.isConnected());
    EXPECT_EQ(port.view().status, "AB12");
    EXPECT_EQ(framedLink.answerHeader(), FramedLink::StandardHeader);
    EXPECT_FALSE(framedLink.onLinkError);
    for (const char *line : {"wähle: 0815", "CONNECT 19200", "SYNCHRONISIERT"}) EXPECT_TRUE(appLog.contains(line)) << line;
    for (const char *line : {"start-sync", "** MST.SYNC **", "** NOTIFY PARTNER **", "NOTIFIED/CONNECTED"})
        EXPECT_TRUE(traffic.contains(line)) << line;

    // The link now carries ordinary telegrams.
    QList<QByteArray> answers;
    framedLink.kavcomSend(bytes({0xF1, 0x00}), [&](const QByteArray &a) { answers << a; });
    time.advance(200);
    EXPECT_EQ(answers, QList<QByteArray>{bytes({0xF1, 0x01})});

    // The carrier watch counts the connection time.
    QStringList seconds;
    modem.onTimerText = [&](const QString &t) { seconds << t; };
    time.advance(2000);
    EXPECT_FALSE(seconds.isEmpty());
    EXPECT_EQ(seconds.size(), 2);
}

TEST_F(ModemTest, LinksWhenEveryByteArrivesOnItsOwn)
{
    fake.paced = true;
    dialAndLink();
    EXPECT_TRUE(traffic.contains("** MST.SYNC **"));
    EXPECT_TRUE(port.isLinked());
}

TEST(ModemPartnerName, LastTwoBytesGoThenOnlyDigitsAndLettersStay)
{
    const struct {
        QByteArray frame;
        QString name;
    } cases[] = {
        {bytes({0x28, 0xFF, 0x91}) + "AB12" + char(0x3E), "AB1"},
        {bytes({0x28, 0xFF, 0x91}) + "Lift 7{x}" + bytes({0x00, 0x11}), "Lift7x"},
        {bytes({0x28}), ""},
        {QByteArray(), ""},
    };
    for (const auto &c : cases) EXPECT_EQ(ModemControl::partnerNameFromFrame(c.frame), c.name) << c.frame.toHex().toStdString();
}

TEST_F(ModemTest, SyncReplySplitOverTwoReceiveEventsIsFound)
{
    // The far end is played by hand here.
    modemLine.onReadyRead = [this] { modemLine.read(modemLine.bytesAvailable()); };
    framedLink.onLinkError = [this](const QString &e) { errors << e; };
    modem.startSync();
    time.advance(10);
    EXPECT_EQ(pcWrote(), bytes({0x01}));
    pcLine.inject(bytes({0x47, 0x06}));
    pcLine.inject(bytes({0x15}));
    EXPECT_FALSE(traffic.contains("** MST.SYNC **"));
    pcLine.inject(bytes({0x15}));
    EXPECT_TRUE(traffic.contains("** MST.SYNC **"));
    pcLine.inject("late");
    EXPECT_TRUE(traffic.contains("** es sollte nichts kommen !! **"));
    pcLine.clearWritten();
    time.advance(499);
    EXPECT_TRUE(pcWrote().isEmpty());
    time.advance(1);
    EXPECT_EQ(pcWrote(), bytes({0x01}));  // the notification's handshake begins
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(ModemTest, FailedDialsEndInTheConnectErrorTexts)
{
    const struct {
        FakeHayesModem::Outcome outcome;
        qint64 failsAfterMs;
    } cases[] = {
        {FakeHayesModem::Outcome::Busy, 3000},
        {FakeHayesModem::Outcome::NoCarrier, 3000},
        {FakeHayesModem::Outcome::NoDialtone, 3000},
        {FakeHayesModem::Outcome::NoAnswer, comlink::HayesModem::DialTimeoutMs},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(int(c.outcome));
        errors.clear();
        appLog.clear();
        fake.outcome = c.outcome;
        ASSERT_TRUE(dial());
        time.advance(c.failsAfterMs - 2);
        EXPECT_TRUE(errors.isEmpty());
        time.advance(4);
        EXPECT_EQ(errors, QStringList{"port>Modem Connect Fehler"});
        EXPECT_EQ(port.view().status, "Modem Connect Fehler");
        EXPECT_TRUE(appLog.contains("MODEM CONNECT FEHLER"));
        EXPECT_TRUE(linked.isEmpty());
        EXPECT_FALSE(port.dataMode());
        modem.hangUp();
        time.advance(1000);
    }
}

TEST_F(ModemTest, DialInDataModeIsRefusedWithoutTouchingTheModem)
{
    port.dataModeSwitch(true);
    pcLine.clearWritten();
    EXPECT_FALSE(dial());
    EXPECT_EQ(errors, QStringList{QString()});
    time.advance(100);
    EXPECT_TRUE(pcWrote().isEmpty());
}

TEST_F(ModemTest, DialOnAClosedPortFailsAtOnce)
{
    port.closePort();
    EXPECT_TRUE(dial());
    EXPECT_EQ(errors, QStringList{"port>Modem Connect Fehler"});
}

TEST_F(ModemTest, DialAskedDuringInitAndTestWaitsUntilTheTestHasFinished)
{
    testAndInit();
    time.advance(1900);  // the test's wait still runs
    ASSERT_TRUE(dial());
    EXPECT_FALSE(pcWrote().contains("ATDT"));
    time.advance(fake.dialDelayMs + 3000);
    EXPECT_EQ(ready, QStringList{"COM1/19200/8N1/MODEM"});
    EXPECT_EQ(fake.abortedDials, 0);
    EXPECT_EQ(fake.commands.last(), "ATDT0815");
    EXPECT_EQ(linked, QStringList{"AB12"});
}

TEST_F(ModemTest, PartnerThatNeverSynchronisesFailsAfterTenProbes)
{
    fake.partner.setSilent(true);
    ASSERT_TRUE(dial());
    time.advance(fake.dialDelayMs + 100);
    pcLine.clearWritten();
    time.advance(200);  // connected; the probes start
    ASSERT_TRUE(port.dataMode());
    time.advance(4800);
    EXPECT_TRUE(errors.isEmpty());
    time.advance(200);
    EXPECT_EQ(errors, QStringList{"MST.SYNC FAILED"});
    EXPECT_EQ(pcWrote().count(char(0x01)), ModemControl::SyncProbes);
    EXPECT_FALSE(port.onLinked);
    time.advance(5000);
    EXPECT_EQ(errors.size(), 1);
    EXPECT_TRUE(linked.isEmpty());
}

TEST_F(ModemTest, NoisyLineEndsTheSynchronisationSooner)
{
    fake.partner.setSilent(true);
    ASSERT_TRUE(dial());
    time.advance(fake.dialDelayMs + 100);
    // Noise every 300 ms keeps restarting the 500 ms tick.
    for (int i = 0; i < 12 && errors.isEmpty(); ++i) {
        modemLine.write("xyz");
        time.advance(300);
    }
    EXPECT_EQ(errors, QStringList{"MST.SYNC FAILED"});
}

TEST_F(ModemTest, LostCarrierDropsTheLinkWithOrWithoutDcd)
{
    for (const bool dcd : {false, true}) {
        SCOPED_TRACE(dcd ? "DCD" : "NO CARRIER");
        fake.hasDcd = dcd;
        linked.clear();
        dialAndLink();
        QList<bool> changes;
        port.onConnectChange = [&](bool on) { changes << on; };
        if (dcd) fake.dropCarrierSilently();
        else fake.dropCarrier();
        time.advance(1010);
        EXPECT_EQ(changes, QList<bool>{false});
        EXPECT_FALSE(port.isLinked());
        EXPECT_FALSE(port.dataMode());
        EXPECT_EQ(port.view().message, "NC");
        EXPECT_FALSE(port.view().connected);
        EXPECT_FALSE(port.rxHook);  // the modem's replies reach the text path again
        port.onConnectChange = nullptr;
        modem.hangUp();
        time.advance(3000);
    }
}

TEST_F(ModemTest, HangUpDropsDtrForAMoment)
{
    dialAndLink();
    modem.hangUp();
    EXPECT_EQ(pcLine.dtr(), false);
    EXPECT_FALSE(port.dataMode());
    EXPECT_FALSE(port.isLinked());
    EXPECT_FALSE(port.rxHook);
    time.advance(100);
    EXPECT_EQ(fake.hangups, 1);
    time.advance(comlink::HayesModem::DtrDropMs);
    EXPECT_EQ(pcLine.dtr(), true);
    EXPECT_FALSE(modem.busy());

    // The next session works.
    linked.clear();
    dialAndLink();
}

TEST_F(ModemTest, HangUpWithoutDtrUsesTheEscapeWithGuardTimes)
{
    pcLine.setDtrSupported(false);
    dialAndLink();
    time.advance(2000);
    pcLine.clearWritten();
    modem.hangUp();
    time.advance(999);
    EXPECT_TRUE(pcWrote().isEmpty());
    time.advance(2);
    EXPECT_EQ(pcWrote(), "+++");
    time.advance(998);
    EXPECT_EQ(pcWrote(), "+++");
    time.advance(2);
    EXPECT_EQ(pcWrote(), "+++ATH\r");
    time.advance(100);
    EXPECT_EQ(fake.hangups, 1);
    EXPECT_FALSE(fake.online());

    // A dial asked meanwhile waits for the hang-up; the next session works.
    linked.clear();
    modem.hangUp();
    ASSERT_TRUE(dial());
    time.advance(fake.dialDelayMs + 3000);
    EXPECT_EQ(fake.abortedDials, 0);
    EXPECT_EQ(linked, QStringList{"AB12"});
}

TEST_F(ModemTest, PortHaltHangsUpAModemThatWasUsed)
{
    dialAndLink();
    port.portHalt();
    EXPECT_EQ(pcLine.dtr(), false);
}

}  // namespace
