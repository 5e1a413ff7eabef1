#include "TestApp.h"

#include "core/Colours.h"
#include "shaft/CabinView.h"
#include "shaft/CallButton.h"
#include "shaft/FloorStrip.h"
#include "shaft/ShaftGeometry.h"
#include "shaft/ShaftLayout.h"
#include "shaft/ShaftWindow.h"
#include "sysmod/ParameterSet.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

using namespace shaft;

struct AppFirst {
    AppFirst() { testsupport::testApp<QApplication>(); }
};

// The shaft window docked into a report panel the size of the main window's,
// on virtual time, with the calls and log lines it produced.
struct ShaftRig : AppFirst {
    QWidget frame;
    QFrame *host = new QFrame(&frame);
    core::VirtualTime time;
    ShaftWindow window{time};
    std::vector<std::tuple<int, int, int>> calls;
    QStringList log;

    ShaftRig()
    {
        // The report panel at 96 dpi, in the window's units like the rest of the frame.
        frame.resize(px(600), px(560));
        host->setFrameStyle(QFrame::Panel | QFrame::Raised);
        host->setGeometry(px(8), px(55), px(243), px(467));
        window.onLog = [this](const QString &line) { log << line; };
        QObject::connect(&window, &ShaftWindow::callPressed,
                         [this](int floor, int side, int mode) { calls.emplace_back(floor, side, mode); });
        frame.show();
    }
    void build(int topFloor, const FloorConfig &config)
    {
        window.buildShaft(host, topFloor, config);
        QApplication::processEvents();
    }
    int px(int units) const { return qRound(units * window.unit()); }
    // Visible buttons of a floor as "AdAuAc BdBuBc" (d down, u up, c car call).
    std::string visibleButtons(int floor) const
    {
        std::string text;
        const char letters[3] = {'d', 'u', 'c'};
        for (int side = SideA; side <= SideB; ++side)
            for (int kind = CallDown; kind <= CallCar; ++kind)
                text += window.callButton(floor, side, kind)->isVisible() ? letters[kind] : '-';
        return text;
    }
};

TEST(ShaftWindow, ButtonsPerFloorFromConfigurationBytes)
{
    ShaftRig rig;
    FloorConfig config{};
    config[0] = 0x24;         // all buttons on both sides
    config[1] = 0x03 | 0x18;  // up and down on both sides: mode 3
    config[2] = 0x01;         // side A up only
    config[3] = 0x12;         // down on both sides
    config[4] = 0x24;
    config[5] = 0x24;         // above topFloor: never built
    rig.build(4, config);
    ASSERT_EQ(rig.window.floorStrip(5), nullptr);
    const char *expected[5] = {"-uc-uc", "ducduc", "-uc---", "d-cd-c", "d-cd-c"};
    for (int floor = 0; floor <= 4; ++floor) EXPECT_EQ(rig.visibleButtons(floor), expected[floor]) << "floor " << floor;

    // Every visible button sends its floor, side and mode.
    for (int floor = 0; floor <= 4; ++floor)
        for (int side = SideA; side <= SideB; ++side)
            for (int kind = CallDown; kind <= CallCar; ++kind) {
                CallButton *button = rig.window.callButton(floor, side, kind);
                if (button->isVisible()) QTest::mouseClick(button, Qt::LeftButton);
            }
    const std::vector<std::tuple<int, int, int>> sent = {
        {0, 0, 1}, {0, 0, 2}, {0, 1, 1}, {0, 1, 2},
        {1, 0, 3}, {1, 0, 3}, {1, 0, 2}, {1, 1, 3}, {1, 1, 3}, {1, 1, 2},
        {2, 0, 1}, {2, 0, 2},
        {3, 0, 0}, {3, 0, 2}, {3, 1, 0}, {3, 1, 2},
        {4, 0, 0}, {4, 0, 2}, {4, 1, 0}, {4, 1, 2},
    };
    EXPECT_EQ(rig.calls, sent);
}

TEST(ShaftWindow, ShaftFromTheDeliveredParameterSet)
{
    ShaftRig rig;
    sysmod::ParameterSet parameters;
    ASSERT_TRUE(parameters.loadFromFile(QString(HALTRON_SOURCE_DIR) + "/data/files/default.smb"));
    const ShaftLayout layout = shaftFromParameterSet(parameters);
    rig.build(layout.topFloor, layout.config);
    EXPECT_TRUE(rig.window.hasShaft());
    EXPECT_EQ(rig.visibleButtons(0), "-uc-uc");  // doors A and B, no down buttons
    for (int floor = 1; floor <= 4; ++floor) EXPECT_EQ(rig.visibleButtons(floor), "duc---") << floor;
    EXPECT_EQ(rig.visibleButtons(5), "d-c---");  // no up buttons on top
    EXPECT_EQ(rig.window.messageField()->text(), "hoehe: 300");
}

TEST(ShaftWindow, RegisteredCallLightsAndTakesNoClick)
{
    ShaftRig rig;
    FloorConfig config{};
    config.fill(0x24);
    rig.build(3, config);
    CallButton *up = rig.window.callButton(1, SideA, CallUp);
    CallButton *car = rig.window.callButton(1, SideB, CallCar);
    const QPoint middle(up->width() / 2, up->height() * 2 / 3);
    EXPECT_EQ(up->grab().toImage().pixelColor(middle * up->devicePixelRatio()), QColor(0x80, 0x80, 0x80));

    rig.window.setCallLamp(1, SideA, 0, CallUp);
    rig.window.setCallLamp(1, SideB, 0, CallCar);
    EXPECT_FALSE(up->isEnabled());
    EXPECT_EQ(up->grab().toImage().pixelColor(middle * up->devicePixelRatio()), QColor(0xFF, 0x00, 0x00));
    EXPECT_EQ(car->grab().toImage().pixelColor(QPoint(car->width() / 2, car->height() / 2) * car->devicePixelRatio()),
              QColor(0xFF, 0xFF, 0x00));
    QTest::mouseClick(up, Qt::LeftButton);
    QTest::mouseClick(car, Qt::LeftButton);
    EXPECT_TRUE(rig.calls.empty());

    rig.window.setCallLamp(1, SideA, 1, CallUp);
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(rig.calls, (std::vector<std::tuple<int, int, int>>{{1, 0, 1}}));
}

TEST(ShaftWindow, DoorsOpenToTwoPixelsAndCabinHangsOnItsRope)
{
    ShaftRig rig;
    rig.build(4, FloorConfig{});
    CabinView *cabin = rig.window.cabin();
    ASSERT_NE(cabin, nullptr);
    EXPECT_FALSE(cabin->isVisible());
    rig.window.setFloor(2);
    EXPECT_TRUE(cabin->isVisible());
    EXPECT_EQ(cabin->y(), rig.px(geometry::stripTop(4, 2) - geometry::CabinAboveStrip));
    EXPECT_EQ(cabin->size(), QSize(rig.px(39), rig.px(31)));
    EXPECT_TRUE(rig.window.rope()->isVisible());
    EXPECT_EQ(rig.window.rope()->geometry().bottom() + 1, cabin->y());
    EXPECT_EQ(rig.window.rope()->x(), cabin->x() + cabin->width() / 2);
    // The cabin stands on its floor's line.
    const FloorStrip *strip = rig.window.floorStrip(2);
    EXPECT_EQ(cabin->geometry().bottom() + 1, strip->y() + strip->floorLine().top());

    QFrame *doorA = cabin->doorPanel(SideA);
    QFrame *doorB = cabin->doorPanel(SideB);
    EXPECT_EQ(doorA->width(), rig.px(18));
    EXPECT_EQ(doorB->width(), rig.px(19));
    rig.window.setDoor(SideA, DoorOpening);
    rig.window.setDoor(SideB, DoorOpening);
    rig.time.advance(3000);
    EXPECT_EQ(doorA->width(), rig.px(2));
    EXPECT_EQ(doorB->width(), rig.px(2));
    EXPECT_EQ(doorB->geometry().right() + 1, cabin->width() - rig.px(1));  // door B opens to the right
    rig.time.advance(3000);
    EXPECT_EQ(doorA->width(), rig.px(2));

    // Open doors show the teal cabin between them.
    const QImage picture = cabin->grab().toImage();
    EXPECT_EQ(picture.pixelColor(QPoint(cabin->width() / 2, cabin->height() / 2) * cabin->devicePixelRatio()),
              QColor(0x00, 0x80, 0x80));

    rig.window.setDoor(SideA, DoorClosing);
    rig.time.advance(3000);
    EXPECT_EQ(doorA->width(), rig.px(18));
    EXPECT_EQ(doorB->width(), rig.px(2));
}

TEST(ShaftWindow, HeaderStatusAndMessage)
{
    ShaftRig rig;
    EXPECT_EQ(rig.window.messageField()->text(), "warte auf Nachricht");
    EXPECT_EQ(rig.window.standField()->text(), "00");
    EXPECT_EQ(rig.window.targetField()->text(), "00");
    auto captions = [&rig] {
        QStringList texts;
        for (QLabel *label : rig.window.findChildren<QLabel *>()) texts << label->text();
        return texts;
    };
    EXPECT_TRUE(captions().contains("STAND="));
    EXPECT_TRUE(captions().contains("ZIEL="));
    EXPECT_TRUE(captions().contains("UEL"));
    for (int lamp = 0; lamp < 4; ++lamp) EXPECT_EQ(rig.window.lampColour(lamp), core::colour::Red);
    EXPECT_EQ(rig.window.lampColour(4), ShaftModel::Grey);

    rig.build(4, FloorConfig{});
    EXPECT_EQ(rig.window.messageField()->text(), "hoehe: 250");
    rig.window.setFloor(3);
    rig.window.setTarget(1);
    rig.window.setDirection(1);
    EXPECT_EQ(rig.window.standField()->text(), "3");
    EXPECT_EQ(rig.window.targetField()->text(), "1");
    EXPECT_EQ(rig.window.directionShown(), 1);
    rig.window.setTarget(255);
    EXPECT_EQ(rig.window.targetField()->text(), "");
    rig.window.setDirection(7);
    EXPECT_EQ(rig.window.directionShown(), 1);

    rig.window.setSafetyState(7);
    const unsigned expected[4] = {core::colour::Green, core::colour::Green, core::colour::Red, core::colour::Red};
    for (int lamp = 0; lamp < 4; ++lamp) EXPECT_EQ(rig.window.lampColour(lamp), expected[lamp]) << lamp;
    rig.window.setSafetyState(2);
    rig.time.advance(400);
    EXPECT_EQ(rig.window.lampColour(4), core::colour::Yellow);
    EXPECT_FALSE(rig.window.overloadLabel()->isVisible());
    rig.time.advance(400);
    EXPECT_EQ(rig.window.lampColour(4), core::colour::Red);
    EXPECT_TRUE(rig.window.overloadLabel()->isVisible());

    rig.window.setMessage("Fahrt");
    EXPECT_EQ(rig.window.messageField()->text(), "Fahrt");
}

TEST(ShaftWindow, DocksIntoItsHostOrFloatsWhenTheHostIsTooLow)
{
    ShaftRig rig;
    rig.build(39, FloorConfig{});
    EXPECT_FALSE(rig.window.isFloating());
    EXPECT_EQ(rig.window.parentWidget(), rig.host);
    EXPECT_EQ(rig.window.geometry(), rig.host->contentsRect());
    EXPECT_TRUE(rig.window.isVisible());
    // The tall shaft scrolls; the cabin at the bottom floor is scrolled into view.
    rig.window.setFloor(0);
    const QScrollArea *area = rig.window.shaftArea();
    const QRect seen(QPoint(area->horizontalScrollBar()->value(), area->verticalScrollBar()->value()),
                     area->viewport()->size());
    EXPECT_TRUE(seen.contains(rig.window.cabin()->geometry())) << area->verticalScrollBar()->value();
    // The user looks at the top floors: a repeated floor leaves the view there, a move brings the cabin back.
    area->verticalScrollBar()->setValue(0);
    rig.window.setFloor(0);
    EXPECT_EQ(area->verticalScrollBar()->value(), 0);
    rig.window.setFloor(1);
    EXPECT_GT(area->verticalScrollBar()->value(), rig.window.cabin()->y() + rig.window.cabin()->height() - area->viewport()->height());

    rig.host->resize(rig.px(400), rig.px(300));
    EXPECT_EQ(rig.window.geometry(), rig.host->contentsRect());

    // A new build replaces the old shaft.
    rig.host->resize(rig.px(243), rig.px(60));
    rig.build(3, FloorConfig{});
    EXPECT_EQ(rig.window.floorStrip(4), nullptr);
    EXPECT_TRUE(rig.window.isFloating());
    EXPECT_TRUE(rig.window.isWindow());
    EXPECT_GT(rig.window.height(), rig.host->height());
    EXPECT_TRUE(rig.window.isVisible());
    // Closing the floating window only hides it; the monitor shows it again.
    rig.window.close();
    EXPECT_FALSE(rig.window.isVisible());
    rig.window.showShaft();
    EXPECT_TRUE(rig.window.isVisible());

    rig.window.destroyShaft();
    EXPECT_FALSE(rig.window.hasShaft());
    EXPECT_FALSE(rig.window.isVisible());
    rig.window.showShaft();
    EXPECT_FALSE(rig.window.isVisible());
    // Undocked, the window no longer belongs to the host's family.
    EXPECT_EQ(rig.window.parentWidget(), nullptr);
    EXPECT_EQ(rig.window.floorStrip(0), nullptr);
    rig.window.setFloor(1);
    rig.window.setCallLamp(1, 0, 0, 0);

    // Without a host the shaft has a window of its own.
    rig.build(2, FloorConfig{});
    rig.window.destroyShaft();
    FloorConfig all{};
    all.fill(0x24);
    rig.window.buildShaft(nullptr, 2, all);
    EXPECT_TRUE(rig.window.isFloating());
    EXPECT_TRUE(rig.window.isVisible());
    ASSERT_TRUE(rig.window.callButton(2, SideA, CallCar)->isVisible());
    QTest::mouseClick(rig.window.callButton(2, SideA, CallCar), Qt::LeftButton);  // no call hook: nothing happens

    // Docked again once the host is tall enough.
    rig.host->resize(rig.px(243), rig.px(467));
    rig.build(5, FloorConfig{});
    EXPECT_FALSE(rig.window.isFloating());
    EXPECT_EQ(rig.window.parentWidget(), rig.host);
}

TEST(ShaftWindow, HaltWritesItsLineAndTakesTheShaftDown)
{
    ShaftRig rig;
    rig.build(4, FloorConfig{});
    rig.window.setSafetyState(2);
    rig.window.halt();
    EXPECT_EQ(rig.log, QStringList({"unit51.schacht> halt"}));
    EXPECT_FALSE(rig.window.hasShaft());
    EXPECT_FALSE(rig.window.isVisible());
    EXPECT_EQ(rig.time.activeTimers(), 0);
}

TEST(ShaftWindow, SingleFloorIsDrawnButCountsAsNoShaft)
{
    ShaftRig rig;
    FloorConfig config{};
    config[0] = 0x24;
    rig.build(0, config);
    EXPECT_FALSE(rig.window.hasShaft());
    ASSERT_NE(rig.window.floorStrip(0), nullptr);
    EXPECT_EQ(rig.visibleButtons(0), "--c--c");
    rig.window.setFloor(0);
    EXPECT_FALSE(rig.window.cabin()->isVisible());
}

// The whole window as the user sees it, with lit lamps and an opening door;
// SHAFT_SHOT names a folder to keep the picture in (run with QT_SCALE_FACTOR=2
// to see it at 200 %).
TEST(ShaftWindow, WholeWindowPictureAtTheScreensPixelRatio)
{
    ShaftRig rig;
    FloorConfig config{};
    config.fill(0x24);
    config[3] = 0x1B;
    rig.build(7, config);
    rig.window.setFloor(2);
    rig.window.setTarget(5);
    rig.window.setDirection(2);
    rig.window.setSafetyState(7);
    rig.window.setCallLamp(4, SideA, 0, CallUp);
    rig.window.setCallLamp(6, SideB, 0, CallDown);
    rig.window.setCallLamp(5, SideA, 0, CallCar);
    rig.window.setDoor(SideA, DoorOpening);
    rig.time.advance(800);
    rig.window.setMessage("Normal");
    QApplication::processEvents();

    const QImage picture = rig.window.grab().toImage();
    const qreal ratio = rig.window.devicePixelRatioF();
    EXPECT_EQ(picture.size(), rig.window.size() * ratio);
    // Each lit glyph shows its colour where its button is.
    const auto colourAt = [&](CallButton *button, qreal x, qreal y) {
        const QPoint at = button->mapTo(&rig.window, QPoint(0, 0));
        return picture.pixelColor(QPointF((at.x() + x * button->width()) * ratio, (at.y() + y * button->height()) * ratio).toPoint());
    };
    EXPECT_EQ(colourAt(rig.window.callButton(4, SideA, CallUp), 0.5, 0.65), QColor(0xFF, 0x00, 0x00));
    EXPECT_EQ(colourAt(rig.window.callButton(6, SideB, CallDown), 0.5, 0.35), QColor(0x00, 0xC0, 0x00));
    EXPECT_EQ(colourAt(rig.window.callButton(5, SideA, CallCar), 0.5, 0.5), QColor(0xFF, 0xFF, 0x00));
    EXPECT_EQ(colourAt(rig.window.callButton(4, SideB, CallUp), 0.5, 0.65), QColor(0x80, 0x80, 0x80));
    if (qEnvironmentVariableIsSet("SHAFT_SHOT")) picture.save(qEnvironmentVariable("SHAFT_SHOT") + "/shaft.png");
}

}  // namespace
