// The stand-in's display menu, read back through the program's mirror.

#include "FakeChannel.h"
#include "core/Bytes.h"
#include "panels/DisplayMirror.h"
#include "sim/LiftDisplay.h"

#include <gtest/gtest.h>

using core::bytes;
using panels::DisplayMirror;
using sim::Lift;
using sim::LiftDisplay;

namespace {

struct Menu {
    core::VirtualTime time;
    Lift lift{8, 1};
    LiftDisplay display;
    FakeChannel unused;  // the answers are fed in directly
    DisplayMirror mirror{time, unused, false};

    // The program's side: the answers of n display requests decoded by the mirror.
    void poll(int n = 1)
    {
        for (int i = 0; i < n; ++i) mirror.displayAnswer(*display.answer(lift, bytes({0xF2, 0x55, 0x05})));
    }
    void press(int code) { ASSERT_EQ(display.answer(lift, bytes({0xF2, 0x53, code})), bytes({0xF1, 0x01})); }
    QByteArray mapped() const
    {
        QByteArray screen = display.render(lift);
        for (char &c : screen) c = char(DisplayMirror::mapCode(quint8(c)));
        return screen;
    }
    QString row(int r) const { return DisplayMirror::displayText(mirror.row(r)); }
};

TEST(LiftDisplay, WholeScreenComesInRunsOfThirteen)
{
    Menu m;
    EXPECT_EQ(m.display.answer(m.lift, bytes({0xF2, 0x55, 0x06})), bytes({0xF1, 0x01}));
    for (int start : {0, 13, 26, 39, 52}) {
        const QByteArray a = *m.display.answer(m.lift, bytes({0xF2, 0x55, 0x05}));
        ASSERT_EQ(a.size(), 16);
        EXPECT_NE(a[0], 0);
        EXPECT_EQ(quint8(a[1]), 0xFF);
        EXPECT_EQ(quint8(a[2]), start);
        m.mirror.displayAnswer(a);
    }
    EXPECT_EQ(m.mirror.screen(), m.mapped());
    EXPECT_TRUE(m.row(0).startsWith(QStringLiteral("STATUS")));
    EXPECT_TRUE(m.row(1).startsWith(QStringLiteral("Etg  0")));
    EXPECT_TRUE(m.row(2).startsWith(QStringLiteral("Tür A:zu")));
    // Nothing changed: empty masks.
    EXPECT_EQ(m.display.answer(m.lift, bytes({0xF2, 0x55, 0x05})), bytes({0xFF}).leftJustified(16, '\0'));
}

TEST(LiftDisplay, SmallChangesGoAsMasksAndTheArrowShows)
{
    Menu m;
    m.poll(8);
    ASSERT_EQ(m.mirror.screen(), m.mapped());
    m.lift.placeCall(Lift::CallCar, 5, 0);
    m.lift.advance(Lift::DoorMoveMs);  // on its way up
    ASSERT_EQ(m.lift.direction(), Lift::Direction::Up);
    m.poll(8);
    EXPECT_EQ(m.mirror.screen(), m.mapped());
    EXPECT_EQ(m.row(1), QStringLiteral("Etg  0 ▲ Ziel  5"));
    // One floor further only the floor's digit changes: a mask, not a run.
    m.lift.advance(Lift::FloorTravelMs);
    ASSERT_EQ(m.lift.floor(), 1);
    const QByteArray a = *m.display.answer(m.lift, bytes({0xF2, 0x55, 0x05}));
    EXPECT_EQ(a.mid(1, 9), bytes({0, 0, 0x20, 0, 0, 0, 0, 0, '1'}));  // cell 21: "Etg  1"
    m.mirror.displayAnswer(a);
    EXPECT_EQ(m.mirror.screen(), m.mapped());
}

TEST(LiftDisplay, KeysWalkThePagesAndEnterChangesSettings)
{
    Menu m;
    const char *const headings[] = {"FEHLER", "ZÄHLER", "EINSTELLUNG", "STATUS"};
    for (const char *heading : headings) {
        m.press(LiftDisplay::RightKey);
        m.poll(8);
        EXPECT_TRUE(m.row(0).startsWith(QString::fromUtf8(heading))) << m.row(0).toStdString();
    }
    m.press(LiftDisplay::LeftKey);  // back to the settings
    EXPECT_EQ(m.display.page(), LiftDisplay::SettingsPage);
    m.press(LiftDisplay::EnterKey);
    EXPECT_EQ(m.lift.testTrips(), Lift::TestTrips::Sequence);
    m.press(LiftDisplay::DownKey);
    m.press(LiftDisplay::EnterKey);
    EXPECT_TRUE(m.lift.addressLocked());
    m.poll(8);
    EXPECT_TRUE(m.row(1).contains(QStringLiteral("SEQ")));
    EXPECT_TRUE(m.row(2).contains(QStringLiteral("EIN")));
    // The test trips make the lift travel by itself.
    m.lift.advance(Lift::FloorTravelMs);
    EXPECT_GT(m.lift.trips(), 0u);
    // Keys the menu does not know change nothing.
    m.press(0x40);
    EXPECT_EQ(m.display.page(), LiftDisplay::SettingsPage);
}

}  // namespace
