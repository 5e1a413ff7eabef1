// build/haltron /batch against haltron-sim (seed 1) on a pseudo-terminal:
// the batch log line by line, time stamps by their shape, and the exit status.

#include "ProgramRun.h"

#include <QDir>
#include "JsonLines.h"
#include <QRegularExpression>

#include <algorithm>

#include <gtest/gtest.h>

namespace {

// A line of the expected log: literal text with <stamp> (dd.MM.yyyy HH:mm:ss),
// <time> (HH:mm:ss) and <date> (dd.MM.yy) standing for what changes per run.
QRegularExpression linePattern(const QString &expected)
{
    static const QRegularExpression placeholder(QStringLiteral("<stamp>|<time>|<date>"));
    QString pattern;
    qsizetype at = 0;
    for (auto it = placeholder.globalMatch(expected); it.hasNext();) {
        const auto match = it.next();
        pattern += QRegularExpression::escape(expected.mid(at, match.capturedStart() - at));
        const QString name = match.captured();
        pattern += name == QLatin1String("<stamp>") ? QStringLiteral("\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d")
                   : name == QLatin1String("<time>") ? QStringLiteral("\\d\\d:\\d\\d:\\d\\d")
                                                     : QStringLiteral("\\d\\d\\.\\d\\d\\.\\d\\d");
        at = match.capturedEnd();
    }
    pattern += QRegularExpression::escape(expected.mid(at));
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern));
}

// Lines in `optional` may or may not be in the log (texts whose moment depends
// on how fast the machine is); they are left out of the comparison.
void expectLog(const QString &logFile, const QStringList &expected, const QStringList &optional = {})
{
    QStringList actual = runs::readText(logFile).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    actual.removeIf([&](const QString &line) { return optional.contains(line); });
    const std::string whole = actual.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(actual.size(), expected.size()) << whole;
    for (qsizetype i = 0; i < expected.size(); ++i)
        EXPECT_TRUE(linePattern(expected[i]).match(actual[i]).hasMatch())
            << "line " << i + 1 << ": \"" << actual[i].toStdString() << "\" is not \"" << expected[i].toStdString() << '"';
}

// The log's head up to the link: the local link by default.
QStringList head(const QString &logFile, const QString &comment,
                 const QStringList &link = {QStringLiteral(" HALLO <LOKALE STEUERUNG>")})
{
    return QStringList{QStringLiteral(" "),
                       QStringLiteral(" ---------------BatchProcess---------------"),
                       QStringLiteral(" <stamp>"),
                       QStringLiteral(" erstellt mit: 0.1.0.0"),
                       QStringLiteral(" Logfile=") + logFile,
                       QStringLiteral(" /c=") + comment}
           + link;
}

// The modem's ready text reaches the log only when its initialisation ends
// after the batch has started, which depends on the machine's speed.
const QStringList ModemDial{QString::fromUtf8(" WÄHLE: 0815")};
const QStringList ModemReady{QStringLiteral(" Modem bereit")};

const QString EndLine = QStringLiteral(" -------------Ende BatchProcess------------");

QStringList readings(const QString &code, const QString &trips)
{
    return {QStringLiteral("   : ANLAGENKENNUNG: ") + code,
            QStringLiteral("   : STEUERUNGS.VERSION: QRX V4.17/09.02"),
            QString::fromUtf8("   : FAHRTEN.ZÄHLER: ") + trips,
            QStringLiteral("   : MON.BLOCK:  0  0 FF  0  0  0"),
            QStringLiteral("   : ->Zustand=normalbetrieb, keine Richtung, Adr-frei"),
            QStringLiteral("   : ->Standetage=0"),
            QStringLiteral("   : ->Sicherheitskreis: geschlossen"),
            QString::fromUtf8("   : ->Tür.A-ist-zu, Tür.B-ist-zu, Antrieb-ist-aus"),
            QString::fromUtf8("   : ->keine Störung"),
            QStringLiteral("   : "),
            QStringLiteral("   : Fehlerliste gelesen am: <stamp>")};
}

// The fault log of a lift: its records as category, number and value.
QStringList faults(const QStringList &records)
{
    QStringList lines{QStringLiteral("   : %1 Fehler gespeichert").arg(records.size())};
    for (qsizetype i = 0; i < records.size(); ++i)
        lines << QStringLiteral("   : %1 : %2  <time>  <date>").arg(i + 1, 3, 10, QLatin1Char('0')).arg(records[i]);
    return lines << QStringLiteral("   : OK");
}

const QStringList Lift0Faults{QStringLiteral("ED-.012 (005)"), QStringLiteral("ED-.024 (005)"), QStringLiteral("NC-.031 (005)"),
                              QStringLiteral("NC-.013 (005)"), QStringLiteral("BG-.018 (001)"), QStringLiteral("BG-.010 (001)"),
                              QStringLiteral("BG-.002 (000)"), QStringLiteral("MN-.004 (007)")};

struct BatchRun : ::testing::Test {
    // The stand-in with options, the program with a batch log in the temp folder.
    runs::RunResult run(const QStringList &simOptions, const QStringList &switches, int timeoutMs = 60000,
                        const QString &methode = QStringLiteral("00001"))
    {
        sim = std::make_unique<runs::SimProcess>(link, QStringList{QStringLiteral("--seed"), QStringLiteral("1")} + simOptions);
        if (!sim->start()) return {};
        return runs::runProgram(
            QStringList{QStringLiteral("/i=") + runs::writeTestIni(dir, link, methode), QStringLiteral("/batch")} + switches,
            timeoutMs);
    }
    // The stand-in behind its modem; the start method selects the modem.
    runs::RunResult runModem(const QStringList &simOptions, const QStringList &switches)
    {
        return run(QStringList{QStringLiteral("--modem")} + simOptions, switches, 60000, QStringLiteral("01000"));
    }

    QTemporaryDir dir;
    QString link = dir.filePath(QStringLiteral("line"));
    QString logFile = dir.filePath(QStringLiteral("visit.log"));
    std::unique_ptr<runs::SimProcess> sim;
};

TEST_F(BatchRun, SingleVisitWritesEveryReadingAndEndsWithStatusZero)
{
    const auto result = run({}, {QStringLiteral("/f=") + logFile, QStringLiteral("/c=test")});
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    expectLog(logFile, head(logFile, QStringLiteral("TEST")) + QStringList{QString::fromUtf8(" Start-Verzögerung (3000)")}
                           + readings(QStringLiteral("ANL 1001/1"), QStringLiteral("150294")) + faults(Lift0Faults)
                           + QStringList{EndLine});
    const QString logon = runs::readText(dir.filePath(QStringLiteral("logon.log")));
    EXPECT_TRUE(logon.contains(QStringLiteral("Batch gestartet: "))) << logon.toStdString();
    EXPECT_TRUE(logon.contains(QStringLiteral("Ende BatchProcess"))) << logon.toStdString();
}

TEST_F(BatchRun, GroupVisitReadsEachMemberThroughItsOwnRoute)
{
    const auto result = run({QStringLiteral("--lifts"), QStringLiteral("3")}, {QStringLiteral("/f=") + logFile, QStringLiteral("/g=0,2")});
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    const QString delay = QString::fromUtf8(" Start-Verzögerung (4000)");
    expectLog(logFile, head(logFile, QString()) + QStringList{delay, QStringLiteral("   : batch_gruppe 0"), QStringLiteral(" QRX[5]")}
                           + readings(QStringLiteral("ANL 1001/1"), QStringLiteral("150294")) + faults(Lift0Faults)
                           + QStringList{delay, QStringLiteral("   : batch_gruppe 2"), QStringLiteral(" QRX[7]")}
                           + readings(QStringLiteral("ANL 1001/3"), QStringLiteral("310757"))
                           + faults({QStringLiteral("GST-.040 (003)"), QStringLiteral("IP-.033 (007)"), QStringLiteral("NC-.025 (000)")})
                           + QStringList{EndLine});
}

TEST_F(BatchRun, SilentControllerEndsWithTheTimeoutLineAndStatusOne)
{
    const auto result = run({QStringLiteral("--silent")}, {QStringLiteral("/f=") + logFile});
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 1);
    // Ten seconds of watchdog after the start timer's two; slack for a loaded machine.
    EXPECT_LT(result.elapsedMs, 25000);
    expectLog(logFile, head(logFile, QString()) + QStringList{QString::fromUtf8(" Start-Verzögerung (3000)"),
                                                              QStringLiteral(" *** Timeout Fehler **"), EndLine});
}

TEST_F(BatchRun, GreetingAnsweredWronglyThreeTimesEndsWithStatusOne)
{
    const auto result = run({QStringLiteral("--wrong-hello")}, {QStringLiteral("/f=") + logFile});
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 1);
    const QString wrong = QStringLiteral(" HALLO :Fehler");
    expectLog(logFile, head(logFile, QString())
                           + QStringList{QString::fromUtf8(" Start-Verzögerung (3000)"), wrong, wrong, wrong,
                                         QStringLiteral(" *** MST (LOKALE STEUERUNG) ANTWORTET"),
                                         QStringLiteral(" *** STEUERUNG ANTWORTET NICHT <ABBRUCH>"), EndLine});
}

TEST_F(BatchRun, WithoutALogFileTheRunEndsWithStatusTwoAndSaysWhy)
{
    const auto result = run({}, {QStringLiteral("/c=ohne")});
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.standardError.contains(QStringLiteral("/f="))) << result.standardError.toStdString();
}

TEST_F(BatchRun, UnknownGroupTokenEndsTheRunThereAndIsNamed)
{
    const auto result = run({QStringLiteral("--lifts"), QStringLiteral("3")}, {QStringLiteral("/f=") + logFile, QStringLiteral("/g=1,x,3")});
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.standardError.contains(QStringLiteral("\"x\""))) << result.standardError.toStdString();
    const QString log = runs::readText(logFile);
    EXPECT_TRUE(log.contains(QStringLiteral("batch_gruppe 1"))) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("batch_gruppe 3"))) << log.toStdString();
    EXPECT_TRUE(log.trimmed().endsWith(EndLine.trimmed())) << log.toStdString();
}

TEST_F(BatchRun, VisitOverTheModemNamesThePartnerAndEndsWithStatusZero)
{
    const auto result = runModem({}, {QStringLiteral("/t=0815"), QStringLiteral("/f=") + logFile});
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    expectLog(logFile, head(logFile, QString(), ModemDial + QStringList{QStringLiteral(" verbunden"), QStringLiteral(" HALLO <QRX1001>")})
                           + QStringList{QString::fromUtf8(" Start-Verzögerung (3000)")}
                           + readings(QStringLiteral("ANL 1001/1"), QStringLiteral("150294")) + faults(Lift0Faults)
                           + QStringList{EndLine},
              ModemReady);
    const QString logon = runs::readText(dir.filePath(QStringLiteral("logon.log")));
    EXPECT_TRUE(logon.contains(QStringLiteral("QRX1001"))) << logon.toStdString();
}

TEST_F(BatchRun, BusyLineOverTheModemEndsWithTheDialErrorAndStatusOne)
{
    const auto result = runModem({QStringLiteral("--dial-result"), QStringLiteral("busy")},
                                 {QStringLiteral("/t=0815"), QStringLiteral("/f=") + logFile});
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 1);
    expectLog(logFile, head(logFile, QString(), ModemDial)
                           + QStringList{QStringLiteral(" *** Batch Fehler: port>Modem Connect Fehler"),
                                         QStringLiteral(" *** Timeout Fehler **"), EndLine},
              ModemReady);
}

}  // namespace

namespace {

// build/haltron /batch started without waiting for it.
struct StartedRun {
    QProcess process;
    explicit StartedRun(const QStringList &arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(HALTRON_PROGRAM), arguments);
    }
    int finish(int timeoutMs)
    {
        if (!process.waitForFinished(timeoutMs)) {
            process.kill();
            process.waitForFinished(5000);
            return -1;
        }
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
};

using testsupport::jsonLines;

}  // namespace

// Two installations at once, each on its own line with its own logs, both
// summing up into one file; a third run on a line already taken is refused.
TEST(BatchFleet, ParallelVisitsOnTwoLinesKeepTheirOwnResults)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString summary = dir.filePath(QStringLiteral("fleet.jsonl"));
    struct Site { QString folder, link, ini, log; std::unique_ptr<runs::SimProcess> sim; };
    Site sites[2];
    for (int i = 0; i < 2; ++i) {
        Site &s = sites[i];
        s.folder = dir.filePath(QStringLiteral("site%1").arg(i));
        ASSERT_TRUE(QDir().mkpath(s.folder));
        s.link = s.folder + QStringLiteral("/line");
        // Different seeds: different installation codes and counters.
        s.sim = std::make_unique<runs::SimProcess>(s.link, QStringList{QStringLiteral("--seed"), QString::number(i + 1)});
        ASSERT_TRUE(s.sim->start());
        s.log = s.folder + QStringLiteral("/visit.log");
    }
    // Each run's own INI, so the main and logon logs are its own too.
    QTemporaryDir iniDirs[2];
    for (int i = 0; i < 2; ++i) sites[i].ini = runs::writeTestIni(iniDirs[i], sites[i].link);

    StartedRun first({QStringLiteral("/i=") + sites[0].ini, QStringLiteral("/batch"), QStringLiteral("/f=") + sites[0].log,
                      QStringLiteral("/j=") + summary});
    StartedRun second({QStringLiteral("/i=") + sites[1].ini, QStringLiteral("/batch"), QStringLiteral("/f=") + sites[1].log,
                       QStringLiteral("/j=") + summary});
    ASSERT_TRUE(runs::waitForText(sites[0].log, QStringLiteral("HALLO <"), 20000));
    // The first line is taken now: a visit on it is refused at once, not after the watchdog.
    const QString refusedLog = dir.filePath(QStringLiteral("refused.log"));
    const runs::RunResult refused = runs::runProgram(
        {QStringLiteral("/i=") + sites[0].ini, QStringLiteral("/batch"), QStringLiteral("/f=") + refusedLog}, 20000);
    ASSERT_TRUE(refused.finished);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(runs::readText(refusedLog).contains(QStringLiteral(" *** Schnittstelle: ") + sites[0].link + QStringLiteral(": belegt von ")))
        << runs::readText(refusedLog).toStdString();
    EXPECT_LT(refused.elapsedMs, 15000);

    EXPECT_EQ(first.finish(60000), 0);
    EXPECT_EQ(second.finish(60000), 0);
    const QList<QJsonObject> lines = jsonLines(summary);
    ASSERT_EQ(lines.size(), 2) << runs::readText(summary).toStdString();
    for (const Site &s : sites) {
        const auto own = std::find_if(lines.begin(), lines.end(), [&](const QJsonObject &o) { return o.value("log").toString() == s.log; });
        ASSERT_NE(own, lines.end()) << s.log.toStdString();
        const QString log = runs::readText(s.log);
        EXPECT_TRUE(log.contains(QStringLiteral("   : ANLAGENKENNUNG: ") + own->value("installation").toString())) << log.toStdString();
        EXPECT_TRUE(log.contains(QString::fromUtf8("   : FAHRTEN.ZÄHLER: %1").arg(own->value("trips").toInteger())))
            << log.toStdString();
        EXPECT_TRUE(log.contains(QStringLiteral("   : %1 Fehler gespeichert").arg(own->value("faults").toInt())));
        EXPECT_EQ(own->value("result").toString(), QStringLiteral("ok"));
        EXPECT_EQ(own->value("exit").toInt(-1), 0);
    }
    EXPECT_EQ(lines[0].value("installation").toString() == lines[1].value("installation").toString(), false);
}
