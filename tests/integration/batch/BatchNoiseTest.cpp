// build/haltron /batch against haltron-sim on a pseudo-terminal whose replies
// have one bit flipped in 1 % of the bytes: every visit either reports exactly
// the values of a clean visit and ends with status 0, or ends with status 1 and
// an error line. None reports a wrong value with status 0.

#include "ProgramRun.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

struct Visit {
    runs::RunResult result;
    QStringList lines;  // the batch log without the lines that change with the moment of the visit
};

struct NoisyVisit : ::testing::TestWithParam<int> {
    // One batch visit against a fresh stand-in (seed 1) with the given options.
    Visit visit(const QStringList &simOptions, const QString &name, const QString &verify = QStringLiteral("1"))
    {
        const QString link = dir.filePath(name + QStringLiteral(".line"));
        const QString logFile = dir.filePath(name + QStringLiteral(".log"));
        runs::SimProcess sim(link, QStringList{QStringLiteral("--seed"), QStringLiteral("1")} + simOptions);
        if (!sim.start()) return {};
        const QString ini = runs::writeTestIni(dir, link);
        runs::setIniValue(ini, QStringLiteral("batch"), QStringLiteral("verify"), verify);
        Visit v;
        v.result = runs::runProgram({QStringLiteral("/i=") + ini, QStringLiteral("/batch"), QStringLiteral("/f=") + logFile}, 120000);
        static const QRegularExpression moment(QStringLiteral("^ \\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d$|gelesen am: |^ Logfile="));
        for (const QString &line : runs::readText(logFile).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            if (!moment.match(line).hasMatch()) v.lines << line;
        return v;
    }

    QTemporaryDir dir;
};

TEST_P(NoisyVisit, NoWrongValueIsReportedWithStatusZero)
{
    const Visit clean = visit({}, QStringLiteral("clean"));
    ASSERT_TRUE(clean.result.finished);
    ASSERT_EQ(clean.result.exitCode, 0) << clean.lines.join('\n').toStdString();

    const Visit noisy = visit({QStringLiteral("--noise"), QStringLiteral("0.01"), QStringLiteral("--noise-seed"),
                               QString::number(GetParam())},
                              QStringLiteral("noisy"));
    ASSERT_TRUE(noisy.result.finished);
    const std::string both = "clean:\n" + clean.lines.join('\n').toStdString() + "\nnoisy:\n" + noisy.lines.join('\n').toStdString();
    if (noisy.result.exitCode == 0) {
        EXPECT_EQ(noisy.lines, clean.lines) << both;
    } else {
        EXPECT_EQ(noisy.result.exitCode, 1) << both;
        const bool errorLine = std::any_of(noisy.lines.begin(), noisy.lines.end(),
                                           [](const QString &line) { return line.startsWith(QLatin1String(" *** ")); });
        const bool unreadable = noisy.lines.contains(QStringLiteral("   : error"))
                                || noisy.lines.contains(QStringLiteral("   : FEHLER"))
                                || noisy.lines.filter(QStringLiteral("Transfer.Fehler")).size() > 0
                                || noisy.lines.filter(QStringLiteral(": 999999")).size() > 0;
        EXPECT_TRUE(errorLine || unreadable) << both;
    }
}

// Seeds whose noise spoils the line at different places of the visit.
INSTANTIATE_TEST_SUITE_P(Seeds, NoisyVisit, ::testing::Values(1, 2, 3, 4));

}  // namespace
