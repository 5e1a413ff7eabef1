// The modem route against haltron-sim --modem on a pseudo-terminal: the real
// serial line, Qt's timers and event loop, the same stack as the program's.

#include "ModemLinkFixture.h"
#include "TestApp.h"

#include "core/Bytes.h"
#include "comlink/QtSerialLine.h"

#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

using core::bytes;

namespace {

using testsupport::waitFor;

// haltron-sim serving its modem on a fresh pseudo-terminal, killed at the end.
struct SimModemProcess {
    SimModemProcess()
    {
        m_process.start(QStringLiteral(HALTRON_SIM), {QStringLiteral("--modem"), QStringLiteral("--pty"),
                                                      QStringLiteral("--traffic"), QStringLiteral("0"),
                                                      QStringLiteral("--dial-seconds"), QStringLiteral("1")});
        if (m_process.waitForReadyRead(5000)) path = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }
    ~SimModemProcess()
    {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
    QString path;

private:
    QProcess m_process;
};

TEST(ModemProcess, InitDialLinkRequestAndHangUpOverAPseudoTerminal)
{
    testsupport::testApp();
    SimModemProcess sim;
    ASSERT_FALSE(sim.path.isEmpty());

    core::QtTimerFactory timers;
    comlink::QtSerialLine line;
    ModemStack pc(line, timers, sim.path, languageFileTexts());

    pc.panel.initClick();
    ASSERT_TRUE(waitFor([&] { return pc.session.modemReady(); }, 10000)) << qPrintable(pc.panel.status());
    EXPECT_EQ(pc.port.view().modemId, QString::fromLatin1(sim::ModemPartner::IdentityText));

    pc.panel.dialClick();
    ASSERT_TRUE(waitFor([&] { return pc.panel.connected(); }, 15000)) << qPrintable(pc.panel.report());
    EXPECT_TRUE(pc.port.isLinked());
    EXPECT_TRUE(pc.port.isLinked());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^QRX\\d{4}$")).match(pc.session.partnerText()).hasMatch())
        << qPrintable(pc.session.partnerText());
    EXPECT_EQ(pc.panel.partnerLabel(), QStringLiteral("verbunden mit: ") + pc.session.partnerText());

    QByteArray answer;
    ASSERT_TRUE(pc.queue.transferPut(2, [&](const QByteArray &a) { answer = a; }, bytes({0xF1, 0x00})));
    ASSERT_TRUE(waitFor([&] { return !answer.isEmpty(); }, 10000));
    EXPECT_EQ(answer, bytes({0xF1, 0x01}));

    pc.panel.hangUpClick();
    EXPECT_FALSE(pc.port.isLinked());
    EXPECT_FALSE(pc.port.isLinked());
    EXPECT_EQ(pc.panel.partnerLabel(), QStringLiteral("nicht verbunden"));
    // A pseudo-terminal has no DTR: the hang-up runs the escape and "ATH", which the modem confirms.
    ASSERT_TRUE(waitFor([&] { return !pc.control.busy(); }, 10000));
    pc.session.sessionHalt({});
    EXPECT_FALSE(pc.port.isOpen());
}

}  // namespace
