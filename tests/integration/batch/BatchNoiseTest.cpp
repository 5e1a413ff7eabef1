// build/haltron /batch against haltron-sim on a pseudo-terminal whose replies
// have one bit flipped in 1 % of the bytes: every visit either reports exactly
// the values of a clean visit and ends with status 0, or ends with status 1 and
// an error line. None reports a wrong value with status 0.
// The same rule holds for a controller that falls silent or keeps resetting.

#include "ProgramRun.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

struct Visit {
    runs::RunResult result;
    // The batch log without the lines that change with the moment of the visit, and
    // without the greeting's retries: the greeting is no reading and noise may spoil it.
    QStringList lines;
    QStringList requests;  // the telegrams the transfer queue sent, in hex
};

struct VisitRuns : ::testing::Test {
    // One batch visit against a fresh stand-in (seed 1) with the given options.
    Visit visit(const QStringList &simOptions, const QString &name, const QString &verify = QStringLiteral("1"))
    {
        const QString link = dir.filePath(name + QStringLiteral(".line"));
        const QString logFile = dir.filePath(name + QStringLiteral(".log"));
        runs::SimProcess sim(link, QStringList{QStringLiteral("--seed"), QStringLiteral("1")} + simOptions);
        if (!sim.start()) return {};
        const QString ini = runs::writeTestIni(dir, link);
        runs::setIniValue(ini, QStringLiteral("batch"), QStringLiteral("verify"), verify);
        // Bits 1 (link trace), 3 (debug lines) and 10 (queue traffic).
        runs::setIniValue(ini, QStringLiteral("logfiles"), QStringLiteral("reports"), QStringLiteral("01010000001"));
        Visit v;
        v.result = runs::runProgram({QStringLiteral("/i=") + ini, QStringLiteral("/batch"), QStringLiteral("/f=") + logFile}, 120000);
        static const QRegularExpression moment(QStringLiteral("^ \\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d$|gelesen am: |^ Logfile=|^ HALLO :Fehler$"));
        for (const QString &line : runs::readText(logFile).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            if (!moment.match(line).hasMatch()) v.lines << line;
        static const QRegularExpression request(QStringLiteral(">> ([0-9A-F]+)$"));
        for (const QString &line : runs::readText(dir.filePath(QStringLiteral("haltron.log"))).split(QLatin1Char('\n')))
            if (const auto match = request.match(line); match.hasMatch()) v.requests << match.captured(1);
        QFile::remove(dir.filePath(QStringLiteral("haltron.log")));
        return v;
    }

    QTemporaryDir dir;
};

struct NoisyVisit : VisitRuns, ::testing::WithParamInterface<int> {};

// On a clean line verification changes nothing but the traffic: the same log,
// and every request but the greeting asked twice in a row.
TEST_F(VisitRuns, CleanLineVisitIsAsBeforeWithEachReadingAskedTwice)
{
    const Visit once = visit({}, QStringLiteral("once"), QStringLiteral("0"));
    const Visit verified = visit({}, QStringLiteral("verified"));
    ASSERT_TRUE(once.result.finished && verified.result.finished);
    EXPECT_EQ(once.result.exitCode, 0);
    EXPECT_EQ(verified.result.exitCode, 0);
    EXPECT_EQ(verified.lines, once.lines);
    ASSERT_FALSE(once.requests.isEmpty());
    QStringList doubled;
    for (const QString &telegram : once.requests) {
        doubled << telegram;
        if (telegram != QLatin1String("F100")) doubled << telegram;
    }
    EXPECT_EQ(verified.requests, doubled) << once.requests.join(' ').toStdString();
}

// A faulty visit reports exactly the clean visit's values with status 0, or
// ends with status 1 and an error line or an unreadable value.
void expectCleanValuesOrFailure(const Visit &clean, const Visit &faulty)
{
    ASSERT_TRUE(faulty.result.finished);
    const std::string both = "clean:\n" + clean.lines.join('\n').toStdString() + "\nfaulty:\n" + faulty.lines.join('\n').toStdString();
    if (faulty.result.exitCode == 0) {
        // A link lost and found again on the way is written down, and is no reading.
        static const QStringList linkLines{QStringLiteral(" nicht verbunden"), QStringLiteral(" NO LINK"),
                                           QStringLiteral(" verbunden")};
        QStringList readings = faulty.lines;
        readings.removeIf([](const QString &line) { return linkLines.contains(line); });
        EXPECT_EQ(readings, clean.lines) << both;
    } else {
        EXPECT_EQ(faulty.result.exitCode, 1) << both;
        const bool errorLine = std::any_of(faulty.lines.begin(), faulty.lines.end(),
                                           [](const QString &line) { return line.startsWith(QLatin1String(" *** ")); });
        const bool unreadable = faulty.lines.contains(QStringLiteral("   : error"))
                                || faulty.lines.contains(QStringLiteral("   : FEHLER"))
                                || faulty.lines.filter(QStringLiteral("Transfer.Fehler")).size() > 0
                                || faulty.lines.filter(QStringLiteral(": 999999")).size() > 0;
        EXPECT_TRUE(errorLine || unreadable) << both;
    }
}

TEST_P(NoisyVisit, NoWrongValueIsReportedWithStatusZero)
{
    const Visit clean = visit({}, QStringLiteral("clean"));
    ASSERT_TRUE(clean.result.finished);
    ASSERT_EQ(clean.result.exitCode, 0) << clean.lines.join('\n').toStdString();

    expectCleanValuesOrFailure(clean, visit({QStringLiteral("--noise"), QStringLiteral("0.01"), QStringLiteral("--noise-seed"),
                                             QString::number(GetParam())},
                                            QStringLiteral("noisy")));
}

// A controller that falls silent for good in the middle of an answer, or that
// keeps resetting: the visit ends by itself, bounded, with the clean values
// or a failure, and the log is closed.
TEST_F(VisitRuns, SilentOrResettingControllerEndsTheVisitWithoutAWrongValue)
{
    const Visit clean = visit({}, QStringLiteral("clean"));
    ASSERT_TRUE(clean.result.finished);
    ASSERT_EQ(clean.result.exitCode, 0) << clean.lines.join('\n').toStdString();

    struct Case {
        QStringList options;
        // No answer any more: status 1 and the failure where the visit stood, the
        // watchdog's line, or the fault fetch's when the lost link dropped its request.
        bool endsInFailure;
    };
    const Case cases[] = {
        {{QStringLiteral("--silent-after"), QStringLiteral("12")}, true},
        {{QStringLiteral("--reset-every"), QStringLiteral("2")}, false},
    };
    for (const auto &[options, endsInFailure] : cases) {
        SCOPED_TRACE(options.join(' ').toStdString());
        const Visit faulty = visit(options, options.first());
        expectCleanValuesOrFailure(clean, faulty);
        if (endsInFailure) {
            EXPECT_EQ(faulty.result.exitCode, 1);
            EXPECT_TRUE(faulty.lines.contains(QStringLiteral(" *** Timeout Fehler **"))
                        || faulty.lines.contains(QStringLiteral("   : FEHLER")))
                << faulty.lines.join('\n').toStdString();
        }
        EXPECT_EQ(faulty.lines.value(faulty.lines.size() - 1), QStringLiteral(" -------------Ende BatchProcess------------"));
        EXPECT_LT(faulty.result.elapsedMs, 60000);
    }
}

// Seeds whose noise spoils the line at different places of the visit.
INSTANTIATE_TEST_SUITE_P(Seeds, NoisyVisit, ::testing::Values(1, 2, 3, 4));

}  // namespace
