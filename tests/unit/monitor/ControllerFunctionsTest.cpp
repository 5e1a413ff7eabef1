#include "monitor/ControllerFunctions.h"
#include "monitor/EepromDump.h"

#include "FakeChannel.h"
#include "core/Bytes.h"

#include <gtest/gtest.h>

using core::bytes;
using namespace monitor;

TEST(ControllerFunctions, MaintenanceBits)
{
    struct Case { QByteArray answer; const char *text; std::optional<int> bits; };
    const Case cases[] = {
        {bytes({0xF1, 0x05}), "Wartungs.Bits: 10100", 5},
        {bytes({0xF1, 0x1F}), "Wartungs.Bits: 11111", 31},
        {bytes({0xF1, 0xE0}), "Wartungs.Bits: 00000", 0xE0},  // bits beyond 16 have no box
        {bytes({0xF2, 0x05}), "Lese-Fehler", std::nullopt},
        {bytes({0xF1}), "Lese-Fehler", std::nullopt},
        {QByteArray(), "Lese-Fehler", std::nullopt},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(maintenanceBitsText(c.answer), QString::fromLatin1(c.text)) << c.answer.toHex().constData();
        EXPECT_EQ(decodeMaintenanceBits(c.answer), c.bits) << c.answer.toHex().constData();
    }
    FakeChannel queue;
    queue.controller = [](const QByteArray &) { return bytes({0xF1, 0x05}); };
    QByteArray got;
    EXPECT_TRUE(readMaintenanceBits(queue, [&](const QByteArray &a) { got = a; }));
    queue.run();
    EXPECT_EQ(queue.sent, QList<QByteArray>{bytes({0xF2, 0x55, 0x09})});
    EXPECT_EQ(queue.answerLengths, QList<int>{2});
    EXPECT_EQ(got, bytes({0xF1, 0x05}));
}

TEST(ControllerFunctions, GroupAnswerDecidesCaptionChoiceAndRadioButton)
{
    struct Case { QByteArray answer; const char *caption; bool enabled; int member; };
    const Case cases[] = {
        {bytes({0xF2, 6, 0}), "@=[6]", true, 1},
        {bytes({0xF2, 3, 0}), "@=[3]", true, -1},
        {bytes({0xF2, 13, 0}), "@=[13]", false, -1},
        {bytes({0xF2, 12, 0}), "@=[12]", true, 3},
        {bytes({0xF2, 0, 0}), "@=[0]", false, -1},
        {bytes({0xF2}), "@=[0]", false, -1},
    };
    for (const Case &c : cases) {
        const GroupAnswerView view = decodeGroupAnswer(c.answer);
        EXPECT_EQ(view.caption, QString::fromLatin1(c.caption));
        EXPECT_EQ(view.enabled, c.enabled) << c.caption;
        EXPECT_EQ(view.member, c.member) << c.caption;
    }
    EXPECT_EQ(groupSwitchText(2), "to..2");
}

TEST(ControllerFunctions, NewestFaultFieldStepsBackFromTheStoredCount)
{
    NewestFaultField field;
    field.countAnswer("3");
    field.countAnswer("999999x");  // not a number: the count stays
    EXPECT_EQ(field.count(), 3);
    EXPECT_EQ(field.entryText("GST-.005 (000) "), "(3) GST-.005 (000) ");
    QStringList shown;
    for (int click = 0; click < 4; ++click) {
        field.stepBack();
        shown << field.entryText("E");
    }
    EXPECT_EQ(shown, (QStringList{"(2) E", "(1) E", "(3) E", "(2) E"}));
    field.resetOffset();  // the next poll of slot 5 shows the newest again
    EXPECT_EQ(field.entryText("E"), "(3) E");
    field.countAnswer("0");
    EXPECT_EQ(field.stepBack(), 0);
}

namespace {
// Select and read as the command library does them, from a memory image.
struct FakeMemory : InfoMemory {
    QByteArray memory = QByteArray(0x10000, '\0');
    QList<int> addresses;
    QByteArray info;
    std::deque<std::function<void()>> pending;  // answers come later, one by one
    int refuseFrom = -1;                        // steps beyond this many are refused; -1: none

    void selectAndReadInfo(quint16 address, std::function<void()> done, std::function<void()> failed) override
    {
        addresses << address;
        // A refused step fails at once, inside the call, as the library does.
        if (refuseFrom >= 0 && addresses.size() > refuseFrom) return failed();
        pending.push_back([this, address, done] {
            info = memory.mid(address, 4);
            done();
        });
    }
    int copyInfoBytes(QByteArray &dest, int pos) const override
    {
        dest.replace(pos, 4, info);
        return pos + 4;
    }
    void run()
    {
        while (!pending.empty()) {
            auto next = pending.front();
            pending.pop_front();
            next();
        }
    }
};
}  // namespace

TEST(EepromDump, ModemAreaTakesFourStepsAndOneLine)
{
    FakeMemory memory;
    const QByteArray bytes16 = QByteArray("AB1\x00z-9\xFFqrsTUVWX", 16);
    memory.memory.replace(0x3C60, 16, bytes16);
    EepromDump dump(memory);
    QStringList steps, lines;
    QObject::connect(&dump, &EepromDump::stepped, [&](const QString &t) { steps << t; });
    QObject::connect(&dump, &EepromDump::dumped, [&](const QStringList &l) { lines = l; });
    ASSERT_TRUE(dump.start(8));
    memory.run();
    EXPECT_EQ(memory.addresses, (QList<int>{0x3C60, 0x3C64, 0x3C68, 0x3C6C}));
    EXPECT_EQ(steps, (QStringList{"addr=3C60", "addr=3C64", "addr=3C68", "addr=3C6C"}));
    EXPECT_EQ(lines, (QStringList{"eedMODEM  ",
                                  "0000: 41 42 31 00  7A 2D 39 FF   71 72 73 54  55 56 57 58   \"AB1.z.9.qrsTUVWX\""}));
    EXPECT_FALSE(dump.running());
}

TEST(EepromDump, AreasLinesAndAbandonedDumps)
{
    EXPECT_EQ(EepromAreaCount, 14);
    EXPECT_STREQ(EepromAreas[0].name, "eedCOMPLETE");
    EXPECT_EQ(EepromAreas[13].start, 0x4779);
    FakeMemory memory;
    EepromDump dump(memory);
    QStringList lines;
    QObject::connect(&dump, &EepromDump::dumped, [&](const QStringList &l) { lines = l; });
    EXPECT_FALSE(dump.start(14));
    EXPECT_FALSE(dump.start(-1));

    // A dump whose answer was lost never ends; the next one starts afresh and alone reports.
    dump.start(10);
    memory.pending.clear();  // dropped by the queue
    EXPECT_TRUE(dump.running());
    dump.start(3);  // SYSPERM: 30 bytes in nine steps, two lines
    memory.run();
    EXPECT_EQ(memory.addresses.size(), 1 + 9);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "eedSYSPERM");
    EXPECT_TRUE(lines[2].startsWith("0010: "));
    // Bytes the steps did not reach show as 00 rather than whatever lay beyond the buffer.
    EXPECT_EQ(eepromDumpLine(16, QByteArray("xy")),
              "0010: 78 79 00 00  00 00 00 00   00 00 00 00  00 00 00 00   \"xy..............\"");
}

// With the link down every step is refused: the dump stops at the first, says so, and
// never shows a dump of zeros as if it had been read.
TEST(EepromDump, StopsAtTheFirstRefusedStep)
{
    for (const int refuseFrom : {0, 3}) {
        FakeMemory memory;
        memory.refuseFrom = refuseFrom;
        EepromDump dump(memory);
        QStringList steps;
        bool done = false;
        QObject::connect(&dump, &EepromDump::stepped, [&](const QString &t) { steps << t; });
        QObject::connect(&dump, &EepromDump::dumped, [&](const QStringList &) { done = true; });
        ASSERT_TRUE(dump.start(0));  // COMPLETE: 2049 steps if nothing stopped it
        memory.run();
        EXPECT_EQ(memory.addresses.size(), refuseFrom + 1);
        ASSERT_FALSE(steps.isEmpty());
        EXPECT_EQ(steps.size(), refuseFrom + 1);
        EXPECT_EQ(steps.last(), "transf.error");
        EXPECT_FALSE(done);
        EXPECT_FALSE(dump.running());
        // The next dump starts afresh.
        memory.refuseFrom = -1;
        dump.start(8);
        memory.run();
        EXPECT_TRUE(done);
    }
}
