#include "FakeChannel.h"

#include "core/Bytes.h"
#include "panels/DisplayMirror.h"

#include <gtest/gtest.h>

using core::bytes;
using panels::DisplayMirror;

namespace {

// The mirror on virtual time over a fake queue; rows shown are recorded.
struct Mirror {
    core::VirtualTime time;
    FakeChannel queue;
    DisplayMirror mirror{time, queue, false};
    QMap<int, QByteArray> shownRows;
    int rowCalls = 0;

    Mirror()
    {
        mirror.setRow = [this](int row, const QByteArray &codes) {
            shownRows[row] = codes;
            ++rowCalls;
        };
    }
    // A changes answer: a marker byte, then D0..D14 (padded with zeros).
    static QByteArray changes(std::initializer_list<int> d)
    {
        QByteArray a = bytes({0xFF});
        for (int b : d) a += char(b);
        return a.leftJustified(16, '\0');
    }
};

TEST(DisplayMirror, WholeAreaUpdateWrapsAtTheEndOfTheScreen)
{
    Mirror m;
    QByteArray a = bytes({0xFF, 0xFF, 0x3C});
    for (char c : QByteArray("ABCDEFGHIJKLM")) a += c;
    m.mirror.displayAnswer(a);
    const QByteArray screen = m.mirror.screen();
    EXPECT_EQ(screen.mid(60, 4), QByteArray("ABCD"));
    EXPECT_EQ(screen.mid(0, 9), QByteArray("EFGHIJKLM"));
    EXPECT_EQ(screen.mid(9, 51), QByteArray(51, '\0'));
    // Only the first and the last row changed.
    EXPECT_EQ(m.shownRows.keys(), (QList<int>{1, 4}));
    EXPECT_EQ(m.shownRows[1], QByteArray("EFGHIJKLM") + QByteArray(7, '\0'));
}

TEST(DisplayMirror, ChangeMasksTakeCharactersInCellOrder)
{
    struct Case {
        const char *what;
        std::initializer_list<int> d;
        QList<std::pair<int, char>> cells;  // cell and character expected; every other cell stays 0
    };
    const Case cases[] = {
        {"mask 0x01 changes only cell 0 from D8", {0x01, 0, 0, 0, 0, 0, 0, 0, 'X', 'Y', 'Z'}, {{0, 'X'}}},
        {"bits from bit 0 upward", {0x82, 0, 0, 0, 0, 0, 0, 0, 'a', 'b'}, {{1, 'a'}, {7, 'b'}}},
        {"masks in order, later rows", {0, 0x01, 0, 0, 0, 0, 0, 0x80, 'p', 'q'}, {{8, 'p'}, {63, 'q'}}},
        {"seven characters at most", {0x0F, 0xFF, 0xFF, 0, 0, 0, 0, 0, '1', '2', '3', '4', '5', '6', '7'},
         {{0, '1'}, {1, '2'}, {2, '3'}, {3, '4'}, {8, '5'}, {9, '6'}, {10, '7'}}},
        {"code 9 is shown as 31", {0x01, 0, 0, 0, 0, 0, 0, 0, 9}, {{0, 31}}},
    };
    for (const Case &c : cases) {
        Mirror m;
        m.mirror.displayAnswer(Mirror::changes(c.d));
        QByteArray expected(DisplayMirror::Cells, '\0');
        for (auto [cell, ch] : c.cells) expected[cell] = ch;
        EXPECT_EQ(m.mirror.screen(), expected) << c.what;
    }
}

TEST(DisplayMirror, CharacterMapShowsTheArrows)
{
    const std::pair<int, int> map[] = {{8, 30}, {9, 31}, {10, 24}, {11, 25}, {7, 7}, {12, 12}, {'A', 'A'}, {0xFF, 0xFF}};
    for (auto [in, out] : map) EXPECT_EQ(DisplayMirror::mapCode(quint8(in)), out) << in;
    EXPECT_EQ(DisplayMirror::displayText(bytes({30, 31, 24, 25, 0, 'a', 0x81, 0xE1})), QStringLiteral("▲▼↑↓ aüß"));
    // Whole-area characters are mapped too.
    Mirror m;
    m.mirror.displayAnswer(bytes({0xFF, 0xFF, 0x00, 8, 9, 10, 11}));
    EXPECT_EQ(m.mirror.screen().left(4), bytes({30, 31, 24, 25}));
}

TEST(DisplayMirror, UnchangedCharactersShowNothing)
{
    Mirror m;
    m.mirror.displayAnswer(Mirror::changes({0x01, 0, 0, 0, 0, 0, 0, 0, 'X'}));
    EXPECT_EQ(m.rowCalls, 1);
    m.mirror.displayAnswer(Mirror::changes({0x01, 0, 0, 0, 0, 0, 0, 0, 'X'}));
    EXPECT_EQ(m.rowCalls, 1);
    m.mirror.displayAnswer(Mirror::changes({0, 0, 0, 0, 0, 0, 0x01, 0, 'Y'}));  // cell 48: row 4
    EXPECT_EQ(m.rowCalls, 2);
    EXPECT_EQ(m.shownRows[4].left(1), QByteArray("Y"));
}

TEST(DisplayMirror, ShortOrBrokenAnswersNeverReachBeyondWhatCame)
{
    Mirror m;
    int followUps = 0;
    m.mirror.afterAnswer = [&] { ++followUps; };
    m.mirror.displayAnswer(bytes({0xFF, 0xFF, 0x3E, 'a'}));                  // whole area, one character
    m.mirror.displayAnswer(bytes({0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
    m.mirror.displayAnswer(bytes({0xFF, 0xFF}));                             // whole area without a start
    m.mirror.displayAnswer(bytes({0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));  // masks, no characters
    m.mirror.displayAnswer(QByteArray(40, char(0xFF)));                      // too long: D14 is the last used
    EXPECT_EQ(followUps, 5);
    EXPECT_EQ(m.mirror.screen()[62], 'a');
    EXPECT_EQ(quint8(m.mirror.screen()[63]), 0xFF);  // start 255 wraps to cell 63
    EXPECT_EQ(quint8(m.mirror.screen()[11]), 0xFF);
    EXPECT_EQ(quint8(m.mirror.screen()[12]), 0x00);
}

TEST(DisplayMirror, KeyCodesFollowTheFamily)
{
    struct Case {
        bool hpz;
        int button;
        int code;
    };
    const Case cases[] = {
        {false, DisplayMirror::EnterKey, 1}, {false, DisplayMirror::RightKey, 2}, {false, DisplayMirror::DownKey, 4},
        {false, DisplayMirror::UpKey, 8},    {false, DisplayMirror::LeftKey, 16}, {true, DisplayMirror::EnterKey, 1},
        {true, DisplayMirror::RightKey, 2},  {true, DisplayMirror::DownKey, 8},   {true, DisplayMirror::UpKey, 16},
        {true, DisplayMirror::LeftKey, 4},   {false, 3, 0},                       {true, 32, 0},
    };
    for (const Case &c : cases) {
        Mirror m;
        m.mirror.setMode(c.hpz);
        m.mirror.makeReady();
        m.mirror.keyPress(c.button);
        ASSERT_EQ(m.queue.sent.size(), 1);
        EXPECT_EQ(m.queue.sent[0], bytes({0xF2, 0x53, c.code})) << c.hpz << " " << c.button;
        EXPECT_EQ(m.queue.answerLengths[0], 2);
    }
    // Up: HPZ F2 53 10, QRX F2 53 08.
    EXPECT_EQ(DisplayMirror::keyCode(DisplayMirror::UpKey, true), 0x10);
    EXPECT_EQ(DisplayMirror::keyCode(DisplayMirror::UpKey, false), 0x08);

    Mirror notReady;
    notReady.mirror.keyPress(DisplayMirror::EnterKey);
    EXPECT_TRUE(notReady.queue.sent.isEmpty());
}

TEST(DisplayMirror, ModeComesFromTheMachineTypeAndTheButton)
{
    EXPECT_FALSE(DisplayMirror::hpzFromMachineType(QStringLiteral("QRX")));
    EXPECT_TRUE(DisplayMirror::hpzFromMachineType(QStringLiteral("HPZ")));
    EXPECT_TRUE(DisplayMirror::hpzFromMachineType(QStringLiteral("qrx")));
    Mirror m;
    QString caption;
    m.mirror.onCaption = [&](const QString &c) { caption = c; };
    m.mirror.toggleMode();
    EXPECT_EQ(caption, QStringLiteral("LCD [HPZ]"));
    m.mirror.toggleMode();
    EXPECT_EQ(caption, QStringLiteral("LCD [QRX]"));
}

TEST(DisplayMirror, PollingAsksWholeScreenFirstThenChangesOneAtATime)
{
    Mirror m;
    m.mirror.afterAnswer = [&] { m.mirror.pollStep(); };
    m.queue.controller = [](const QByteArray &t) {
        return t == bytes({0xF2, 0x55, 0x06}) ? bytes({0xF1, 0x01}) : Mirror::changes({0x01, 0, 0, 0, 0, 0, 0, 0, 'Q'});
    };
    m.mirror.pollStep();
    EXPECT_TRUE(m.queue.sent.isEmpty());  // not ready
    EXPECT_EQ(m.mirror.lamp(), DisplayMirror::Lamp::Red);

    m.mirror.makeReady();
    m.mirror.pollStep();
    EXPECT_EQ(m.queue.pending(), 1);
    EXPECT_EQ(m.queue.sent.value(0), bytes({0xF2, 0x55, 0x06}));
    EXPECT_EQ(m.queue.answerLengths.value(0), 2);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(m.queue.pending(), 1);  // one request in flight
        m.queue.answerNext();
    }
    EXPECT_EQ(m.queue.sent.value(1), bytes({0xF2, 0x55, 0x05}));
    EXPECT_EQ(m.queue.answerLengths.value(1), 16);
    EXPECT_EQ(m.queue.sent.value(4), bytes({0xF2, 0x55, 0x05}));
    EXPECT_EQ(m.mirror.screen()[0], 'Q');

    // "neu": the next request is the whole screen again.
    m.mirror.rebuild();
    m.queue.answerNext();
    EXPECT_EQ(m.queue.sent.last(), bytes({0xF2, 0x55, 0x06}));
    EXPECT_FALSE(m.mirror.rebuildPending());

    // An answer that is empty or starts with 0 ends the loop.
    m.queue.answerNext();
    m.queue.controller = [](const QByteArray &) { return bytes({0x00, 0x01}); };
    m.queue.answerNext();
    EXPECT_EQ(m.queue.pending(), 0);
}

TEST(DisplayMirror, RefusedRequestWaitsOneSecondWithYellowLamp)
{
    Mirror m;
    m.queue.refuseAfter = 0;
    m.mirror.makeReady();
    m.mirror.pollStep();
    EXPECT_TRUE(m.mirror.errorWaiting());
    EXPECT_TRUE(m.mirror.rebuildPending());  // the whole screen is still owed
    m.mirror.pollStep();
    EXPECT_EQ(m.mirror.lamp(), DisplayMirror::Lamp::Yellow);

    m.queue.refuseAfter = -1;
    m.time.advance(999);
    EXPECT_TRUE(m.queue.sent.isEmpty());
    m.time.advance(1);
    EXPECT_FALSE(m.mirror.errorWaiting());
    ASSERT_EQ(m.queue.sent.size(), 1);
    EXPECT_EQ(m.queue.sent[0], bytes({0xF2, 0x55, 0x06}));
    EXPECT_EQ(m.mirror.lamp(), DisplayMirror::Lamp::Green);
}

TEST(DisplayMirror, LampBlinksOncePerRequest)
{
    Mirror m;
    m.mirror.makeReady();
    QList<DisplayMirror::Lamp> lamps;
    m.mirror.onLamp = [&](DisplayMirror::Lamp l) { lamps << l; };
    for (int i = 0; i < 3; ++i) m.mirror.pollStep();
    EXPECT_EQ(lamps, (QList<DisplayMirror::Lamp>{DisplayMirror::Lamp::Green, DisplayMirror::Lamp::ButtonFace,
                                                 DisplayMirror::Lamp::Green}));
}

TEST(DisplayMirror, HaltClearsAndLetsGoOfEveryCallback)
{
    Mirror m;
    QStringList log;
    int cleared = 0;
    m.mirror.log = [&](const QString &line) { log << line; };
    m.mirror.afterClear = [&] { ++cleared; };
    m.mirror.afterAnswer = [] {};
    m.queue.refuseAfter = 0;
    m.mirror.makeReady();
    m.mirror.pollStep();
    ASSERT_TRUE(m.mirror.errorWaiting());
    m.mirror.halt();
    EXPECT_EQ(log, QStringList{QStringLiteral("mst_lcd> halt")});
    EXPECT_EQ(cleared, 1);
    EXPECT_FALSE(m.mirror.ready());
    EXPECT_FALSE(m.mirror.errorWaiting());
    EXPECT_FALSE(m.mirror.afterAnswer);
    EXPECT_FALSE(m.mirror.hasChannel());
    EXPECT_EQ(m.shownRows.size(), 4);
    for (const QByteArray &row : m.shownRows) EXPECT_TRUE(row.isEmpty());
    m.time.advance(5000);  // the stopped timer retries nothing
    EXPECT_TRUE(m.queue.sent.isEmpty());
}

}  // namespace
