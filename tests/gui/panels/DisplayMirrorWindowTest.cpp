// The LCD window over the local link to the in-process stand-in, on virtual
// time: keys from the buttons and the PC keyboard reach the controller's menu,
// and the mirrored rows follow what its display shows.

#include "LocalLinkFixture.h"
#include "TestApp.h"

#include "panels/DisplayMirrorWindow.h"
#include "widgets/Lamp.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using panels::DisplayMirror;

namespace {

struct MirrorWindowTest : ::testing::Test {
    LocalLinkFixture link{{.lifts = 1, .floors = 8, .seed = 3}};
    std::unique_ptr<panels::DisplayMirrorWindow> window;
    int requests = 0;

    void SetUp() override
    {
        testsupport::testApp<QApplication>();
        ASSERT_TRUE(link.start());
        window = std::make_unique<panels::DisplayMirrorWindow>(link.time, link.channel, false);
        // As the monitor opens it: the queue as send operation, the next step after each answer.
        DisplayMirror &mirror = window->mirror();
        QObject::connect(&link.channel, &protocol::ControllerChannel::queued, [this] { ++requests; });
        mirror.afterAnswer = [&mirror] { mirror.pollStep(); };
        window->show();
    }
    QString row(int r) const { return window->rowField(r)->text(); }
    bool rowStartsWith(int r, const QString &text, int limitMs = 5000)
    {
        return link.runUntil([&] { return row(r).startsWith(text); }, limitMs);
    }
};

TEST_F(MirrorWindowTest, KeysWalkTheControllersMenuAndTheRowsFollow)
{
    ASSERT_TRUE(rowStartsWith(0, QStringLiteral("STATUS"))) << row(0).toStdString();
    EXPECT_TRUE(rowStartsWith(1, QStringLiteral("Etg  ")));
    EXPECT_TRUE(rowStartsWith(2, QString::fromUtf8("Tür A:zu"))) << row(2).toStdString();
    EXPECT_EQ(row(0).size(), 16);

    // The right key from the PC keyboard: the fault list.
    QTest::keyClick(window.get(), Qt::Key_Right);
    ASSERT_TRUE(rowStartsWith(0, QStringLiteral("FEHLER"))) << row(0).toStdString();
    // The key button: the counters.
    window->keyButton(DisplayMirror::RightKey)->click();
    ASSERT_TRUE(rowStartsWith(0, QString::fromUtf8("ZÄHLER"))) << row(0).toStdString();
    // Escape steps back.
    QTest::keyClick(window.get(), Qt::Key_Escape);
    ASSERT_TRUE(rowStartsWith(0, QStringLiteral("FEHLER"))) << row(0).toStdString();

    // Settings: Enter starts the test trips; the lift travels and the status page shows it.
    QTest::keyClick(window.get(), Qt::Key_Right);
    QTest::keyClick(window.get(), Qt::Key_Right);
    ASSERT_TRUE(rowStartsWith(0, QStringLiteral("EINSTELLUNG"))) << row(0).toStdString();
    QTest::keyClick(window.get(), Qt::Key_Return);
    ASSERT_TRUE(link.runUntil([&] { return row(1).contains(QStringLiteral("SEQ")); }, 5000)) << row(1).toStdString();
    EXPECT_EQ(link.installation.lift(0)->testTrips(), sim::Lift::TestTrips::Sequence);
    QTest::keyClick(window.get(), Qt::Key_Right);
    ASSERT_TRUE(rowStartsWith(3, QStringLiteral("Testfahrt SEQ")));
    const QString before = row(1);
    ASSERT_TRUE(link.runUntil([&] { return row(1).contains(QStringLiteral("▲")); }, 10000)) << row(1).toStdString();
    ASSERT_TRUE(link.runUntil([&] { return row(1) != before && link.installation.lift(0)->floor() > 0; }, 20000));
    // The mirror keeps up with the lift's floor.
    const int floor = link.installation.lift(0)->floor();
    EXPECT_TRUE(link.runUntil([&] { return row(1).startsWith(QStringLiteral("Etg %1").arg(floor, 2)); }, 3000))
        << row(1).toStdString() << " floor " << floor;
}

TEST_F(MirrorWindowTest, NeuAsksForTheWholeScreenAndHidingEndsThePolling)
{
    ASSERT_TRUE(rowStartsWith(0, QStringLiteral("STATUS")));
    // Spoilt rows come back whole after "neu".
    window->rowField(0)->setText(QStringLiteral("xxxxxxxxxxxxxxxx"));
    window->mirror().displayAnswer(QByteArray("\xFF\xFF\x00" "0123456789ABC", 16));
    ASSERT_TRUE(row(0).startsWith(QStringLiteral("0123456789ABC")));
    window->rebuildButton()->click();
    ASSERT_TRUE(rowStartsWith(0, QStringLiteral("STATUS"))) << row(0).toStdString();

    window->hide();
    link.time.advance(500);  // the request in flight is answered
    const int asked = requests;
    link.time.advance(3000);
    EXPECT_EQ(requests, asked);  // nothing asked once hidden
    EXPECT_FALSE(window->mirror().afterAnswer);
}

TEST_F(MirrorWindowTest, ModeButtonSwitchesFamilyAndCaption)
{
    EXPECT_EQ(window->windowTitle(), QStringLiteral("LCD [QRX]"));
    EXPECT_EQ(window->modeButton()->text(), QStringLiteral("Q/H"));
    window->modeButton()->click();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("LCD [HPZ]"));
    EXPECT_EQ(window->modeButton()->text(), QStringLiteral("H"));
    window->modeButton()->click();
    EXPECT_EQ(window->modeButton()->text(), QStringLiteral("Q"));
}

}  // namespace
