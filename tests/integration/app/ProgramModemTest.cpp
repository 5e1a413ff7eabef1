// The program on the modem route against the stand-in behind its Hayes modem:
// with modem and automatic link it initialises the modem, dials the default
// number, links to the partner and hangs up when SIGTERM ends it.

#include "ProgramRun.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {

using runs::waitForText;

struct ProgramModem : ::testing::Test {
    // The stand-in's modem with options; the program with modem (digit 2) and automatic link (digit 5).
    bool start(const QStringList &simOptions)
    {
        sim = std::make_unique<runs::SimProcess>(link, QStringList{QStringLiteral("--modem")} + simOptions);
        if (!sim->start()) return false;
        const QString ini = runs::writeTestIni(dir, link, QStringLiteral("01001"));
        runs::setIniValue(ini, QStringLiteral("modem"), QStringLiteral("defaultdial"), QStringLiteral("0815"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(HALTRON_PROGRAM), {QStringLiteral("/i=") + ini});
        return program.waitForStarted(5000);
    }

    void terminate()
    {
        ::kill(pid_t(program.processId()), SIGTERM);
        ASSERT_TRUE(program.waitForFinished(10000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
    }

    QString mainLogText() const { return runs::readText(mainLog); }

    QTemporaryDir dir;
    QString link = dir.filePath(QStringLiteral("line"));
    QString mainLog = dir.filePath(QStringLiteral("haltron.log"));
    QString logonLog = dir.filePath(QStringLiteral("logon.log"));
    std::unique_ptr<runs::SimProcess> sim;
    QProcess program;
};

TEST_F(ProgramModem, DialsTheDefaultNumberLinksToThePartnerAndHangsUpOnSigterm)
{
    ASSERT_TRUE(start({}));
    ASSERT_TRUE(waitForText(mainLog, QStringLiteral("link_led: TRUE"), 20000)) << mainLogText().toStdString();
    // The logon log keeps the number dialled and the partner linked to.
    ASSERT_TRUE(waitForText(logonLog, QStringLiteral("QRX1001"), 5000)) << runs::readText(logonLog).toStdString();
    const QString logon = runs::readText(logonLog);
    EXPECT_LT(logon.indexOf(QStringLiteral("0815")), logon.indexOf(QStringLiteral("QRX1001"))) << logon.toStdString();

    terminate();
    const QString log = mainLogText();
    qsizetype at = 0;
    for (const char *line : {"wähle: 0815", "CONNECT 19200", "SYNCHRONISIERT", "link_led: TRUE",
                             "main/FormCloseQuery/Stoppe Systemprozesse...bitte warten....", "mst_panel> halt",
                             "mst_leds> halt", "StopMst/modem.hangup", "port> halt"}) {
        const qsizetype found = log.indexOf(QString::fromUtf8(line), at);
        EXPECT_GE(found, 0) << "missing or out of order: " << line << "\n" << log.toStdString();
        if (found >= 0) at = found;
    }
    EXPECT_TRUE(log.trimmed().split(QLatin1Char('\n')).last().contains(QStringLiteral("- zu  ** "))) << log.toStdString();
}

TEST_F(ProgramModem, ABusyLineLeavesTheLinkDownAndTheProgramRunning)
{
    ASSERT_TRUE(start({QStringLiteral("--dial-result"), QStringLiteral("busy")}));
    ASSERT_TRUE(waitForText(mainLog, QStringLiteral("BUSY"), 20000)) << mainLogText().toStdString();
    EXPECT_EQ(program.state(), QProcess::Running);
    EXPECT_FALSE(mainLogText().contains(QStringLiteral("link_led: TRUE"))) << mainLogText().toStdString();
    terminate();
}

TEST_F(ProgramModem, ADroppedCarrierTakesTheLinkDown)
{
    ASSERT_TRUE(start({QStringLiteral("--hangup-after"), QStringLiteral("4")}));
    ASSERT_TRUE(waitForText(mainLog, QStringLiteral("link_led: TRUE"), 20000)) << mainLogText().toStdString();
    const qsizetype mark = mainLogText().size();
    ASSERT_TRUE(waitForText(mainLog, QStringLiteral("link_led: FALSE"), 15000, mark)) << mainLogText().toStdString();
    EXPECT_EQ(program.state(), QProcess::Running);
    terminate();
}

}  // namespace
