// The program against the stand-in controller: the link comes up on its own,
// turns red when the partner is pulled, comes back when it returns, and a
// SIGTERM ends the program in order.

#include "ProgramRun.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {

using runs::waitForText;

TEST(ProgramLink, FollowsThePartnerAndEndsInOrderOnSigterm)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("line"));
    const QString mainLog = dir.filePath(QStringLiteral("haltron.log"));
    runs::SimProcess sim(link, {});
    ASSERT_TRUE(sim.start());

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(HALTRON_PROGRAM), {QStringLiteral("/i=") + runs::writeTestIni(dir, link)});
    ASSERT_TRUE(program.waitForStarted(5000));

    ASSERT_TRUE(waitForText(mainLog, QStringLiteral("link_led: TRUE"), 15000)) << runs::readText(mainLog).toStdString();

    qsizetype mark = runs::readText(mainLog).size();
    sim.stop();
    ASSERT_TRUE(waitForText(mainLog, QStringLiteral("link_led: FALSE"), 10000, mark))
        << runs::readText(mainLog).toStdString();
    EXPECT_EQ(program.state(), QProcess::Running);

    mark = runs::readText(mainLog).size();
    ASSERT_TRUE(sim.start());
    ASSERT_TRUE(waitForText(mainLog, QStringLiteral("link_led: TRUE"), 15000, mark))
        << runs::readText(mainLog).toStdString();

    ::kill(pid_t(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);

    const QString log = runs::readText(mainLog);
    for (const char *line : {"main/FormCloseQuery/Stoppe Systemprozesse...bitte warten....", "zbl_port> halt", "port> halt"})
        EXPECT_TRUE(log.contains(QLatin1String(line))) << line << "\n" << log.toStdString();
    const QStringList lines = log.trimmed().split(QLatin1Char('\n'));
    EXPECT_TRUE(lines.last().contains(QStringLiteral("- zu  ** "))) << lines.last().toStdString();
}

}  // namespace
