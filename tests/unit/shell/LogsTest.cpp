#include "ShellTestSupport.h"

#include "shell/Logs.h"

using shell::parseReportFlags;

struct LogsTest : ShellFixture {
    static QString iniWith(const QString &reports)
    {
        return QStringLiteral("[logfiles]\nmainlogfile=log/main.log\nlogonfile=log/logon.log\nreports=") + reports + QLatin1Char('\n');
    }
};

TEST(ReportFlags, EachDigitOneSetsItsBitWithinTheFirst21)
{
    struct { const char *value; quint32 flags; } cases[] = {
        {"", 0}, {"?", 0}, {"1", 0x1}, {"0100", 0x2}, {"000101", 0x28}, {"x1", 0x2},
        {"1111111111111111111111111", 0x1FFFFF},  // characters 22 to 25 count for nothing
        {"000000000000000000001", 1u << 20},
    };
    for (const auto &c : cases) EXPECT_EQ(parseReportFlags(QLatin1String(c.value)), c.flags) << c.value;

    QString text;
    parseReportFlags(QStringLiteral("?"), &text);
    EXPECT_EQ(text, QString(21, QLatin1Char('0')));
    parseReportFlags(QStringLiteral("101"), &text);
    EXPECT_EQ(text, QStringLiteral("101000000000000000000"));
}

TEST_F(LogsTest, WithoutReportBitZeroTheHeaderIsOneLine)
{
    startWith(iniWith(QStringLiteral("?")));
    EXPECT_EQ(reports.reportFlags, 0u);
    EXPECT_EQ(lines(QStringLiteral("log/main.log")), QStringList{QStringLiteral("- auf ** 08.12.2026 04:22:31 [no report]")});
}

TEST_F(LogsTest, WithReportBitZeroTheHeaderNamesParametersIniAndFlags)
{
    startWith(iniWith(QStringLiteral("1")), {QStringLiteral("/m=hpz")});
    const QStringList log = lines(QStringLiteral("log/main.log"));
    ASSERT_GE(log.size(), 5);
    EXPECT_EQ(log.mid(0, 5), (QStringList{
        QStringLiteral("- auf ** 08.12.2026 04:22:31"),
        QStringLiteral("parameter= /i=test.ini /m=hpz "),
        QStringLiteral("inifile=") + path(QStringLiteral("test.ini")),
        QStringLiteral("reports=1"),
        QString(),
    }));
}

TEST_F(LogsTest, WithoutMainLogNameNoFlagsAreReadAndNothingIsReported)
{
    startWith(QStringLiteral("[logfiles]\nreports=1111\n[files]\nDataDir=/d\n"));
    EXPECT_EQ(reports.reportFlags, 0u);
    EXPECT_FALSE(reports.reportWrite);
    ASSERT_NE(config->mainLog(), nullptr);
    EXPECT_FALSE(config->mainLog()->open());
    config->mainLog()->write(QStringLiteral("lost"));
}

TEST_F(LogsTest, MainLogStartsAfreshAndLogonLogGrowsAcrossRuns)
{
    startWith(iniWith(QStringLiteral("0")));
    reports.write(QStringLiteral("first run"));
    config->logOnLog()->write(QStringLiteral("partner A"));
    config->finalizeConfiguration();

    time.advance(60 * 1000);
    startWith(iniWith(QStringLiteral("0")));
    reports.write(QStringLiteral("second run"));
    config->finalizeConfiguration();

    EXPECT_EQ(lines(QStringLiteral("log/main.log")), (QStringList{
        QStringLiteral("- auf ** 08.12.2026 04:23:31 [no report]"),
        QStringLiteral("second run"),
        QStringLiteral("- zu  ** 08.12.2026 04:23:31"),
    }));
    EXPECT_EQ(lines(QStringLiteral("log/logon.log")), (QStringList{
        QStringLiteral("08.12.2026 04:22:31- logfile kreiiert"),
        QStringLiteral("08.12.2026 04:22:31 partner A"),
        QStringLiteral("08.12.2026 04:22:31 - zu  ** "),
        QStringLiteral("08.12.2026 04:23:31 - zu  ** "),
    }));
}

TEST_F(LogsTest, LinesReachTheDiskAsTheyAreWritten)
{
    startWith(iniWith(QStringLiteral("0")));
    reports.write(QStringLiteral("before a crash"));
    EXPECT_EQ(lines(QStringLiteral("log/main.log")).last(), QStringLiteral("before a crash"));
}

TEST_F(LogsTest, OnWriteMirrorsLinesOnlyWhileTheFileIsOpen)
{
    startWith(iniWith(QStringLiteral("0")));
    QStringList mirrored;
    config->mainLog()->onWrite = [&](const QString &line) { mirrored << line; };
    reports.write(QStringLiteral("shown"));
    config->mainLog()->close();
    config->mainLog()->write(QStringLiteral("not shown"));
    EXPECT_EQ(mirrored, QStringList{QStringLiteral("shown")});
}

TEST_F(LogsTest, DebugLinesNeedBitThree)
{
    startWith(iniWith(QStringLiteral("0")));
    reports.debug(QStringLiteral("quiet"));
    reports.setFlag(core::ReportDebugBit);
    reports.debug(QStringLiteral("loud"));
    const QStringList log = lines(QStringLiteral("log/main.log"));
    EXPECT_FALSE(log.contains(QStringLiteral("quiet")));
    EXPECT_TRUE(log.contains(QStringLiteral("loud")));
}

TEST_F(LogsTest, ALogThatCannotBeCreatedIsReportedOnceAndTheRunGoesOn)
{
    write(QStringLiteral("blocker"), QStringLiteral("a file, not a folder"));
    startWith(QStringLiteral("[logfiles]\nmainlogfile=blocker/main.log\nlogonfile=log/logon.log\n"));
    EXPECT_EQ(config->logErrors().size(), 1);
    EXPECT_TRUE(config->logErrors().value(0).contains(QStringLiteral("blocker/main.log")));
    EXPECT_FALSE(config->mainLog()->open());
    reports.write(QStringLiteral("ignored"));
    EXPECT_TRUE(config->logOnLog()->open());
    config->finalizeConfiguration();
}

TEST_F(LogsTest, TheReportHooksAreClearedWhenTheLogsClose)
{
    startWith(iniWith(QStringLiteral("0001")));
    EXPECT_TRUE(reports.reportWrite);
    config->finalizeConfiguration();
    EXPECT_FALSE(reports.reportWrite);
    EXPECT_FALSE(reports.reportDebug);
    reports.write(QStringLiteral("harmless"));
}

TEST_F(LogsTest, AFullDiskIsReportedOnceAndWritingGoesOn)
{
    // The logon log appends in place: /dev/full takes the open and refuses every byte.
    shell::LogonLogFile log(time);
    QStringList errors;
    log.onError = [&](const QString &text) { errors << text; };
    ASSERT_TRUE(log.create(QStringLiteral("/dev/full")));
    for (int i = 0; i < 3; ++i) log.write(QStringLiteral("line %1").arg(i));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0], QStringLiteral("Logdatei /dev/full nicht geschrieben: Datenträger voll"));
}
