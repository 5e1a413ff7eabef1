#include "FakeChannel.h"
#include "comlink/FramedLink.h"
#include "comlink/FramedPartner.h"
#include "comlink/PortWindow.h"
#include "comlink/QtSerialLine.h"
#include "protocol/LineDriverWindow.h"

#include "core/Bytes.h"
#include "core/Reports.h"

#include "Cable.h"
#include "TestApp.h"
#include "WidgetFind.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

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
    FunctionChannel channel;
    channel.onPut = [&](int, core::AnswerProc onAnswer, const QByteArray &telegram) {
        line.lineSend(telegram, std::move(onAnswer));
        return true;
    };
    line.setChannel(&channel);
    window.show();
    line.setLinkMode(0);
    window.linkLed()->click();  // the link lamp starts the line
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

// The driver keeps states; the window says them in its own words.
TEST_F(LinkWindowsTest, LineWindowSaysErrorAndWaitInItsFields)
{
    protocol::Line401 line(*port, time);
    protocol::LineDriverWindow window(line, time);
    FunctionChannel channel;
    channel.onPut = [](int, core::AnswerProc, const QByteArray &) { return true; };  // the answer never comes
    line.setChannel(&channel);
    window.show();
    auto *portField = window.findChild<QLineEdit *>("PortField");
    ASSERT_TRUE(portField);
    pcEnd->setOpenFails(true);
    line.openLine();
    time.advance(200);
    EXPECT_EQ(portField->text(), "ERROR");
    EXPECT_EQ(window.linkLed()->lampColour(), core::colour::Red);

    QTest::mouseClick(button(window, " enable"), Qt::LeftButton);
    QTest::mouseClick(button(window, "F1 00"), Qt::LeftButton);
    time.advance(200);
    QStringList texts;
    for (QLineEdit *field : window.findChildren<QLineEdit *>()) texts << field->text();
    EXPECT_TRUE(texts.contains("wait..")) << texts.join('|').toStdString();

    pcEnd->setOpenFails(false);
    line.openLine();
    time.advance(200);
    EXPECT_EQ(portField->text(), "COM1/19200/8N1");
}

// The port keeps states; the window says them in its words and colours.
TEST_F(LinkWindowsTest, PortWindowShowsThePortsStates)
{
    comlink::PortWindow window(*port, time);
    window.show();
    const auto labels = [&window] {
        QStringList texts;
        for (QLabel *label : window.findChildren<QLabel *>()) texts << label->text();
        return texts;
    };
    auto *group = window.findChild<QGroupBox *>();
    ASSERT_TRUE(group);
    EXPECT_EQ(group->title(), "PORT CLOSED");
    EXPECT_FALSE(labels().contains("keine ModemId"));
    EXPECT_EQ(window.linkLed()->lampColour(), core::colour::Red);

    QTest::mouseClick(button(window, "COM1"), Qt::LeftButton);
    port->setLinkState(true);
    port->connectLedChange(true);
    port->dataModeSwitch(true);
    time.advance(200);
    EXPECT_EQ(group->title(), "PORT OPEN");
    EXPECT_TRUE(labels().contains("keine ModemId"));
    EXPECT_EQ(window.linkLed()->lampColour(), core::colour::Green);
    EXPECT_EQ(window.connectLed()->lampColour(), core::colour::Lime);

    port->connectLedChange(false);  // the modem lost the connection: the link goes, too
    port->closePort();
    time.advance(200);
    EXPECT_EQ(group->title(), "PORT CLOSED");
    EXPECT_EQ(window.linkLed()->lampColour(), core::colour::Red);
    EXPECT_EQ(window.connectLed()->lampColour(), core::colour::Maroon);
}

using comlink::LineLights;

TEST_F(LinkWindowsTest, PortWindowStatusLightsFollowTheControlLinesWhileShown)
{
    comlink::PortWindow window(*port, time);
    pcEnd->setControlLines({.dcd = true, .ring = true});
    QTest::mouseClick(button(window, "COM1"), Qt::LeftButton);
    EXPECT_EQ(pcEnd->controlLineReads(), 0);  // hidden: nothing read

    window.show();
    EXPECT_EQ(window.statusLight(LineLights::Dcd)->lampColour(), core::colour::Lime);
    EXPECT_EQ(window.statusLight(LineLights::Dsr)->lampColour(), core::colour::Maroon);
    EXPECT_EQ(window.statusLight(LineLights::Ring)->lampColour(), core::colour::Lime);
    EXPECT_EQ(window.connectLed()->lampColour(), core::colour::Maroon);  // no modem connection

    pcEnd->setControlLines({.dsr = true});
    time.advance(comlink::ControlLineWatch::PollMs);
    EXPECT_EQ(window.statusLight(LineLights::Dcd)->lampColour(), core::colour::Maroon);
    EXPECT_EQ(window.statusLight(LineLights::Dsr)->lampColour(), core::colour::Lime);

    // Sent and received bytes flash TxD and RxD.
    QTest::mouseClick(button(window, "-> 'AT'"), Qt::LeftButton);
    EXPECT_EQ(window.statusLight(LineLights::TxD)->lampColour(), core::colour::Lime);
    time.advance(5);
    EXPECT_EQ(window.statusLight(LineLights::RxD)->lampColour(), core::colour::Lime);
    time.advance(LineLights::FlashMs + 10);
    EXPECT_EQ(window.statusLight(LineLights::TxD)->lampColour(), core::colour::Maroon);

    pcEnd->setControlLinesUnknown("/dev/pts/7 cannot report its control lines");
    time.advance(comlink::ControlLineWatch::PollMs);
    for (const LineLights::Light light : {LineLights::Dcd, LineLights::Dsr, LineLights::Ring}) {
        EXPECT_EQ(window.statusLight(light)->lampColour(), widgets::Lamp::LightUnknown);
        EXPECT_EQ(window.statusLight(light)->toolTip(), "/dev/pts/7 cannot report its control lines");
    }
    EXPECT_TRUE(window.statusLight(LineLights::RxD)->toolTip().isEmpty());

    window.hide();
    const int reads = pcEnd->controlLineReads();
    time.advance(20 * comlink::ControlLineWatch::PollMs);
    EXPECT_EQ(pcEnd->controlLineReads(), reads);
}

// Each light sits under its word of the caption, at any font size.
TEST_F(LinkWindowsTest, PortWindowStatusLightsSitUnderTheirWords)
{
    const QString caption = "DCD   DSR  RING  CONNECT   RxD  TxD";
    for (const double scale : {1.0, 2.0}) {
        SCOPED_TRACE(scale);
        comlink::PortWindow window(*port, time);
        QFont font = window.font();
        font.setPointSizeF(font.pointSizeF() * scale);
        window.setFont(font);
        window.show();
        window.resize(300, 300);  // narrower than the window wants: nothing may overlap
        QCoreApplication::sendPostedEvents();
        QLabel *label = nullptr;
        for (QLabel *l : window.findChildren<QLabel *>())
            if (l->text() == caption) label = l;
        ASSERT_TRUE(label);
        const QList<QWidget *> lights{window.statusLight(LineLights::Dcd), window.statusLight(LineLights::Dsr),
                                      window.statusLight(LineLights::Ring), window.connectLed(),
                                      window.statusLight(LineLights::RxD), window.statusLight(LineLights::TxD)};
        const QFontMetrics metrics = label->fontMetrics();
        int start = 0;
        for (QWidget *light : lights) {
            while (caption[start] == ' ') ++start;
            int end = start;
            while (end < caption.size() && caption[end] != ' ') ++end;
            const int left = label->mapTo(&window, QPoint(metrics.horizontalAdvance(caption.left(start)), 0)).x();
            const int right = label->mapTo(&window, QPoint(metrics.horizontalAdvance(caption.left(end)), 0)).x();
            const QRect lamp(light->mapTo(&window, QPoint(0, 0)), light->size());
            SCOPED_TRACE(caption.mid(start, end - start).toStdString());
            EXPECT_TRUE(light->isVisible());
            EXPECT_GE(lamp.center().x(), left);
            EXPECT_LE(lamp.center().x(), right);
            EXPECT_GE(lamp.top(), label->mapTo(&window, QPoint(0, label->height())).y());
            start = end;
        }
    }
}

// The port window over the framing layer, cabled to the controller's side of the framed protocol.
struct FramedPortWindowTest : ::testing::Test {
    FramedPortWindowTest()
    {
        core::reports().reset();
        partner.attach(*cable.controller);
        partner.onRequest = [](const QByteArray &telegram) {
            return telegram == bytes({0xF1, 0x00}) ? bytes({0xF1, 0x01}) : QByteArray();
        };
        link.sendString = [this](const QByteArray &data) { return port.sendString(data); };
        link.readChars = [this](int count) { return port.readChars(count); };
        link.setPortRxHook = [this](std::function<void(int)> hook) { port.rxHook = std::move(hook); };
        link.onLinkError = [this](const QString &text) { linkErrors << text; };
        window.setFraming(link);
        window.show();
        QTest::mouseClick(button(window, "COM1"), Qt::LeftButton);
        // The partner synchronisation, reduced to its probe.
        port.sendChar(0x01);
        time.advance(10);
    }
    ~FramedPortWindowTest() override { core::reports().reset(); }

    QString statusText() const
    {
        for (QLabel *label : window.findChildren<QLabel *>())
            if (label->text().startsWith("error=")) return label->text();
        return {};
    }

    QApplication &app = testsupport::testApp<QApplication>();  // before the window
    core::VirtualTime time;
    testsupport::Cable cable{time};
    comlink::FramedPartner partner{time};
    comlink::ComPort port{*cable.pc, time};
    comlink::FramedLink link{time};
    comlink::PortWindow window{port, time};
    QStringList linkErrors;
};

TEST_F(FramedPortWindowTest, NotificationButtonLeavesTheFramingLayerFreeAtOnce)
{
    ASSERT_TRUE(partner.synchronised());
    QTest::mouseClick(button(window, "030C0513"), Qt::LeftButton);
    time.advance(20);  // SOH, ACK, the frame and its ACK: a few line bytes
    EXPECT_TRUE(partner.notified());
    EXPECT_FALSE(link.busy());

    // A request sent right after it is answered.
    QTest::mouseClick(button(window, "ZBL/F100"), Qt::LeftButton);
    time.advance(300);
    EXPECT_EQ(statusText().toStdString(), "error=0 ~F1~~01~");

    // Nothing was left waiting for an answer that never comes.
    time.advance(2 * comlink::FramedLink::AnswerTimeoutMs);
    EXPECT_TRUE(linkErrors.isEmpty()) << linkErrors.join(", ").toStdString();
    EXPECT_FALSE(link.busy());
}

}  // namespace

namespace {

// On a real pseudo-terminal the driver has no low-latency setting: the port
// opens all the same and its window says why the line may be slower.
TEST(PortWindowDevice, ShowsTheLowLatencyAnswerOfAPseudoTerminal)
{
    testsupport::testApp<QApplication>();
    core::reports().reset();
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) GTEST_SKIP() << "no pseudo-terminals here";
    const QString slave = QString::fromLocal8Bit(ptsname(master));
    core::VirtualTime time;
    comlink::QtSerialLine line;
    comlink::ComPort port(line, time);
    port.setConfiguredDevice(slave);
    comlink::PortWindow window(port, time);
    window.show();
    QTest::mouseClick(button(window, "COM1"), Qt::LeftButton);
    EXPECT_TRUE(port.isOpen());
    time.advance(1000);
    bool shown = false;
    QStringList texts;
    for (QLabel *label : window.findChildren<QLabel *>()) texts << label->text();
    shown = texts.join(QLatin1Char('\n')).contains(QLatin1String("low latency: not available"));
    EXPECT_TRUE(shown) << texts.join(QLatin1Char('\n')).toStdString();
    port.closePort();
    ::close(master);
}

}  // namespace
