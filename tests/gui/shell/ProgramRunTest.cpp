// The built program, started as a user would: it comes up offscreen with a
// test INI, ends in order on SIGTERM, and refuses to run without an INI.
#include "GuiTestSupport.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace {

QProcessEnvironment offscreen()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

bool waitFor(const std::function<bool()> &condition, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QThread::msleep(20);
    }
    return true;
}

}  // namespace

TEST(ProgramRun, StartsOffscreenAndQuitsInOrderOnSigterm)
{
    QTemporaryDir tmp;
    writeText(tmp.filePath(QStringLiteral("test.ini")), testIni(QStringLiteral("00001")));
    writeText(tmp.filePath(QStringLiteral("de.lng")), QString::fromUtf8(testLanguage()));
    const QString logName = tmp.filePath(QStringLiteral("log/main.log"));

    QProcess process;
    process.setProcessEnvironment(offscreen());
    process.setWorkingDirectory(tmp.path());
    process.start(QStringLiteral(HALTRON_PROGRAM), {QStringLiteral("/i=test.ini")});
    ASSERT_TRUE(process.waitForStarted(10000));
    ASSERT_TRUE(waitFor([&] { return !readLines(logName).isEmpty(); }, 20000));
    // Let the start sequence run a little before the signal.
    QThread::msleep(300);
    ::kill(pid_t(process.processId()), SIGTERM);
    ASSERT_TRUE(process.waitForFinished(20000)) << process.readAllStandardError().toStdString();
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();

    const QStringList log = readLines(logName);
    EXPECT_TRUE(log.contains(QStringLiteral("main/FormCloseQuery/Stoppe Systemprozesse...bitte warten....")));
    ASSERT_FALSE(log.isEmpty());
    EXPECT_TRUE(log.last().startsWith(QStringLiteral("- zu  ** "))) << log.last().toStdString();
    const QStringList logon = readLines(tmp.filePath(QStringLiteral("log/logon.log")));
    ASSERT_FALSE(logon.isEmpty());
    EXPECT_TRUE(logon.last().endsWith(QStringLiteral(" - zu  ** ")));
}

TEST(ProgramRun, WithoutIniItNamesTheFileAndExitsWithTwo)
{
    QTemporaryDir tmp;
    QProcess process;
    process.setProcessEnvironment(offscreen());
    process.setWorkingDirectory(tmp.path());
    process.start(QStringLiteral(HALTRON_PROGRAM), {QStringLiteral("/i=fehlt.ini")});
    ASSERT_TRUE(process.waitForFinished(20000));
    EXPECT_EQ(process.exitCode(), 2);
    EXPECT_TRUE(QString::fromLocal8Bit(process.readAllStandardError()).contains(tmp.filePath(QStringLiteral("fehlt.ini"))));
}

TEST(ProgramRun, WithoutIniSwitchTheDeliveredIniBesideTheProgramIsUsed)
{
    // A copy of the program beside a copy of the delivered data, so the run
    // writes its logs there and not into the source tree.
    QTemporaryDir tmp;
    const QString program = tmp.filePath(QStringLiteral("bin/haltron"));
    QDir().mkpath(tmp.filePath(QStringLiteral("bin")));
    ASSERT_TRUE(QFile::copy(QStringLiteral(HALTRON_PROGRAM), program));
    QDir().mkpath(tmp.filePath(QStringLiteral("data")));
    for (const char *name : {"haltron.ini", "haltron_de.lng", "sysmod.sys", "fehler.txt"})
        ASSERT_TRUE(QFile::copy(QStringLiteral(HALTRON_DATA_DIR "/") + QLatin1String(name), tmp.filePath(QStringLiteral("data/")) + QLatin1String(name)));
    QDir().mkpath(tmp.filePath(QStringLiteral("work")));

    QProcess process;
    QProcessEnvironment env = offscreen();
    env.insert(QStringLiteral("HOME"), tmp.filePath(QStringLiteral("work")));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(tmp.filePath(QStringLiteral("work")));
    process.start(program, {});
    ASSERT_TRUE(process.waitForStarted(10000));
    const QString logName = tmp.filePath(QStringLiteral("data/log/haltron.log"));
    ASSERT_TRUE(waitFor([&] { return !readLines(logName).isEmpty(); }, 20000));
    ::kill(pid_t(process.processId()), SIGTERM);
    ASSERT_TRUE(process.waitForFinished(20000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const QStringList log = readLines(logName);
    EXPECT_TRUE(log.contains(QStringLiteral("   IniFileName=") + tmp.filePath(QStringLiteral("data/haltron.ini"))));
    EXPECT_TRUE(log.contains(QStringLiteral("       Datadir=") + tmp.filePath(QStringLiteral("data"))));
    ASSERT_FALSE(log.isEmpty());
    EXPECT_TRUE(log.last().startsWith(QStringLiteral("- zu  ** ")));
}
