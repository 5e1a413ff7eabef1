#include "protocol/QueueWindow.h"

#include "FakeLineRoute.h"
#include "core/Bytes.h"

#include "TestApp.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

#include <gtest/gtest.h>

using core::bytes;
using protocol::QueueWindow;
using protocol::TransferQueue;

namespace {

struct Window : testing::Test {
    void SetUp() override
    {
        queue.setRoute(&route);
    }
    template <typename W>
    W *child(const char *name)
    {
        W *w = window.findChild<W *>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void click(const char *name) { child<QPushButton>(name)->click(); }

    QApplication &application = testsupport::testApp<QApplication>();  // before any widget
    core::VirtualTime time;
    FakeLineRoute route;
    TransferQueue queue{time};
    QueueWindow window{queue};
    QList<QByteArray> &sent = route.sent;
};

TEST_F(Window, FillPutsTheTestTelegramAndLeerenFlushes)
{
    EXPECT_EQ(window.windowTitle(), "TransferListe");
    EXPECT_EQ(child<QProgressBar>("Gauge")->maximum(), 50);
    click("Fill");
    click("Fill");
    EXPECT_EQ(sent, QList<QByteArray>{bytes({0xF3, 0x01, 0x02, 0x03})});
    EXPECT_EQ(queue.lastPut().request.answerLength, 1);
    EXPECT_EQ(child<QProgressBar>("Gauge")->value(), 2);
    EXPECT_EQ(child<QLabel>("Status")->text(), "RUN");
    click("Leeren");
    EXPECT_EQ(queue.count(), 0);
    EXPECT_EQ(child<QProgressBar>("Gauge")->value(), 0);
}

TEST_F(Window, ReportLokalShowsTrafficInMemoAndFields)
{
    window.show();
    EXPECT_EQ(window.height(), QueueWindow::ShortHeight);
    click("Fill");
    child<QCheckBox>("ReportLokal")->setChecked(true);
    EXPECT_TRUE(queue.reportLocal());
    EXPECT_EQ(window.height(), QueueWindow::LogHeight);
    EXPECT_TRUE(child<QWidget>("LogPart")->isVisible());

    click("Fill");
    route.lastAnswer(bytes({0xF1, 0x01}));
    time.advance(queue.delayMs());
    const int now = time.msecsSinceMidnight();
    EXPECT_EQ(child<QLineEdit>("OUT")->text(), QString("%1 >> F3010203").arg(now));
    EXPECT_EQ(child<QLineEdit>("IN")->text(), QString("%1 << F101").arg(now));
    EXPECT_EQ(child<QPlainTextEdit>("Memo")->toPlainText().count('\n'), 1);
    EXPECT_EQ(child<QLabel>("DeltaLabel")->text(), "50");  // the settling delay
    click("Clear");
    EXPECT_TRUE(child<QPlainTextEdit>("Memo")->toPlainText().isEmpty());
}

TEST_F(Window, ControlsSetTheQueue)
{
    auto *wait = child<QSpinBox>("WaitUpDown");
    EXPECT_EQ(wait->value(), 8000);
    EXPECT_EQ(queue.waitMs(), 2000);  // the control does not follow the queue
    wait->stepUp();
    EXPECT_EQ(queue.waitMs(), 8100);

    auto *delay = child<QSpinBox>("DelayUpDown");
    EXPECT_EQ(delay->value(), 50);
    delay->stepDown();
    EXPECT_EQ(queue.delayMs(), 40);

    child<QCheckBox>("SOTimeOut")->setChecked(true);
    EXPECT_TRUE(queue.sendOnTimeout());
    queue.setMode(2);
    EXPECT_EQ(child<QLabel>("ModeLabel")->text(), "mode 2");
}

TEST_F(Window, CloseOnlyHidesUntilHalted)
{
    window.show();
    window.close();
    EXPECT_FALSE(window.isVisible());
    window.show();
    queue.transferHalt();
    EXPECT_TRUE(window.close());
}

}  // namespace
