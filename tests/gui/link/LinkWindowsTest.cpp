#include "link/PortWindow.h"
#include "protocol/LineDriverWindow.h"

#include "core/Bytes.h"
#include "core/Reports.h"

#include "TestApp.h"
#include "WidgetFind.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using core::bytes;
using testsupport::button;

namespace {

struct LinkWindowsTest : ::testing::Test {
    LinkWindowsTest()
    {
        testsupport::testApp<QApplication>();
        core::reports().reset();
        auto [a, b] = comlink::MemorySerialLine::createPair(&time, 1);
        pcEnd = std::move(a);
        ctlEnd = std::move(b);
        ctlEnd->open("ctl");
        // The controller answers every line byte with idle.
        ctlEnd->onReadyRead = [this] {
            for (char c : ctlEnd->read(ctlEnd->bytesAvailable())) {
                got.append(c);
                ctlEnd->write(bytes({0x40}));
            }
        };
        port = std::make_unique<comlink::ComPort>(*pcEnd, time);
    }
    core::VirtualTime time;
    std::unique_ptr<comlink::MemorySerialLine> pcEnd, ctlEnd;
    std::unique_ptr<comlink::ComPort> port;
    QByteArray got;
};

TEST_F(LinkWindowsTest, PortWindowButtonsOpenAndSend)
{
    comlink::PortWindow window(*port, time);
    QPushButton *f100 = button(window, "ZBL/F100");
    ASSERT_TRUE(f100);
    EXPECT_FALSE(f100->isEnabled());  // no framing layer yet
    QTest::mouseClick(button(window, "COM1"), Qt::LeftButton);
    EXPECT_TRUE(port->isOpen());
    QTest::mouseClick(button(window, "-> 'SOH'"), Qt::LeftButton);
    QTest::mouseClick(button(window, "-> 'AT'"), Qt::LeftButton);
    time.advance(5);
    EXPECT_TRUE(got.startsWith(QByteArray("\x01" "AT\r")));

    QByteArray framedPayload;
    window.setFraming([&](const QByteArray &p, comlink::PortWindow::FramedAnswer) { framedPayload = p; }, nullptr, nullptr);
    EXPECT_TRUE(f100->isEnabled());
    QTest::mouseClick(button(window, "GRP/1 F100"), Qt::LeftButton);
    EXPECT_EQ(framedPayload, bytes({0xF0, 0x10, 0x70, 0x01, 0xF1, 0x00}));

    // Closing only hides the window while the port may not close.
    window.show();
    EXPECT_FALSE(port->closeAllowed());
    window.close();
    EXPECT_TRUE(port->isOpen());
}

TEST_F(LinkWindowsTest, LineWindowF100ButtonPutsTheTelegramOnTheLine)
{
    protocol::Line401 line(*port, time);
    protocol::LineDriverWindow window(line, time);
    line.transferPut = [&](int, core::AnswerProc onAnswer, const QByteArray &telegram) {
        line.lineSend(telegram, std::move(onAnswer));
        return true;
    };
    window.show();
    line.setLinkMode(0);
    window.linkLed()->onClick();  // the link lamp starts the line
    time.advance(10);
    EXPECT_EQ(window.linkLed()->lampColour(), core::colour::Green);

    QPushButton *f100 = button(window, "F1 00");
    ASSERT_TRUE(f100);
    EXPECT_FALSE(f100->isEnabled());
    QTest::mouseClick(button(window, " enable"), Qt::LeftButton);
    got.clear();
    QTest::mouseClick(f100, Qt::LeftButton);
    time.advance(200);
    EXPECT_TRUE(got.contains(bytes({0x0F, 0x21, 0x00, 0x20}))) << core::hexText(got).toStdString();
    EXPECT_EQ(window.findChild<QLineEdit *>("PortField")->text(), "COM1/19200/8N1");
}

}  // namespace
