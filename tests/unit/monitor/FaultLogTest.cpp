#include "monitor/FaultLog.h"

#include "FakeChannel.h"
#include "core/Bytes.h"
#include "core/Timer.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <random>

using core::bytes;
using namespace monitor;

namespace {

QByteArray nibbles(int v)
{
    QByteArray a;
    for (int shift = 0; shift < 16; shift += 4) a.append(char((v >> shift) & 0xF));
    return a;
}

QByteArray textAnswer(const char *text)
{
    QByteArray a = bytes({0xFF}) + QByteArray(text);
    return a + QByteArray(16 - a.size(), '\0');
}

// A controller with a fault log: record n (0 = newest) carries fault number n.
struct Controller {
    int count = 0;
    std::function<QByteArray(int n)> record = [](int n) {
        return bytes({0xF7, 0x00, n, 0x00, 0x01, 0x00, 0x00, 0x00});
    };
    QByteArray countAnswer;  // replaces the real count answer when set

    QByteArray operator()(const QByteArray &t)
    {
        if (t == bytes({0xF1, 0x40})) return bytes({0xF8}) + nibbles(1) + nibbles(50);
        if (t == bytes({0xF1, 0x01})) return textAnswer("V4.12");
        if (t == bytes({0xF2, 0x55, 0x12})) return textAnswer("  Anlage-17");
        if (t == bytes({0xF1, 0x31})) return countAnswer.isNull() ? bytes({0xF4}) + nibbles(count) : countAnswer;
        if (t.startsWith(bytes({0xF3, 0x55, 0x07})) && t.size() == 4) return record(quint8(t[3]));
        if (t == bytes({0xF1, 0x25})) { count = 0; return bytes({0xF1, 0x01}); }
        return {};
    }
};

QString recordLine(int number, int fault)
{
    return QString::asprintf(" %3.3d : MN-.%3.3d (000)  00:00:00  01.01.00   ", number, fault);
}

const QStringList identityLines = {
    QString::fromUtf8(" Fahrtenzähler: 10050"), " Software-Version: V4.12", " Anlagen-Kennung: Anlage-17"};

struct FaultLogFetch : ::testing::Test {
    void SetUp() override
    {
        queue.controller = [this](const QByteArray &t) { return controller(t); };
        log = std::make_unique<FaultLog>(queue, time.clock(), QString(),
                                         FaultListTexts{"Fehlerliste gelesen am", "Fehler gespeichert",
                                                        "Fehlerspeicher ist leer"});
    }
    // Lines after the identity lines up to the record lines.
    QStringList footer(int count) const
    {
        return {"", " Fehlerliste gelesen am: 08.12.2026 04:22:31", QStringLiteral(" %1 Fehler gespeichert").arg(count)};
    }
    QList<int> recordIndexesSent() const
    {
        QList<int> out;
        for (const QByteArray &t : queue.sent)
            if (t.startsWith(bytes({0xF3, 0x55, 0x07}))) out << quint8(t[3]);
        return out;
    }
    void fetch(TextProc lineHook = {})
    {
        log->fetchFaultLog([this](const QString &t) { done << t; }, std::move(lineHook));
    }

    core::VirtualTime time;
    FakeChannel queue;
    Controller controller;
    std::unique_ptr<FaultLog> log;
    QStringList done;
};

}  // namespace

TEST_F(FaultLogFetch, EmptyLog)
{
    fetch();
    queue.run();
    EXPECT_EQ(log->lines(), identityLines + footer(0) + QStringList({" Fehlerspeicher ist leer"}));
    EXPECT_EQ(done, QStringList{" OK"});
    EXPECT_EQ(queue.sent, (QList<QByteArray>{bytes({0xF1, 0x40}), bytes({0xF1, 0x01}), bytes({0xF2, 0x55, 0x12}),
                                             bytes({0xF1, 0x31})}));
    EXPECT_EQ(queue.answerLengths, (QList<int>{9, 16, 16, 8}));
    EXPECT_FALSE(log->isFetching());
}

TEST_F(FaultLogFetch, FewRecordsAreListedOldestFirst)
{
    controller.count = 3;
    fetch();
    queue.run();
    EXPECT_EQ(log->lines(), identityLines + footer(3) + QStringList({recordLine(1, 2), recordLine(2, 1), recordLine(3, 0)}));
    EXPECT_EQ(recordIndexesSent(), (QList<int>{0, 1, 2}));
    EXPECT_EQ(done, QStringList{" OK"});
}

TEST_F(FaultLogFetch, LongLogFetchesTheHundredNewest)
{
    controller.count = 250;
    QList<std::pair<int, int>> progress;
    QObject::connect(log.get(), &FaultLog::progressed, [&](int position, int maximum) { progress << std::pair{position, maximum}; });
    fetch();
    queue.run();

    QList<int> expectedIndexes;
    QStringList expectedRecords;
    for (int i = 0; i < 100; ++i) expectedIndexes << i;
    for (int number = 151; number <= 250; ++number) expectedRecords << recordLine(number, 250 - number);
    EXPECT_EQ(recordIndexesSent(), expectedIndexes);
    EXPECT_EQ(log->lines(), identityLines + footer(250) + expectedRecords);
    EXPECT_EQ(progress.first(), (std::pair{0, 100}));
    EXPECT_EQ(progress.last(), (std::pair{100, 100}));
    EXPECT_EQ(done, QStringList{" OK"});
}

// The records keep the numbers the controller gives them: index i is number count - i.
TEST_F(FaultLogFetch, StopAfterTheThirdRecord)
{
    const QMetaObject::Connection stopping =
        QObject::connect(log.get(), &FaultLog::progressed, [&](int position, int) { if (position == 3) log->stopFetching(); });
    for (int count : {10, 250}) {
        controller.count = count;
        log->clearLines();
        queue.sent.clear();
        fetch();
        queue.run();
        EXPECT_EQ(recordIndexesSent(), (QList<int>{0, 1, 2}));
        EXPECT_EQ(log->lines(), identityLines + footer(count)
                                    + QStringList({recordLine(count - 2, 2), recordLine(count - 1, 1), recordLine(count, 0)}));
    }
    EXPECT_EQ(done, (QStringList{" OK", " OK"}));

    // The stop does not carry over into the next fetch.
    QObject::disconnect(stopping);
    controller.count = 5;
    log->clearLines();
    fetch();
    queue.run();
    EXPECT_EQ(log->lines().mid(6).size(), 5);
}

TEST_F(FaultLogFetch, BatchHookGetsEverythingAfterTheIdentityThenTheDoneText)
{
    controller.count = 2;
    QStringList trace;
    log->fetchFaultLog([&](const QString &t) { trace << "done:" + t; }, [&](const QString &t) { trace << t; });
    queue.run();
    EXPECT_EQ(trace, QStringList({"NEXT", "NEXT"}) + footer(2)
                         + QStringList({recordLine(1, 1), recordLine(2, 0), " OK", "done: OK"}));

    // The hooks are gone afterwards: a plain fetch reaches neither.
    trace.clear();
    fetch();
    queue.run();
    EXPECT_TRUE(trace.isEmpty());
}

TEST_F(FaultLogFetch, UnreadableCountEndsWithFehler)
{
    controller.count = 4;
    for (QByteArray bad : {bytes({0xF8, 1, 2, 3, 4}), bytes({0xF4, 1}), QByteArray(8, '\0'), QByteArray("")}) {
        controller.countAnswer = bad;
        log->clearLines();
        done.clear();
        QStringList hook;
        fetch([&](const QString &t) { hook << t; });
        queue.run();
        EXPECT_EQ(done, QStringList{"FEHLER"}) << ::testing::PrintToString(bad);
        EXPECT_EQ(hook, QStringList{"FEHLER"}) << ::testing::PrintToString(bad);
        EXPECT_EQ(log->lines(), identityLines) << ::testing::PrintToString(bad);
        EXPECT_TRUE(recordIndexesSent().isEmpty());
    }
}

TEST_F(FaultLogFetch, GarbageAnswersGiveFallbackTexts)
{
    controller.count = 3;
    controller.record = [](int n) -> QByteArray {
        if (n == 1) return bytes({0xF4, 0x00, 0x01});
        if (n == 2) return QByteArray(300, char(0xF7));  // long: only 32 bytes are kept
        return bytes({0xF7, 0x00, n, 0x00, 0x01, 0x00, 0x00, 0x00});
    };
    queue.controller = [this](const QByteArray &t) {
        if (t == bytes({0xF1, 0x40}) || t == bytes({0xF1, 0x01})) return QByteArray("\x01\x02");
        return controller(t);
    };
    fetch();
    queue.run();
    EXPECT_EQ(log->lines().mid(0, 2), (QStringList{" Fahrtenzähler: 999999", " Software-Version: Transfer.Fehler"}));
    const QString garbageRecord = QString::fromLatin1("\xF7\xF7\xF7") + QStringLiteral("-.247 (247)  ")
                                  + QStringLiteral("35:15:58  ?? ?? ??   ");
    EXPECT_EQ(log->lines().mid(6), (QStringList{" 001 : " + garbageRecord, "error", recordLine(3, 0)}));
    EXPECT_EQ(done, QStringList{" OK"});
}

TEST_F(FaultLogFetch, RefusedRequestEndsTheFetchSilently)
{
    controller.count = 5;
    for (int refuseAfter = 0; refuseAfter < 7; ++refuseAfter) {
        queue.sent.clear();
        queue.refuseAfter = refuseAfter;
        fetch();
        queue.run();
        EXPECT_FALSE(log->isFetching()) << refuseAfter;
        EXPECT_EQ(queue.sent.size(), refuseAfter);
    }
    EXPECT_TRUE(done.isEmpty());

    queue.refuseAfter = -1;
    log->clearLines();
    fetch();
    queue.run();
    EXPECT_EQ(done, QStringList{" OK"});
    EXPECT_EQ(log->lines().size(), 3 + 3 + 5);
}

// A fetch asked for while one runs waits for it, so the two never share their state.
TEST_F(FaultLogFetch, DeleteFetchesTheListTwiceOneAfterTheOther)
{
    controller.count = 7;
    QStringList added;
    QObject::connect(log.get(), &FaultLog::lineAdded, [&](const QString &line) { added << line; });
    EXPECT_TRUE(log->deleteFaultLog());
    queue.run();
    EXPECT_EQ(queue.sent.first(), bytes({0xF1, 0x25}));
    const QStringList oneList = identityLines + footer(0) + QStringList{" Fehlerspeicher ist leer"};
    EXPECT_EQ(log->lines(), oneList + oneList);
    EXPECT_EQ(added, log->lines());
    EXPECT_TRUE(recordIndexesSent().isEmpty());
}

TEST_F(FaultLogFetch, MonitorFieldRequests)
{
    controller.count = 42;
    QStringList texts;
    const auto collect = [&](const QString &t) { texts << t; };
    EXPECT_TRUE(log->requestErrorCount(collect));
    EXPECT_TRUE(log->requestErrorEntry(collect, 3));
    queue.run();
    EXPECT_EQ(queue.sent, (QList<QByteArray>{bytes({0xF1, 0x31}), bytes({0xF3, 0x55, 0x07, 0x03})}));
    EXPECT_EQ(texts, (QStringList{"42", "MN-.003 (000) "}));

    // Each request keeps its own procedure: a second one does not take over the first one's answer.
    QStringList first, second;
    log->requestErrorCount([&](const QString &t) { first << t; });
    controller.countAnswer = bytes({0xF7, 0, 0, 0, 0});
    log->requestErrorCount([&](const QString &t) { second << t; });
    queue.run();
    EXPECT_EQ(first, QStringList{"999999"});
    EXPECT_EQ(second, QStringList{"999999"});

    controller.record = [](int) { return bytes({0xF1, 0x01}); };
    log->requestErrorEntry(collect, 0);
    queue.run();
    EXPECT_EQ(texts.last(), "LeseFehler");

    queue.refuseAfter = 0;
    EXPECT_FALSE(log->requestErrorCount(collect));
    EXPECT_FALSE(log->requestErrorEntry(collect, 0));
}

TEST_F(FaultLogFetch, AnswersAfterTheLogHasGoneAreDropped)
{
    controller.count = 3;
    bool called = false;
    log->fetchFaultLog([&](const QString &) { called = true; });
    log->requestErrorCount([&](const QString &) { called = true; });
    log.reset();
    queue.run();
    EXPECT_FALSE(called);
}

TEST_F(FaultLogFetch, DoneMayEndTheLogWhileAnotherFetchWaits)
{
    controller.count = 2;
    int ended = 0;
    log->fetchFaultLog([&](const QString &) { ++ended; log.reset(); });
    log->fetchFaultLog([&](const QString &) { ++ended; });
    queue.run();
    EXPECT_EQ(ended, 1);
}

// Whatever the controller sends, every fetch ends, and each record becomes a line.
TEST_F(FaultLogFetch, RandomAnswersNeverHangOrCrash)
{
    std::mt19937 random(4711);
    const auto garbage = [&] {
        QByteArray a(int(random() % 40), '\0');
        for (char &c : a) c = char(random());
        if (!a.isEmpty() && random() % 2) a[0] = char(0xF0 + random() % 16);
        return a;
    };
    queue.controller = [&](const QByteArray &t) {
        if (t == bytes({0xF1, 0x31}) && random() % 2) return bytes({0xF4}) + nibbles(int(random() % 300));
        return garbage();
    };
    for (int run = 0; run < 300; ++run) {
        done.clear();
        log->clearLines();
        fetch();
        queue.run();
        ASSERT_EQ(done.size(), 1) << run;
        ASSERT_FALSE(log->isFetching());
        if (done.first() == " OK")
            for (const QString &line : log->lines().mid(6))
                EXPECT_TRUE(line == "error" || line.startsWith(' ')) << line.toStdString();
        else
            EXPECT_EQ(done.first(), "FEHLER");
    }
}

TEST(FaultLog, DecodeFaultCount)
{
    EXPECT_EQ(decodeFaultCount(bytes({0xF4, 0x0A, 0x0F, 0x01, 0x00})), 0x1FA);
    EXPECT_EQ(decodeFaultCount(bytes({0xF4, 0x0A, 0x0F, 0x01, 0x00, 0, 0, 0})), 0x1FA);
    EXPECT_FALSE(decodeFaultCount(bytes({0xF4, 0x0A, 0x0F, 0x01})));
    EXPECT_FALSE(decodeFaultCount(bytes({0xF8, 0x0A, 0x0F, 0x01, 0x00})));
}

TEST(FaultLog, StepBackThroughTheLog)
{
    const int count = 3;
    int offset = 0;
    QStringList shown;
    for (int click = 0; click < 4; ++click) {
        offset = nextFaultOffset(offset, count);
        shown << faultReportText(count, offset, "MN-.001 (000) ");
    }
    EXPECT_EQ(shown, (QStringList{"(2) MN-.001 (000) ", "(1) MN-.001 (000) ", "(3) MN-.001 (000) ",
                                  "(2) MN-.001 (000) "}));
    EXPECT_EQ(nextFaultOffset(0, 0), 0);
}

TEST(FaultLog, SaveFaultList)
{
    QTemporaryDir dir;
    const QString name = dir.filePath("fehler-liste.txt");
    ASSERT_TRUE(saveFaultList({" 001 : MN-.012 (003)", QString::fromUtf8(" Fahrtenzähler: 1")}, name).ok());
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), QString::fromUtf8(" 001 : MN-.012 (003)\n Fahrtenzähler: 1\n"));

    EXPECT_EQ(saveFaultList({"x"}, dir.filePath("no/such/dir/x.txt")).fault, core::WriteFault::NoFolder);
}
