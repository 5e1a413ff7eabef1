#include "comlink/ModemControl.h"
#include "comlink/PortWindow.h"

#include "FakeHayesModem.h"
#include "TestApp.h"
#include "WidgetFind.h"
#include "core/Reports.h"

#include <QApplication>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

using testsupport::button;

struct ModemGroupTest : ::testing::Test {
    ModemGroupTest()
    {
        core::reports().reset();
        framedLink.sendString = [this](const QByteArray &b) { return port.sendString(b); };
        framedLink.readChars = [this](int n) { return port.readChars(n); };
        framedLink.setPortRxHook = [this](std::function<void(int)> hook) { port.rxHook = std::move(hook); };
        window.setModem(modem);
        port.openPort(1);
    }
    void click(const QString &text)
    {
        if (QPushButton *b = button(window, text)) b->click();
    }

    QApplication &application = testsupport::testApp<QApplication>();  // before any widget
    core::VirtualTime time;
    std::pair<std::unique_ptr<comlink::MemorySerialLine>, std::unique_ptr<comlink::MemorySerialLine>> lines =
        comlink::MemorySerialLine::createPair(&time, 1);
    comlink::ComPort port{*lines.first, time};
    comlink::FramedLink framedLink{time};
    comlink::ModemControl modem{port, framedLink, time};
    FakeHayesModem fake{time, *lines.second, *lines.first};
    comlink::PortWindow window{port, time};
};

TEST_F(ModemGroupTest, TestButtonShowsTheResult)
{
    click("TEST");
    EXPECT_EQ(port.view().status, "test Modem COM1/19200/8N1");
    time.advance(3000);
    EXPECT_EQ(port.view().status, "MODEMTEST=COM1/19200/8N1/MODEM");
}

TEST_F(ModemGroupTest, RegisterAndInfoButtonsCountAndWrap)
{
    for (int i = 0; i <= 21; ++i) click(QStringLiteral("-> 'ATS%1?'").arg(i % 21));
    for (int i = 0; i <= 11; ++i) click("ATI[n].....");
    time.advance(10);
    const QStringList &sent = fake.commands;
    ASSERT_EQ(sent.size(), 22 + 12);
    EXPECT_EQ(sent[0], "ATS0?");
    EXPECT_EQ(sent[20], "ATS20?");
    EXPECT_EQ(sent[21], "ATS0?");
    EXPECT_EQ(sent[22], "ATI0");
    EXPECT_EQ(sent[32], "ATI10");
    EXPECT_EQ(sent[33], "ATI0");
    EXPECT_TRUE(button(window, "-> 'ATS1?'"));
}

TEST_F(ModemGroupTest, HangUpButtonDropsTheLine)
{
    click("HangUp");
    EXPECT_EQ(port.view().status, "HangUp");
    EXPECT_EQ(lines.first->dtr(), false);
}

}  // namespace
