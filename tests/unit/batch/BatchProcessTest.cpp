#include "batch/BatchProcess.h"
#include "batch/GroupList.h"

#include "FakeChannel.h"
#include "core/Bytes.h"
#include "core/IniFile.h"
#include "core/Timer.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "JsonLines.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <random>

using core::bytes;
using namespace batch;

namespace {

QByteArray nibbles(int v)
{
    QByteArray a;
    for (int shift = 0; shift < 16; shift += 4) a.append(char((v >> shift) & 0xF));
    return a;
}

QByteArray textAnswer(const QString &text)
{
    QByteArray a = bytes({0xFF}) + text.toLatin1();
    return a + QByteArray(16 - a.size(), '\0');
}

// One lift controller's data, as its answers carry them.
struct Lift {
    QString code;
    QString version;
    int tripHigh = 0, tripLow = 0;
    QByteArray state;
    int groupAddress = 0;
    int faults = 0;
    int faultBase = 0;  // record n carries fault number faultBase + n
};

// A group controller: F0 10 70 k routes the rest of a request to lift k; a request
// without it is answered by lift 0, the controller on the line.
struct Controller {
    QList<Lift> lifts;
    QByteArray greeting = bytes({0xF1, 0x01});

    QByteArray operator()(const QByteArray &telegram) const
    {
        QByteArray t = telegram;
        int k = 0;
        if (t.startsWith(bytes({0xF0, 0x10, 0x70})) && t.size() > 4) {
            k = quint8(t[3]);
            t = t.mid(4);
        }
        if (k >= lifts.size()) return {};
        const Lift &lift = lifts[k];
        if (t == bytes({0xF1, 0x00})) return greeting;
        if (t == bytes({0xF2, 0x55, 0x12})) return textAnswer(lift.code);
        if (t == bytes({0xF1, 0x01})) return textAnswer(lift.version);
        if (t == bytes({0xF1, 0x40})) return bytes({0xF8}) + nibbles(lift.tripHigh) + nibbles(lift.tripLow);
        if (t == bytes({0xF1, 0x60})) return lift.state;
        if (t == bytes({0xF2, 0x55, 0x1B})) return bytes({0xF1, lift.groupAddress});
        if (t == bytes({0xF1, 0x31})) return bytes({0xF4}) + nibbles(lift.faults);
        if (t.size() == 4 && t.startsWith(bytes({0xF3, 0x55, 0x07})))
            return bytes({0xF7, 0x00, lift.faultBase + quint8(t[3]), 0x00, 0x01, 0x00, 0x00, 0x00});
        return {};
    }
};

const Lift liftA{"anlage-7", "V4.12", 1, 50, bytes({0xF6, 0x2B, 0x03, 0x05, 0x01, 0x16, 0x00}), 1, 2, 1};
const Lift liftC{"Anlage-7/C", "V5.01", 0, 3, bytes({0xF6, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02}), 7, 0, 0};

QString stampShape(QString line)
{
    static const QRegularExpression stamp(QStringLiteral("\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d"));
    return line.replace(stamp, QStringLiteral("<stamp>"));
}

// The head every run writes before it links.
QStringList headLines(const QString &logFile, const QString &comment)
{
    return {" ", " ---------------BatchProcess---------------", " <stamp>", " erstellt mit: 2.4",
            " Logfile=" + logFile, " /c=" + comment};
}

// What one controller's readings write, from the installation code to the fault list's end.
QStringList readingLines(const QString &code, const QString &version, const QString &trips,
                         const QStringList &stateLines, const QStringList &faultLines)
{
    QStringList lines{"   : ANLAGENKENNUNG: " + code, "   : STEUERUNGS.VERSION: " + version,
                      QString::fromUtf8("   : FAHRTEN.ZÄHLER: ") + trips};
    lines << stateLines << "   : " << "   : Fehlerliste gelesen am: <stamp>";
    return lines << faultLines << "   : OK";
}

const QStringList liftAState = {
    "   : MON.BLOCK: 2B  3  5  1 16  0",
    "   : ->Zustand=brandfallsteuerung, Richtung-AUF, Adr-gesperrt",
    "   : ->Standetage=3",
    "   : ->Sicherheitskreis: notendschalter offen",
    QString::fromUtf8("   : ->Tür.A-fährt-zu, Tür.B-fährt-auf, Antrieb-AUF"),
    QString::fromUtf8("   : ->keine Störung"),
};
const QStringList liftAFaults = {"   : 2 Fehler gespeichert", "   : 001 : MN-.002 (000)  00:00:00  01.01.00",
                                 "   : 002 : MN-.001 (000)  00:00:00  01.01.00"};
const QString endLine = " -------------Ende BatchProcess------------";

struct Harness {
    core::VirtualTime time;
    FakeChannel queue;
    Controller controller{{liftA}};
    QTemporaryDir dir;
    QString logFile = dir.filePath("visit.log");
    std::unique_ptr<BatchProcess> batch;

    QStringList errors, logon, report, trace, dialled;
    QList<int> transferStarts;

    // The visit's link: it records the start delays and the numbers dialled.
    struct Link final : batch::BatchLink {
        Harness &h;
        QString portErrorText;
        explicit Link(Harness &h) : h(h) {}
        void transferStart(int ms) override { h.transferStarts << ms; }
        void dial(const QString &number) override { h.dialled << number; }
        QString portError() const override { return portErrorText; }
    } link{*this};
    QString caption;
    int quits = 0, gaugeMaximum = -1, gaugePosition = -1;

    // Answers given instead of the controller's, in turn, per telegram: the noise on the line.
    QMap<QByteArray, QList<QByteArray>> spoilt;

    Harness()
    {
        queue.controller = [this](const QByteArray &t) {
            if (spoilt.contains(t) && !spoilt[t].isEmpty()) return spoilt[t].takeFirst();
            return controller(t);
        };
    }

    BatchProcess &make(BatchParams params)
    {
        core::IniFile language;
        EXPECT_TRUE(language.load(QStringLiteral(HALTRON_DATA_DIR "/haltron_de.lng")));
        BatchTexts texts{monitor::MonitorTextLists::fromLanguage(language),
                         monitor::FaultListTexts::fromLanguage(language), QString()};
        if (params.iniVersion.isEmpty()) params.iniVersion = "2.4";
        batch = std::make_unique<BatchProcess>(time, queue, link, texts, params);
        BatchProcess *run = batch.get();
        QObject::connect(run, &BatchProcess::finished, [this] { ++quits; });
        QObject::connect(run, &BatchProcess::reportLine, [this](const QString &line) { report << line; });
        QObject::connect(run, &BatchProcess::reportLine, [this](const QString &line) { trace << line; });
        QObject::connect(run, &BatchProcess::logonLine, [this](const QString &line) { logon << line; });
        QObject::connect(run, &BatchProcess::captionChanged, [this](const QString &text) { caption = text; });
        QObject::connect(run, &BatchProcess::gaugeChanged,
                         [this](int maximum, int position) { gaugeMaximum = maximum, gaugePosition = position; });
        QObject::connect(run, &BatchProcess::errorMessage, [this](const QString &message) { errors << message; });
        return *batch;
    }

    BatchProcess &start(BatchParams params)
    {
        if (params.logFile.isNull()) params.logFile = logFile;
        make(params).startBatch();
        return *batch;
    }

    // Answers every request, each after delayMs.
    void answerAll(int delayMs = 100)
    {
        while (queue.pending() > 0) {
            time.advance(delayMs);
            queue.answerNext();
        }
    }

    QStringList log() const
    {
        QFile file(logFile);
        if (!file.open(QIODevice::ReadOnly)) return {};
        QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
        for (QString &line : lines) line = stampShape(line);
        return lines;
    }
};

}  // namespace

TEST(GroupList, TokenRestAndMember)
{
    struct Case { QString list, token, rest; int member; };
    const Case cases[] = {
        {"0,2", "0", "2", 0},
        {"2", "2", "", 2},
        {"1,x,3", "1", "x,3", 1},
        {"x,3", "x", "3", -1},
        {"12", "12", "", 1},      // found at the second place of "0123"
        {"0123", "0123", "", 0},
        {"4", "4", "", -1},
        {",2", "", "2", -1},      // an empty token names nobody
        {"", "", "", -1},
        {"3,", "3", "", 3},
    };
    for (const Case &c : cases) {
        const GroupToken t = splitGroupList(c.list);
        EXPECT_EQ(t.token, c.token) << c.list.toStdString();
        EXPECT_EQ(t.rest, c.rest) << c.list.toStdString();
        EXPECT_EQ(t.member, c.member) << c.list.toStdString();
    }
    EXPECT_EQ(splitGroupList("0," + QString(300, '1')).rest.size(), 255);
}

TEST(BatchProcess, SingleLocalVisitWritesTheWholeReport)
{
    Harness h;
    h.start({QString(), QString(), "Wartung mai", QString(), false, QString()});
    h.answerAll();

    QStringList expected = headLines(h.logFile, "WARTUNG MAI");
    expected << " HALLO <LOKALE STEUERUNG>" << QString::fromUtf8(" Start-Verzögerung (3000)");
    expected << readingLines("ANLAGE-7", "V4.12", "10050", liftAState, liftAFaults) << endLine;
    EXPECT_EQ(h.log(), expected);
    // Every line also goes to the connection report and the link trace.
    EXPECT_EQ(h.report.size(), expected.size());
    EXPECT_EQ(h.trace.size(), expected.size());

    // The greeting once, every reading twice: the answers agreed.
    const QList<QByteArray> telegrams = {bytes({0xF1, 0x00}), bytes({0xF2, 0x55, 0x12}), bytes({0xF2, 0x55, 0x12}),
                                         bytes({0xF1, 0x01}), bytes({0xF1, 0x01}), bytes({0xF1, 0x40}),
                                         bytes({0xF1, 0x40}), bytes({0xF1, 0x60}), bytes({0xF1, 0x60})};
    EXPECT_EQ(h.queue.sent.mid(0, 9), telegrams);
    EXPECT_EQ(h.queue.answerLengths.mid(0, 9), (QList<int>{2, 16, 16, 16, 16, 9, 9, 7, 7}));
    EXPECT_EQ(h.transferStarts, QList<int>{3000});

    ASSERT_EQ(h.logon.size(), 3);
    EXPECT_EQ(stampShape(h.logon[0]), "Batch gestartet: <stamp>");
    EXPECT_EQ(h.logon[1], "Wartung mai");  // the comment as given
    EXPECT_EQ(h.logon[2], "Ende BatchProcess");
    EXPECT_EQ(h.caption, " Batch Prozess(visit.log)");
    EXPECT_EQ(h.quits, 1);
    EXPECT_FALSE(h.batch->isRunning());
    EXPECT_EQ(h.batch->exitStatus(), BatchExitOk);
    EXPECT_TRUE(h.errors.isEmpty());
}

TEST(BatchProcess, GroupVisitReadsEachMemberThroughItsRoute)
{
    Harness h;
    h.controller.lifts = {liftA, Lift(), liftC};
    h.start({QString(), QString(), QString(), "0,2", false, QString()});
    h.answerAll();

    const QStringList liftCState = {
        "   : MON.BLOCK:  0  0  0  0  0  2",
        "   : ->Zustand=normalbetrieb, keine Richtung, Adr-frei",
        "   : ->Standetage=0",
        "   : ->Sicherheitskreis: geschlossen",
        QString::fromUtf8("   : ->Tür.A-ist-zu, Tür.B-ist-zu, Antrieb-ist-aus"),
        QString::fromUtf8("   : ->Störung: lsu"),
    };
    QStringList expected = headLines(h.logFile, QString());
    expected << " HALLO <LOKALE STEUERUNG>";
    expected << QString::fromUtf8(" Start-Verzögerung (4000)") << "   : batch_gruppe 0" << " QRX[1]";
    expected << readingLines("ANLAGE-7", "V4.12", "10050", liftAState, liftAFaults);
    expected << QString::fromUtf8(" Start-Verzögerung (4000)") << "   : batch_gruppe 2" << " QRX[7]";
    expected << readingLines("ANLAGE-7/C", "V5.01", "3", liftCState,
                             {"   : 0 Fehler gespeichert", "   : Fehlerspeicher ist leer"});
    expected << endLine;
    EXPECT_EQ(h.log(), expected);

    // No greeting of its own; every request of member 2 is routed to it.
    EXPECT_FALSE(h.queue.sent.contains(bytes({0xF1, 0x00})));
    const QByteArray route2 = bytes({0xF0, 0x10, 0x70, 0x02});
    const qsizetype first2 = h.queue.sent.indexOf(route2 + bytes({0xF2, 0x55, 0x1B}));
    ASSERT_GT(first2, 0);
    for (qsizetype i = first2; i < h.queue.sent.size(); ++i) EXPECT_TRUE(h.queue.sent[i].startsWith(route2)) << i;
    EXPECT_EQ(h.transferStarts, (QList<int>{4000, 4000}));
    EXPECT_EQ(h.batch->exitStatus(), BatchExitOk);
}

TEST(BatchProcess, UnknownGroupTokenEndsTheRunAndSaysWhich)
{
    Harness h;
    h.controller.lifts = {Lift(), liftA, Lift(), liftC};
    h.start({QString(), QString(), QString(), "1,x,3", false, QString()});
    h.answerAll();

    const QStringList log = h.log();
    EXPECT_TRUE(log.contains("   : batch_gruppe 1"));
    EXPECT_FALSE(log.contains("   : batch_gruppe 3"));
    EXPECT_EQ(log.last(), endLine);
    EXPECT_FALSE(log.join('\n').contains(" *** "));
    for (const QByteArray &t : h.queue.sent) EXPECT_FALSE(t.startsWith(bytes({0xF0, 0x10, 0x70, 0x03})));
    ASSERT_EQ(h.errors.size(), 1);
    EXPECT_TRUE(h.errors[0].contains("\"x\"")) << h.errors[0].toStdString();
    EXPECT_EQ(h.quits, 1);
    EXPECT_EQ(h.batch->exitStatus(), BatchExitError);
}

TEST(BatchProcess, EmptyGroupTokenEndsTheRunInsteadOfLooping)
{
    Harness h;
    h.controller.lifts = {liftA, Lift(), liftC};
    h.start({QString(), QString(), QString(), "0,,2", false, QString()});
    h.answerAll();

    EXPECT_EQ(h.log().count("   : batch_gruppe 0"), 1);
    EXPECT_FALSE(h.log().contains("   : batch_gruppe 2"));
    EXPECT_EQ(h.log().last(), endLine);
    EXPECT_EQ(h.errors.size(), 1);
    EXPECT_EQ(h.batch->exitStatus(), BatchExitError);
}

TEST(BatchProcess, SilentControllerEndsWithTheTimeoutLine)
{
    Harness h;
    h.start({});
    // The greeting waits 10 s.
    h.time.advance(9999);
    EXPECT_TRUE(h.batch->isRunning());
    EXPECT_EQ(h.gaugePosition, 1);
    h.time.advance(1);
    EXPECT_FALSE(h.batch->isRunning());
    const QStringList log = h.log();
    ASSERT_GE(log.size(), 2);
    EXPECT_EQ(log.mid(log.size() - 2), (QStringList{" *** Timeout Fehler **", endLine}));
    EXPECT_EQ(h.batch->exitStatus(), BatchExitError);

    // A late answer after the end writes nothing and ends nothing twice.
    h.answerAll();
    h.time.advance(60000);
    EXPECT_EQ(h.log(), log);
    EXPECT_EQ(h.quits, 1);
    EXPECT_EQ(h.time.activeTimers(), 0);
}

TEST(BatchProcess, GreetingAnsweredWronglyThreeTimes)
{
    Harness h;
    h.controller.greeting = bytes({0xF1, 0x02});
    h.start({});
    h.answerAll();

    QStringList expected = headLines(h.logFile, QString());
    expected << " HALLO <LOKALE STEUERUNG>" << QString::fromUtf8(" Start-Verzögerung (3000)")
             << " HALLO :Fehler" << " HALLO :Fehler" << " HALLO :Fehler"
             << " *** MST (LOKALE STEUERUNG) ANTWORTET" << " *** STEUERUNG ANTWORTET NICHT <ABBRUCH>" << endLine;
    EXPECT_EQ(h.log(), expected);
    EXPECT_EQ(h.queue.sent, (QList<QByteArray>(3, bytes({0xF1, 0x00}))));
    EXPECT_EQ(h.queue.answerLengths, (QList<int>{2, 16, 16}));
    EXPECT_EQ(h.batch->exitStatus(), BatchExitError);
}

TEST(BatchProcess, GreetingRepeatedAfterATransferErrorSucceeds)
{
    Harness h;
    int greetings = 0;
    h.queue.controller = [&](const QByteArray &t) {
        if (t == bytes({0xF1, 0x00}) && ++greetings == 1) return QByteArray("<ERROR> NC/TIME.OUT");
        return h.controller(t);
    };
    h.start({});
    h.answerAll();
    EXPECT_EQ(h.log().count(" HALLO :Fehler"), 1);
    EXPECT_EQ(h.log().last(), endLine);
    EXPECT_EQ(h.batch->exitStatus(), BatchExitOk);
}

TEST(BatchProcess, ModemRouteDialsAndVisitsThePartner)
{
    Harness h;
    h.start({QString(), "0711 4711", QString(), QString(), true, QString()});
    EXPECT_EQ(h.dialled, QStringList{"0711 4711"});
    EXPECT_EQ(h.log().last(), QString::fromUtf8(" WÄHLE: 0711 4711"));
    // Dialling may take up to the start time-out.
    h.time.advance(44000);
    h.batch->statusText(1, "  verbunden");
    h.batch->statusText(2, "COM1");
    h.batch->batchVisit("Anlage Nord");
    h.answerAll();

    const QStringList log = h.log();
    const qsizetype dial = log.indexOf(QString::fromUtf8(" WÄHLE: 0711 4711"));
    ASSERT_GE(dial, 0);
    EXPECT_EQ(log.mid(dial + 1, 3),
              (QStringList{" verbunden", " HALLO <ANLAGE NORD>", QString::fromUtf8(" Start-Verzögerung (3000)")}));
    EXPECT_EQ(log.last(), endLine);
    EXPECT_EQ(h.batch->exitStatus(), BatchExitOk);
}

TEST(BatchProcess, DialErrorEndsOneSecondLater)
{
    struct Case { QString number; QString errorLine; };
    const Case cases[] = {
        {"0711 4711", " *** Batch Fehler: NO CARRIER"},
        {"", " *** Batch Fehler: keine Rufnummer angegeben (/t=)"},
    };
    for (const Case &c : cases) {
        Harness h;
        h.start({QString(), c.number, QString(), "0,2", true, QString()});
        if (!c.number.isEmpty()) {
            EXPECT_EQ(h.dialled, QStringList{c.number});
            h.batch->batchDialError("NO CARRIER");
        } else {
            EXPECT_TRUE(h.dialled.isEmpty());
        }
        h.time.advance(999);
        EXPECT_TRUE(h.batch->isRunning()) << c.number.toStdString();
        h.time.advance(1);
        const QStringList log = h.log();
        ASSERT_GE(log.size(), 3);
        EXPECT_EQ(log.mid(log.size() - 3), (QStringList{c.errorLine, " *** Timeout Fehler **", endLine})) << c.number.toStdString();
        EXPECT_TRUE(h.queue.sent.isEmpty());
        EXPECT_EQ(h.batch->exitStatus(), BatchExitError);
        // A link coming up after the end visits nobody.
        h.batch->batchVisit("late");
        EXPECT_TRUE(h.queue.sent.isEmpty());
    }
}

TEST(BatchProcess, UnreadableStateBlockStillReadsTheFaultLog)
{
    const QByteArray answers[] = {bytes({0xF1, 0x01}), bytes({0xF6, 0x2B, 0x03, 0x05}), QByteArray()};
    for (const QByteArray &answer : answers) {
        Harness h;
        h.controller.lifts[0].state = answer;
        h.start({});
        h.answerAll();
        const QStringList log = h.log();
        const qsizetype error = log.indexOf(" *** MON.BLOCK: Lese Fehler");
        ASSERT_GE(error, 0) << core::hexText(answer).toStdString();
        EXPECT_EQ(log.mid(error + 1), (QStringList{"   : ", "   : Fehlerliste gelesen am: <stamp>"} + liftAFaults
                                       + QStringList{"   : OK", endLine}));
        EXPECT_EQ(h.batch->exitStatus(), BatchExitError);
    }
}

TEST(BatchProcess, EachFaultRecordRearmsTheWatchdog)
{
    Harness h;
    h.controller.lifts[0].faults = 20;
    h.start({});
    // Records come 4.9 s apart, everything else quickly.
    while (h.queue.pending() > 0) {
        const bool record = h.queue.sent.last().startsWith(bytes({0xF3, 0x55, 0x07}));
        h.time.advance(record ? 4900 : 200);
        h.queue.answerNext();
    }
    const QStringList log = h.log();
    EXPECT_EQ(log.last(), endLine);
    EXPECT_TRUE(log.contains("   : 20 Fehler gespeichert"));
    EXPECT_TRUE(log.contains("   : 020 : MN-.001 (000)  00:00:00  01.01.00"));
    EXPECT_EQ(h.batch->exitStatus(), BatchExitOk);
}

TEST(BatchProcess, FaultRecordLaterThanFiveSecondsTimesOut)
{
    Harness h;
    h.start({});
    while (h.queue.pending() > 0 && !h.queue.sent.last().startsWith(bytes({0xF3, 0x55, 0x07, 0x01}))) {
        h.time.advance(100);
        h.queue.answerNext();
    }
    h.time.advance(5000);
    EXPECT_EQ(h.log().mid(h.log().size() - 2), (QStringList{" *** Timeout Fehler **", endLine}));
}

TEST(BatchProcess, WithoutUsableLogTheRunDoesNotStart)
{
    QTemporaryDir dir;
    struct Case { QString logFile; QString messagePart; };
    const Case cases[] = {
        {"", "/f="},
        {dir.path(), dir.path()},  // a folder cannot be opened as the log
        {dir.filePath("missing/visit.log"), "missing/visit.log"},
    };
    for (const Case &c : cases) {
        Harness h;
        h.start({c.logFile, QString(), QString(), QString(), false, QString()});
        EXPECT_FALSE(h.batch->isRunning()) << c.logFile.toStdString();
        EXPECT_EQ(h.batch->exitStatus(), BatchExitNoLog) << c.logFile.toStdString();
        ASSERT_EQ(h.errors.size(), 1) << c.logFile.toStdString();
        EXPECT_TRUE(h.errors[0].contains(c.messagePart)) << h.errors[0].toStdString();
        EXPECT_EQ(h.quits, 1);
        EXPECT_TRUE(h.queue.sent.isEmpty());
        EXPECT_TRUE(h.logon.isEmpty());
        EXPECT_EQ(h.time.activeTimers(), 0);
    }
}

TEST(BatchProcess, AppendsToAnExistingLog)
{
    Harness h;
    {
        QFile file(h.logFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("earlier run\n");
    }
    h.start({});
    h.answerAll();
    const QStringList log = h.log();
    EXPECT_EQ(log.first(), "earlier run");
    EXPECT_EQ(log.mid(1, 2), (QStringList{" ", " ---------------BatchProcess---------------"}));
}

TEST(BatchProcess, StatusTextsReachTheLogOnlyWhileRunning)
{
    Harness h;
    h.make({h.logFile, QString(), QString(), QString(), true, QString()});
    h.batch->statusText(1, "BATCH BETRIEB");
    h.batch->startBatch();
    h.batch->statusText(1, "NO LINK");
    h.batch->halt();
    h.batch->statusText(1, "after halt");
    const QStringList log = h.log();
    EXPECT_FALSE(log.contains(" BATCH BETRIEB"));
    EXPECT_EQ(log.last(), " NO LINK");
    // Closed by the program before its end: no end line, and not a success.
    EXPECT_EQ(h.batch->exitStatus(), BatchExitError);
    EXPECT_EQ(h.time.activeTimers(), 0);
}

TEST(BatchProcess, WatchdogCountsDownOnTheGauge)
{
    Harness h;
    h.start({QString(), "1", QString(), QString(), true, QString()});
    EXPECT_EQ(h.gaugeMaximum, 45);
    EXPECT_EQ(h.gaugePosition, 45);
    h.time.advance(3000);
    EXPECT_EQ(h.batch->watchdogSeconds(), 42);
    EXPECT_EQ(h.gaugePosition, 42);
    EXPECT_EQ(h.gaugeMaximum, 45);
    h.time.advance(42000);
    EXPECT_EQ(h.log().mid(h.log().size() - 2), (QStringList{" *** Timeout Fehler **", endLine}));
}

TEST(BatchProcess, GarbageAnswersAlwaysEndTheRunOnce)
{
    std::mt19937 random(4711);
    for (int run = 0; run < 200; ++run) {
        Harness h;
        h.queue.controller = [&](const QByteArray &t) {
            // Mostly the true answer, sometimes noise of any length.
            if (random() % 3) return h.controller(t);
            QByteArray noise;
            for (int i = int(random() % 20); i > 0; --i) noise.append(char(random() % 256));
            return noise;
        };
        h.start({QString(), QString(), QString(), random() % 2 ? "0,2" : QString(), false, QString()});
        h.answerAll();
        h.time.runUntilIdle();
        EXPECT_EQ(h.quits, 1) << run;
        ASSERT_FALSE(h.log().isEmpty());
        EXPECT_EQ(h.log().last(), endLine) << run;
        EXPECT_FALSE(h.batch->isRunning());
    }
}

TEST(BatchProcess, AnswersAfterTheObjectHasGoneAreDropped)
{
    Harness h;
    h.start({});
    h.batch.reset();
    EXPECT_EQ(h.queue.run(), 1);
    EXPECT_EQ(h.queue.pending(), 0);
}

TEST(ReadingVerifier, TwoOfThreeAnswersDecide)
{
    const QByteArray a = bytes({0xF1, 0x01}), b = bytes({0xF1, 0x03}), c = bytes({0xF1, 0x41});
    struct Case { const char *name; QList<QByteArray> answers; int asks; std::optional<QByteArray> agreed; };
    const Case cases[] = {
        {"two equal answers", {a, a}, 2, a},
        {"the first spoilt", {b, a, a}, 3, a},
        {"the second spoilt", {a, b, a}, 3, a},
        {"the third asked only when the first two differ", {a, b, b}, 3, b},
        {"no two agree", {a, b, c}, 3, std::nullopt},
        {"two empty answers (timed out) agree on nothing read", {QByteArray(), QByteArray()}, 2, QByteArray()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FakeChannel queue;
        QList<QByteArray> given = c.answers;
        queue.controller = [&](const QByteArray &) { return given.isEmpty() ? a : given.takeFirst(); };
        ReadingVerifier verifier;
        int again = 0;
        verifier.onAskAgain = [&] { ++again; };
        QList<std::optional<QByteArray>> results;
        ASSERT_TRUE(verifier.wrap(queue).put(2, [&](const QByteArray &answer) {
            results << (verifier.failed() ? std::nullopt : std::optional<QByteArray>(answer));
        }, bytes({0xF1, 0x00})));
        queue.run();
        EXPECT_EQ(queue.sent.size(), c.asks);
        EXPECT_EQ(again, c.asks - 1);
        ASSERT_EQ(results.size(), 1);
        EXPECT_EQ(results[0], c.agreed);
        EXPECT_FALSE(verifier.failed());
        EXPECT_EQ(agreedAnswer(c.answers), c.agreed);
    }

    // Switched off, or for a request without answer, it passes requests as they are.
    FakeChannel queue;
    queue.controller = [&](const QByteArray &) { return a; };
    ReadingVerifier verifier;
    verifier.wrap(queue).put(0, nullptr, bytes({0xF1, 0x10}));
    verifier.setEnabled(false);
    QByteArray answer;
    verifier.wrap(queue).put(2, [&](const QByteArray &x) { answer = x; }, bytes({0xF1, 0x00}));
    queue.run();
    EXPECT_EQ(queue.sent, (QList<QByteArray>{bytes({0xF1, 0x10}), bytes({0xF1, 0x00})}));
    EXPECT_EQ(answer, a);
}

// Noise spoils answers in transit; a reading is good only when two answers agree,
// and a value the decoder cannot read makes the run's status 1 as an error line does.
TEST(BatchProcess, OnlyVerifiedAndReadableValuesEndWithStatusZero)
{
    const QByteArray code = bytes({0xF2, 0x55, 0x12}), version = bytes({0xF1, 0x01}), trips = bytes({0xF1, 0x40}),
                     count = bytes({0xF1, 0x31}), record0 = bytes({0xF3, 0x55, 0x07, 0x00});
    const QByteArray goodTrips = bytes({0xF8}) + nibbles(1) + nibbles(50);
    const QByteArray goodVersion = textAnswer("V4.12");
    struct Case {
        const char *name;
        QMap<QByteArray, QList<QByteArray>> spoilt;
        QStringList expectedLines;   // in the log, in this order
        QStringList absentLines;
        int status;
    };
    const Case cases[] = {
        {"a spoilt first answer is outvoted",
         {{version, {textAnswer("V4.1r")}}, {trips, {goodTrips, bytes({0xF8, 0, 0, 0, 4}) + nibbles(50)}}},
         {"   : STEUERUNGS.VERSION: V4.12", QString::fromUtf8("   : FAHRTEN.ZÄHLER: 10050")}, {}, BatchExitOk},
        {"three different texts give the error line and the run goes on",
         {{code, {textAnswer("anlage-6"), textAnswer("anlagf-7"), textAnswer("anl`ge-7")}}},
         {" *** ANLAGENKENNUNG: Lese Fehler", "   : STEUERUNGS.VERSION: V4.12", endLine},
         {"   : ANLAGENKENNUNG: ANLAGE-7"}, BatchExitError},
        {"a text that is not one", {{version, {bytes({0xF1, 0x01}), bytes({0xF1, 0x01})}}},
         {"   : STEUERUNGS.VERSION: Transfer.Fehler", endLine}, {}, BatchExitError},
        {"a counter with a byte beyond a nibble", {{trips, {goodTrips, bytes({0xF8, 0x12, 0, 0, 0}) + nibbles(50),
                                                             bytes({0xF8, 0x12, 0, 0, 0}) + nibbles(50)}}},
         {QString::fromUtf8("   : FAHRTEN.ZÄHLER: 999999"), endLine}, {}, BatchExitError},
        {"a fault count beyond nibbles reads as no count", {{count, {bytes({0xF4, 3, 0, 0, 0x44}), bytes({0xF4, 3, 0, 0, 0x44})}}},
         {"   : FEHLER", endLine}, {"   : OK"}, BatchExitError},
        {"a fault count no two answers agree on",
         {{count, {bytes({0xF4, 3, 0, 0, 0}), bytes({0xF4, 2, 0, 0, 4}), bytes({0xF4, 1, 0, 0, 0})}}},
         {" *** FEHLERLISTE: Lese Fehler", "   : FEHLER", endLine}, {"   : OK"}, BatchExitError},
        {"a fault record no two answers agree on",
         {{record0, {bytes({0xF7, 0, 3, 0, 1, 0, 0, 0}), bytes({0xF7, 0, 2, 0, 1, 0, 0, 8}), bytes({0xF7, 0, 2, 1, 1, 0, 0, 0})}}},
         {" *** FEHLERLISTE: Lese Fehler", "   : 2 Fehler gespeichert", "   : 001 : MN-.002 (000)  00:00:00  01.01.00",
          "   : error", "   : OK", endLine},
         {}, BatchExitError},
        {"a fault record that is not one", {{record0, {bytes({0xF1, 0x01}), bytes({0xF1, 0x01})}}},
         {"   : 2 Fehler gespeichert", "   : error", "   : OK", endLine}, {" *** FEHLERLISTE: Lese Fehler"}, BatchExitError},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        h.spoilt = c.spoilt;
        h.start({});
        h.answerAll();
        const QStringList log = h.log();
        qsizetype at = 0;
        for (const QString &line : c.expectedLines) {
            const qsizetype found = log.indexOf(line, at);
            EXPECT_GE(found, at) << line.toStdString() << "\n" << log.join('\n').toStdString();
            at = qMax(at, found + 1);
        }
        for (const QString &line : c.absentLines) EXPECT_FALSE(log.contains(line)) << line.toStdString();
        EXPECT_EQ(h.batch->exitStatus(), c.status);
    }
}

TEST(BatchProcess, VerificationSwitchedOffAsksEachReadingOnce)
{
    Harness h;
    BatchParams params;
    params.verifyReadings = false;
    h.start(params);
    h.answerAll();
    const QList<QByteArray> telegrams = {bytes({0xF1, 0x00}), bytes({0xF2, 0x55, 0x12}), bytes({0xF1, 0x01}),
                                         bytes({0xF1, 0x40}), bytes({0xF1, 0x60})};
    EXPECT_EQ(h.queue.sent.mid(0, 5), telegrams);
    // Then the fault log's three identity requests, the count and the two records, once each.
    EXPECT_EQ(h.queue.sent.size(), 11);
    EXPECT_EQ(h.log().last(), endLine);
    EXPECT_EQ(h.batch->exitStatus(), BatchExitOk);
}

using testsupport::jsonLines;

TEST(BatchSummary, OneJsonLinePerMemberAgreesWithTheLog)
{
    Harness h;
    h.controller.lifts = {liftA, Lift(), liftC};
    const QString summary = h.dir.filePath("fleet.jsonl");
    QFile old(summary);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("{\"earlier\":1}\n");  // an earlier run's line stays
    old.close();
    BatchParams params{QString(), QString(), QString(), "0,2", false, QString()};
    params.summaryFile = summary;
    h.start(params);
    h.answerAll();
    ASSERT_EQ(h.batch->exitStatus(), BatchExitOk);

    const QList<QJsonObject> lines = jsonLines(summary);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0].value("earlier").toInt(), 1);
    struct Expected { int member; const char *code; const char *version; int trips; int faults; } expected[] = {
        {0, "ANLAGE-7", "V4.12", 10050, 2},
        {2, "ANLAGE-7/C", "V5.01", 3, 0},
    };
    for (int i = 0; i < 2; ++i) {
        const QJsonObject &o = lines[i + 1];
        const Expected &e = expected[i];
        EXPECT_EQ(o.value("member").toInt(-1), e.member);
        EXPECT_EQ(o.value("installation").toString(), QLatin1String(e.code));
        EXPECT_EQ(o.value("version").toString(), QLatin1String(e.version));
        EXPECT_EQ(o.value("trips").toInt(-1), e.trips);
        EXPECT_EQ(o.value("faults").toInt(-1), e.faults);
        EXPECT_TRUE(o.value("member_ok").toBool());
        EXPECT_EQ(o.value("result").toString(), QLatin1String("ok"));
        EXPECT_EQ(o.value("exit").toInt(-1), 0);
        EXPECT_EQ(o.value("log").toString(), h.logFile);
        // The log's own values, the same member's.
        const QStringList log = h.log();
        EXPECT_TRUE(log.contains("   : ANLAGENKENNUNG: " + o.value("installation").toString()));
        EXPECT_TRUE(log.contains(QString::fromUtf8("   : FAHRTEN.ZÄHLER: %1").arg(o.value("trips").toInt())));
    }
}

TEST(BatchSummary, UnreadValuesAreNullAndAFailedWriteIsAnError)
{
    // A silent controller: the run ends by its watchdog, nothing was read.
    Harness h;
    h.controller.greeting = QByteArray();
    BatchParams params{QString(), QString(), QString(), QString(), false, QString()};
    params.summaryFile = h.dir.filePath("fleet.jsonl");
    h.start(params);
    h.time.advance(60000);
    h.answerAll();
    const QList<QJsonObject> lines = jsonLines(params.summaryFile);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].value("member").isNull());
    EXPECT_TRUE(lines[0].value("installation").isNull());
    EXPECT_TRUE(lines[0].value("trips").isNull());
    EXPECT_TRUE(lines[0].value("faults").isNull());
    EXPECT_FALSE(lines[0].value("member_ok").toBool());
    EXPECT_EQ(lines[0].value("exit").toInt(), BatchExitError);

    // A summary that cannot be written fails a good run and says why, in the log too.
    Harness full;
    params.summaryFile = QStringLiteral("/dev/full");
    full.start(params);
    full.answerAll();
    EXPECT_EQ(full.batch->exitStatus(), BatchExitError);
    ASSERT_EQ(full.errors.size(), 1);
    EXPECT_TRUE(full.errors[0].contains("/dev/full")) << full.errors[0].toStdString();
    EXPECT_TRUE(full.log().filter(" *** Batch: Zusammenfassung").size() == 1);
}

TEST(BatchProcess, PortHeldByAnotherProgramEndsTheVisitAtOnce)
{
    Harness h;
    BatchProcess &run = h.make({h.logFile, QString(), QString(), QString(), false, QString()});
    h.link.portErrorText = QStringLiteral("/dev/ttyUSB0: busy");
    h.batch->startBatch();
    EXPECT_TRUE(h.queue.sent.isEmpty());
    EXPECT_EQ(h.quits, 1);
    EXPECT_EQ(run.exitStatus(), BatchExitError);
    EXPECT_EQ(h.log().mid(6), (QStringList{" *** Schnittstelle: /dev/ttyUSB0: busy", endLine}));
    EXPECT_EQ(h.errors, QStringList{"Batch: Schnittstelle: /dev/ttyUSB0: busy"});
}
