// The modem route end to end on virtual time: session panel, session control,
// modem dialogue, framing layer and transfer queue against the stand-in's modem.

#include "LanguageFakes.h"
#include "ModemLinkFixture.h"
#include "SysModFakes.h"

#include "core/Bytes.h"
#include "protocol/CommandLibrary.h"
#include "sysmod/ParameterSet.h"
#include "sysmod/ParameterSetTransfer.h"

#include <gtest/gtest.h>

using core::bytes;

namespace {

const QString NotConnected = QStringLiteral("nicht verbunden");

// Makes the stand-in's modem deaf until the returned restore runs: what the PC sends is lost.
std::function<void()> deafen(ModemLinkFixture &f)
{
    auto &line = *f.cable.controller;
    auto listening = line.onReadyRead;
    line.onReadyRead = [&line] { line.read(line.bytesAvailable()); };
    return [&line, listening] { line.onReadyRead = listening; };
}

sim::ModemOptions dialEnding(sim::DialResult result)
{
    sim::ModemOptions options;
    options.dialResult = result;
    return options;
}

TEST(ModemRoute, InitReportsTheModemReadyWithItsIdentity)
{
    ModemLinkFixture f;
    ASSERT_TRUE(f.init());
    EXPECT_EQ(f.pc.panel.status(), QStringLiteral("Modem bereit"));
    EXPECT_EQ(f.pc.panel.report(), QStringLiteral("COM1/19200/8N1/MODEM"));
    EXPECT_TRUE(f.pc.panel.dial().enabled);
    EXPECT_EQ(f.pc.port.view().modemId, QString::fromLatin1(sim::ModemPartner::IdentityText));
    EXPECT_FALSE(f.pc.port.isLinked());
}

TEST(ModemRoute, SessionLinksAnswersThroughTheQueueAndHangsUp)
{
    sim::ModemOptions options;
    options.partnerName = "QRX4711";
    ModemLinkFixture f(options);
    ASSERT_TRUE(f.init());

    for (int session = 1; session <= 2; ++session) {
        SCOPED_TRACE(session);
        ASSERT_TRUE(f.dial());
        EXPECT_EQ(f.pc.panel.partnerLabel(), QStringLiteral("verbunden mit: QRX4711"));
        EXPECT_EQ(f.pc.session.partnerText(), QStringLiteral("QRX4711"));
        EXPECT_TRUE(f.pc.port.isLinked());
        EXPECT_TRUE(f.pc.port.isLinked());
        EXPECT_TRUE(f.pc.lamps.connected());
        EXPECT_TRUE(f.appLog.contains(QStringLiteral("SYNCHRONISIERT")));
        // The dial wait ended with the partner, not after its time-out.
        EXPECT_FALSE(f.pc.session.waitRunning());

        EXPECT_EQ(f.request(bytes({0xF1, 0x00})), bytes({0xF1, 0x01}));

        protocol::CommandLibrary library(f.pc.channel, f.time);
        QString version;
        library.getVersion([&](const QString &text) { version = text; });
        ASSERT_TRUE(f.runUntil([&] { return !version.isEmpty(); }, 10000));
        EXPECT_EQ(version, QString::fromLatin1(f.installation.lift(0)->versionText()).trimmed());

        f.pc.panel.hangUpClick();
        EXPECT_EQ(f.cable.pc->dtr(), std::optional<bool>(false));
        EXPECT_EQ(f.pc.panel.status(), QStringLiteral("AUFLEGEN"));
        EXPECT_EQ(f.pc.panel.partnerLabel(), NotConnected);
        EXPECT_TRUE(f.pc.panel.dial().enabled);
        EXPECT_FALSE(f.pc.port.isLinked());
        EXPECT_FALSE(f.pc.port.isLinked());
        // Requests are refused on a link that is down.
        EXPECT_FALSE(f.pc.queue.transferPut(2, {}, bytes({0xF1, 0x00})));
        ASSERT_TRUE(f.runUntil([&] { return !f.pc.control.busy(); }, 5000));
        EXPECT_EQ(f.cable.pc->dtr(), std::optional<bool>(true));
    }
}

TEST(ModemRoute, HangUpOnALineWithoutDtrPutsTheModemOnHook)
{
    ModemLinkFixture f;
    f.cable.pc->setDtrSupported(false);  // as on a pseudo-terminal
    ASSERT_TRUE(f.init());
    ASSERT_TRUE(f.dial());
    f.cable.pc->clearWritten();

    f.pc.panel.hangUpClick();
    ASSERT_TRUE(f.runUntil([&] { return !f.pc.control.busy(); }, 10000));
    EXPECT_FALSE(f.partner.connected());
    EXPECT_TRUE(f.cable.pc->written().contains("+++"));
    EXPECT_TRUE(f.cable.pc->written().contains("ATH"));

    ASSERT_TRUE(f.dial());
    EXPECT_EQ(f.request(bytes({0xF1, 0x00})), bytes({0xF1, 0x01}));
}

TEST(ModemRoute, BusyLineEndsTheSessionWithTheConnectError)
{
    ModemLinkFixture f(dialEnding(sim::DialResult::Busy));
    ASSERT_TRUE(f.init());
    f.pc.panel.dialClick();
    ASSERT_TRUE(f.runUntil([&] { return !f.pc.panel.report().isEmpty() && f.pc.panel.dial().enabled; }, 10000));

    EXPECT_EQ(f.pc.panel.report(), QStringLiteral("port>Modem Connect Fehler"));
    EXPECT_EQ(f.pc.panel.reportLook(), panels::FieldLook::Error);
    EXPECT_EQ(f.pc.port.view().status, QStringLiteral("Modem Connect Fehler"));
    EXPECT_TRUE(f.appLog.contains(QStringLiteral("MODEM CONNECT FEHLER")));
    EXPECT_EQ(f.pc.panel.partnerLabel(), NotConnected);
    EXPECT_FALSE(f.pc.panel.hangUp().enabled);
    // The error ended the wait at once, not after the dial time-out.
    EXPECT_FALSE(f.pc.session.waitRunning());
    EXPECT_LT(f.time.elapsedMs(), 10000);
    EXPECT_FALSE(f.pc.port.isLinked());
}

TEST(ModemRoute, SilentDialEndsAfterTheFullCountdown)
{
    ModemLinkFixture f(dialEnding(sim::DialResult::None));
    ASSERT_TRUE(f.init());
    f.pc.panel.dialClick();
    EXPECT_EQ(f.pc.timeText, QStringLiteral("[45.00 sec]"));
    EXPECT_EQ(f.pc.gaugeMax, 450);
    const qint64 dialledAt = f.time.elapsedMs();

    f.time.advance(44000);
    EXPECT_TRUE(f.pc.session.waitRunning());
    EXPECT_TRUE(f.pc.panel.hangUp().enabled);
    EXPECT_GT(f.pc.gaugePosition, 0);
    EXPECT_LE(f.pc.gaugePosition, 10);

    ASSERT_TRUE(f.runUntil([&] { return f.pc.panel.dial().enabled; }, 2000));
    EXPECT_GE(f.time.elapsedMs() - dialledAt, 45000);
    EXPECT_EQ(f.pc.gaugePosition, 0);
    EXPECT_EQ(f.pc.panel.partnerLabel(), NotConnected);
    EXPECT_FALSE(f.pc.panel.hangUp().enabled);
    EXPECT_FALSE(f.pc.port.isLinked());
}

TEST(ModemRoute, DroppedCarrierTurnsTheLampsRedAndEndsTheSession)
{
    sim::ModemOptions options;
    options.hangupAfterMs = 5000;
    ModemLinkFixture f(options);
    ASSERT_TRUE(f.init());
    ASSERT_TRUE(f.dial());
    ASSERT_TRUE(f.pc.port.isLinked());

    ASSERT_TRUE(f.runUntil([&] { return !f.pc.panel.connected(); }, 10000));
    EXPECT_FALSE(f.pc.port.isLinked());
    EXPECT_FALSE(f.pc.port.isLinked());
    EXPECT_FALSE(f.pc.port.dataMode());
    EXPECT_FALSE(f.pc.lamps.connected());
    EXPECT_EQ(f.pc.port.view().message, QStringLiteral("NC"));
    EXPECT_EQ(f.pc.panel.partnerLabel(), NotConnected);
    EXPECT_TRUE(f.pc.panel.dial().enabled);
    EXPECT_FALSE(f.pc.panel.hangUp().enabled);
    EXPECT_FALSE(f.pc.queue.transferPut(2, {}, bytes({0xF1, 0x00})));
}

TEST(ModemRoute, NakStormEndsInTheTimeoutAndTheQueueRestarts)
{
    sim::ModemOptions options;
    options.nakRate = 1.0;
    ModemLinkFixture f(options);
    ASSERT_TRUE(f.init());
    ASSERT_TRUE(f.dial());

    bool answered = false;
    ASSERT_TRUE(f.pc.queue.transferPut(2, [&](const QByteArray &) { answered = true; }, bytes({0xF1, 0x00})));
    ASSERT_TRUE(f.runUntil([&] { return !f.pc.restarts.isEmpty(); }, 15000));
    EXPECT_EQ(f.pc.queueErrors.value(0), QStringLiteral("<ERROR> NC/TIME.OUT 5000"));
    EXPECT_EQ(f.pc.restarts.value(0), QStringLiteral(" RESTART "));
    // The flushed request never hears of it; the queue and the framing layer are free again.
    EXPECT_FALSE(answered);
    EXPECT_EQ(f.pc.queue.count(), 0);
    EXPECT_FALSE(f.pc.framedLink.busy());
    // The link itself stays up: the next request is taken (and refused by the far end again).
    EXPECT_TRUE(f.pc.port.isLinked());
    EXPECT_TRUE(f.pc.queue.transferPut(2, {}, bytes({0xF1, 0x00})));
}

TEST(ModemRoute, ModemThatNeverSaysOkFailsTheInitAndTheNextInitWorks)
{
    ModemLinkFixture f;
    auto restore = deafen(f);
    f.pc.panel.initClick();
    ASSERT_TRUE(f.runUntil([&] { return f.pc.panel.status() == QStringLiteral("Modem antwortet nicht"); }, 15000));
    EXPECT_EQ(f.pc.panel.statusLook(), panels::FieldLook::Error);
    EXPECT_FALSE(f.pc.session.modemReady());
    EXPECT_FALSE(f.pc.panel.dial().enabled);

    restore();
    ASSERT_TRUE(f.init());
    ASSERT_TRUE(f.dial());
}

TEST(ModemRoute, FarEndFallingSilentDuringTheLinkUpEndsTheDialAndTheNextOneLinks)
{
    struct Case {
        const char *phase;
        std::function<bool(ModemLinkFixture &)> reached;
        QString report;
    };
    const Case cases[] = {
        {"after CONNECT", [](ModemLinkFixture &f) { return f.pc.port.isConnected(); }, QStringLiteral("MST.SYNC FAILED")},
        {"after the synchronisation",
         [](ModemLinkFixture &f) { return f.pc.traffic.contains(QStringLiteral("** MST.SYNC **")); },
         QStringLiteral("KAVCOM_TO_ZBL Error")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.phase);
        ModemLinkFixture f;
        ASSERT_TRUE(f.init());
        f.pc.panel.dialClick();
        ASSERT_TRUE(f.runUntil([&] { return c.reached(f); }, 10000, 1));
        auto restore = deafen(f);
        ASSERT_TRUE(f.runUntil([&] { return f.pc.panel.dial().enabled; }, 15000));
        EXPECT_EQ(f.pc.panel.report(), c.report);
        EXPECT_EQ(f.pc.panel.partnerLabel(), NotConnected);
        EXPECT_FALSE(f.pc.port.isLinked());
        EXPECT_FALSE(f.pc.session.waitRunning());

        restore();
        ASSERT_TRUE(f.runUntil([&] { return !f.pc.control.busy(); }, 5000));
        ASSERT_TRUE(f.dial());
        EXPECT_EQ(f.request(bytes({0xF1, 0x00})), bytes({0xF1, 0x01}));
    }
}

TEST(ModemRoute, NoiseBetweenFramesDoesNotDisturbTheNextRequest)
{
    ModemLinkFixture f;
    ASSERT_TRUE(f.init());
    ASSERT_TRUE(f.dial());
    const QByteArray noises[] = {bytes({0x55, 0xAA, 0x00, 0xFF}), bytes({0x02, 0x06, 0x28, 0xFF}),
                                 bytes({0x15, 0x06, 0x01}), QByteArray(300, '\x02')};
    for (const QByteArray &noise : noises) {
        SCOPED_TRACE(core::hexText(noise).toStdString());
        f.pc.queueErrors.clear();
        f.pc.restarts.clear();
        f.cable.controller->write(noise);
        f.time.advance(100);
        // A request the noise spoilt may fail once: the queue reports the framing
        // layer's text and restarts; the request after it is answered.
        if (f.request(bytes({0xF1, 0x00}), 2, 15000) != bytes({0xF1, 0x01})) {
            ASSERT_FALSE(f.pc.queueErrors.isEmpty());
            EXPECT_TRUE(f.pc.queueErrors.first().startsWith(QStringLiteral("<ERROR>"))) << qPrintable(f.pc.queueErrors.first());
            EXPECT_FALSE(f.pc.restarts.isEmpty());
            EXPECT_EQ(f.request(bytes({0xF1, 0x00}), 2, 15000), bytes({0xF1, 0x01}));
        }
        EXPECT_TRUE(f.pc.port.isLinked());
    }
}

TEST(ModemRoute, CarrierLostMidTransferFreesTheQueueAndTheNextSessionWorks)
{
    sim::ModemOptions options;
    options.hangupAfterMs = 4000;
    ModemLinkFixture f(options);
    ASSERT_TRUE(f.init());
    ASSERT_TRUE(f.dial());

    // Requests back to back until the carrier goes; the last one is on the line when it does.
    int answers = 0;
    std::function<void(const QByteArray &)> next = [&](const QByteArray &) {
        ++answers;
        f.pc.queue.transferPut(16, next, bytes({0xF1, 0x01}));
    };
    ASSERT_TRUE(f.pc.queue.transferPut(16, next, bytes({0xF1, 0x01})));
    ASSERT_TRUE(f.runUntil([&] { return !f.pc.panel.connected(); }, 10000));
    EXPECT_GT(answers, 0);
    EXPECT_FALSE(f.pc.port.isLinked());

    ASSERT_TRUE(f.runUntil([&] { return f.pc.queue.count() == 0 && !f.pc.framedLink.busy(); }, 15000));
    ASSERT_TRUE(f.runUntil([&] { return !f.pc.control.busy(); }, 5000));
    ASSERT_TRUE(f.dial());
    EXPECT_EQ(f.request(bytes({0xF1, 0x00})), bytes({0xF1, 0x01}));
}

}  // namespace

namespace {

// The carrier goes in the middle of a parameter-set read: the lost link drops
// the request on the line, and the read fails with its reason within a second,
// not after its own answer time-out.
TEST(ModemRoute, CarrierLostMidTransferFailsItWithinASecond)
{
    constexpr int CarrierMs = 1500;
    sim::ModemOptions options;
    options.hangupAfterMs = CarrierMs;
    ModemLinkFixture f(options);
    sysmod::ParameterSet image;
    const QByteArray before = image.imageData();
    FakeTransferLine line;
    NumberTexts texts;
    sysmod::ParameterSetTransfer transfer(image, f.pc.channel, f.time, line, texts);
    ASSERT_TRUE(f.init());
    ASSERT_TRUE(f.dial());
    const qint64 connected = f.time.elapsedMs();  // the carrier goes CarrierMs after CONNECT, which came before this

    QString failure, success;
    int progress = 0;
    transfer.loadFromQRx([&](const QString &t) { success = t; }, [&](const QString &t) { failure = t; }, nullptr,
                         [&](int position) { progress = position; });
    ASSERT_TRUE(f.runUntil([&] { return !failure.isEmpty() || !success.isEmpty(); }, 30000));
    EXPECT_EQ(failure, QStringLiteral("5"));
    EXPECT_TRUE(success.isEmpty());
    EXPECT_GT(progress, 0) << "the carrier went before the transfer had begun";
    EXPECT_LE(f.time.elapsedMs(), connected + CarrierMs + 1000);
    EXPECT_EQ(image.imageData(), before);
}

}  // namespace
