// The buttons of the "Test" and "Funktion" tabs offscreen over a fake queue.

#include "FakeChannel.h"
#include "MonitorFakes.h"
#include "TestApp.h"

#include "core/Bytes.h"
#include "monitorview/TestTabControls.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <gtest/gtest.h>

using core::bytes;

namespace {

QPushButton *buttonNamed(QWidget &parent, const QString &caption, int which = 0)
{
    for (QPushButton *b : parent.findChildren<QPushButton *>())
        if (b->text() == caption && which-- == 0) return b;
    return nullptr;
}

struct TestTabs : ::testing::Test {
    FakeChannel queue;
    monitor::SingleCommands commands{queue};
    FakeMonitorHold monitor;
    FakeTransferControl transfers;
    FakeMonitorHost host;
    std::unique_ptr<monitorview::TestTabControls> tests;
    void SetUp() override
    {
        testsupport::testApp<QApplication>();
        tests = std::make_unique<monitorview::TestTabControls>(commands, monitorview::TestTabPartners{monitor, transfers, host});
    }
};

TEST_F(TestTabs, LinkTestButtonsShowTheirAnswers)
{
    queue.controller = [](const QByteArray &t) { return t == bytes({0xF1, 0x00}) ? bytes({0xF1, 0x01}) : bytes({0xF1, 0x02}); };
    tests->zblTestButton()->setText(QStringLiteral("alt"));
    tests->zblTestButton()->click();
    EXPECT_EQ(tests->zblTestButton()->text(), QStringLiteral("F100"));
    queue.run();
    EXPECT_EQ(tests->zblTestButton()->text(), QStringLiteral("F101"));
    tests->groupTestButton()->click();
    queue.run();
    EXPECT_EQ(tests->groupTestField()->text(), QStringLiteral("F102"));

    tests->burstButton()->click();
    EXPECT_EQ(queue.pending(), 21);
    queue.run();
    EXPECT_EQ(tests->burstButton()->text(), QStringLiteral("21"));
    tests->burstButton()->click();
    queue.run();
    EXPECT_EQ(tests->burstButton()->text(), QStringLiteral("42"));
}

TEST_F(TestTabs, FlushOnlyOnALinkAndMessagesAndWindows)
{
    QStringList windows;
    using monitorview::TestTabControls;
    QObject::connect(tests.get(), &TestTabControls::portWindowRequested, [&] { windows << "port"; });
    QObject::connect(tests.get(), &TestTabControls::queueWindowRequested, [&] { windows << "queue"; });
    QObject::connect(tests.get(), &TestTabControls::zblPortWindowRequested, [&] { windows << "zbl"; });
    QObject::connect(tests.get(), &TestTabControls::lcdRequested, [&] { windows << "lcd"; });
    monitor.linkMode = false;
    tests->flushButton()->click();
    EXPECT_EQ(transfers.flushes, 0);
    monitor.linkMode = true;
    tests->flushButton()->click();
    EXPECT_EQ(transfers.flushes, 1);
    const QStringList &messages = host.messages;
    buttonNamed(*tests, QStringLiteral("Meldung"))->click();
    buttonNamed(*tests, QStringLiteral("lange Meldung"))->click();
    EXPECT_EQ(messages, (QStringList{"test-message", "dies ist eine sehr lange test-message"}));
    for (const char *caption : {"Port", "Protokoll", "Modem", "ZBL Port", "LCD"}) buttonNamed(*tests, QString::fromLatin1(caption))->click();
    EXPECT_EQ(windows, (QStringList{"port", "queue", "zbl", "lcd"}));  // nobody listens for the modem window: nothing
}

TEST_F(TestTabs, CabinTestSetsDoorsAndFloor)
{
    QList<std::pair<int, int>> doors;
    QList<int> floors;
    QObject::connect(tests.get(), &monitorview::TestTabControls::cabinDoorClicked,
                     [&](int door, int state) { doors.append({door, state}); });
    QObject::connect(tests.get(), &monitorview::TestTabControls::cabinFloorChanged, [&](int floor) { floors << floor; });
    tests->show();
    EXPECT_FALSE(tests->cabinTestGroup()->isVisible());
    tests->cabinTestButton()->click();
    EXPECT_TRUE(tests->cabinTestGroup()->isVisible());
    buttonNamed(*tests, QStringLiteral("auf"), 0)->click();
    buttonNamed(*tests, QStringLiteral("zu"), 0)->click();
    buttonNamed(*tests, QStringLiteral("auf"), 1)->click();
    buttonNamed(*tests, QStringLiteral("zu"), 1)->click();
    EXPECT_EQ(doors, (QList<std::pair<int, int>>{{0, 2}, {0, 1}, {1, 2}, {1, 1}}));
    tests->setTopFloor(5);
    tests->cabinFloor()->setValue(9);
    EXPECT_EQ(floors, QList<int>{5});
    tests->cabinTestButton()->click();
    EXPECT_FALSE(tests->cabinTestGroup()->isVisible());
}

TEST_F(TestTabs, TestTripButtonsSendTheirModes)
{
    monitorview::TestTripButtons trips(commands);
    const std::pair<const char *, int> buttons[] = {{"AUS", 0x0F}, {"SEQUENZ", 0x0E}, {"RANDOM", 0x09}, {"I/A", 0x0B}};
    for (auto [caption, mode] : buttons) {
        QPushButton *b = buttonNamed(trips, QString::fromLatin1(caption));
        ASSERT_TRUE(b) << caption;
        EXPECT_EQ(b, trips.tripButton(mode));
        b->click();
        EXPECT_EQ(queue.sent.last(), bytes({0xF3, 0x3D, 0x00, quint8(mode)}));
    }
    EXPECT_FALSE(trips.searchTripButton()->isEnabled());
}

}  // namespace
