// The monitor against the stand-in: with the automatic link and "32 autorun"
// the controller is greeted, asked for its shaft and then polled at the
// rates the countdowns give; SIGINT ends the program in order.

#include "ProgramRun.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {

int countRequests(const QString &trace, const char *telegram)
{
    return int(trace.count(QLatin1String(telegram) + QLatin1String(" ->")));
}

TEST(ProgramMonitor, GreetsReadsTheShaftAndPollsEverySlotAtItsRate)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("line"));
    const QString traceFile = dir.filePath(QStringLiteral("sim.trace"));
    runs::SimProcess sim(link, {QStringLiteral("--trace")});
    sim.traceFile = traceFile;
    ASSERT_TRUE(sim.start());

    const QString ini = runs::writeTestIni(dir, link);
    runs::setIniValue(ini, QStringLiteral("unit43"), QStringLiteral("task"), QStringLiteral("63"));
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(HALTRON_PROGRAM), {QStringLiteral("/i=") + ini});
    ASSERT_TRUE(program.waitForStarted(5000));

    // The hello waits 3 s behind the queue's start delay; then the shaft, then the loop.
    ASSERT_TRUE(runs::waitForText(traceFile, QStringLiteral("F3 55 1A 02 ->"), 20000)) << runs::readText(traceFile).toStdString();
    ASSERT_TRUE(runs::waitUntil([&] { return countRequests(runs::readText(traceFile), "F1 60") >= 24; }, 30000))
        << runs::readText(traceFile).toStdString();

    ::kill(pid_t(program.processId()), SIGINT);
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);

    const QString trace = runs::readText(traceFile);
    const qsizetype hello = trace.indexOf(QStringLiteral("F1 00 ->"));
    const qsizetype shaft = trace.indexOf(QStringLiteral("F3 55 1A 00 ->"));
    const qsizetype firstPoll = trace.indexOf(QStringLiteral("F1 60 ->"));
    ASSERT_GE(hello, 0);
    EXPECT_LT(hello, shaft);
    EXPECT_LT(shaft, firstPoll);
    for (const char *start : {"F1 01 ->", "F2 55 01 ->", "F2 55 12 ->", "F2 55 14 ->"})
        EXPECT_TRUE(trace.contains(QLatin1String(start))) << start;
    // Lift state and call lamps every visit, trip counter every other, hours and faults every fourth.
    const int state = countRequests(trace, "F1 60");
    EXPECT_NEAR(countRequests(trace, "F3 55 1C 00"), state, 2);
    EXPECT_NEAR(countRequests(trace, "F1 40"), state / 2.0, 3);
    EXPECT_NEAR(countRequests(trace, "F1 42"), state / 4.0, 3);
    EXPECT_NEAR(countRequests(trace, "F1 31"), state / 4.0, 3);
    EXPECT_NEAR(countRequests(trace, "F3 55 07 00"), state / 4.0, 3);
}

}  // namespace
