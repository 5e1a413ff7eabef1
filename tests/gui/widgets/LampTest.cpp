#include "widgets/Lamp.h"

#include "TestApp.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using widgets::Lamp;

namespace {

QColor shown(const Lamp &lamp) { return lamp.palette().color(QPalette::Window); }

struct LampTest : ::testing::Test {
    LampTest() { testsupport::testApp<QApplication>(); }
};

}  // namespace

// Every window's lamps: the status bar's and the port windows' (17), the
// session panel's and lamp window's (13), the display mirror's tick (10).
TEST_F(LampTest, KeepsItsSizeAndSunkenPanelBorder)
{
    for (const int size : {Lamp::DefaultSize, 13, 10}) {
        Lamp lamp(nullptr, core::colour::Red, size);
        EXPECT_EQ(lamp.size(), QSize(size, size));
        EXPECT_EQ(lamp.minimumSize(), lamp.maximumSize());
        EXPECT_EQ(lamp.frameShape(), QFrame::Panel);
        EXPECT_EQ(lamp.frameShadow(), QFrame::Sunken);
        EXPECT_TRUE(lamp.autoFillBackground());
    }
    Lamp plain;
    EXPECT_EQ(plain.size(), QSize(17, 17));
    EXPECT_EQ(plain.lampColour(), core::colour::Red);
}

TEST_F(LampTest, ShowsItsColourAndTheLooksOfAStateAndALineLight)
{
    struct Case {
        const char *name;
        void (*set)(Lamp &);
        unsigned bgr;
        QColor colour;
    };
    const Case cases[] = {
        {"state lit", [](Lamp &l) { l.setLit(true); }, core::colour::Green, QColor(0, 128, 0)},
        {"state dark", [](Lamp &l) { l.setLit(false); }, core::colour::Red, QColor(255, 0, 0)},
        {"light lit", [](Lamp &l) { l.setLight(true); }, core::colour::Lime, QColor(0, 255, 0)},
        {"light dark", [](Lamp &l) { l.setLight(false); }, core::colour::Maroon, QColor(128, 0, 0)},
        {"light unknown", [](Lamp &l) { l.setLight(true, false); }, core::colour::Silver, QColor(192, 192, 192)},
        {"yellow", [](Lamp &l) { l.setLampColour(core::colour::Yellow); }, core::colour::Yellow, QColor(255, 255, 0)},
    };
    Lamp lamp(nullptr, core::colour::Silver);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c.set(lamp);
        EXPECT_EQ(lamp.lampColour(), c.bgr);
        EXPECT_EQ(shown(lamp), c.colour);
    }
    // The starting colour is shown, too, even the one a fresh palette would guess.
    EXPECT_EQ(shown(Lamp(nullptr, core::colour::Maroon)), QColor(128, 0, 0));
}

// Counts the mouse presses that reach the widget it watches.
struct PressCounter : QObject {
    int presses = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonPress) ++presses;
        return false;
    }
};

TEST_F(LampTest, ClickSaysSoOnceAndThePressReachesTheParent)
{
    QWidget parent;
    PressCounter parentPresses;
    parent.installEventFilter(&parentPresses);
    auto *lamp = new Lamp(&parent);
    parent.show();
    QSignalSpy clicks(lamp, &Lamp::clicked);
    QTest::mouseClick(lamp, Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(parentPresses.presses, 1);
    lamp->click();
    EXPECT_EQ(clicks.count(), 2);
}
