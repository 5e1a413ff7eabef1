#include "comlink/FramedPartner.h"
#include "comlink/FramedLink.h"

#include "core/Bytes.h"

#include <gtest/gtest.h>

using comlink::FramedPartner;
using comlink::MemorySerialLine;
using comlink::FramedLink;
using core::bytes;

namespace {

// The framing layer against the controller's side over an in-memory line
// with a 1 ms delay, wired as the port window wires it.
struct FramedPartnerTest : ::testing::Test {
    FramedPartnerTest()
    {
        auto [a, b] = MemorySerialLine::createPair(&time, 1);
        pcLine = std::move(a);
        ctlLine = std::move(b);
        pcLine->open("pc");
        ctlLine->open("ctl");
        partner = std::make_unique<FramedPartner>(time);
        partner->attach(*ctlLine);
        partner->onRequest = [](const QByteArray &t) {
            return t == bytes({0xF1, 0x00}) ? bytes({0xF1, 0x01}) : QByteArray("\xFF" "answer");
        };
        pcLine->onReadyRead = [this] {
            if (rxHook) rxHook(int(pcLine->bytesAvailable()));
            else pcLine->read(pcLine->bytesAvailable());  // text mode: not ours
        };
        framedLink.sendString = [this](const QByteArray &b) { return pcLine->write(b) == b.size(); };
        framedLink.readChars = [this](int n) { return pcLine->read(n); };
        framedLink.setPortRxHook = [this](std::function<void(int)> hook) { rxHook = std::move(hook); };
        framedLink.onLinkError = [this](const QString &t) { linkErrors << t; };
    }

    QByteArray ask(const QByteArray &telegram)
    {
        QByteArray answer = "<none>";
        framedLink.kavcomSend(telegram, [&](const QByteArray &a) { answer = a; });
        for (int i = 0; i < 6000 && framedLink.busy(); ++i) time.advance(1);
        return answer;
    }
    // The partner synchronisation as the port window runs it, reduced to its bytes.
    void synchronise()
    {
        partner->resetSync();
        QByteArray reply;
        pcLine->onReadyRead = [&] { reply += pcLine->read(100); };
        pcLine->write(bytes({0x01}));
        time.advance(10);
        ASSERT_EQ(reply, bytes({0x06, 0x15, 0x15}));
        pcLine->onReadyRead = [this] { if (rxHook) rxHook(int(pcLine->bytesAvailable())); };
    }

    core::VirtualTime time;
    std::unique_ptr<MemorySerialLine> pcLine, ctlLine;
    std::unique_ptr<FramedPartner> partner;
    FramedLink framedLink{time};
    std::function<void(int)> rxHook;
    QStringList linkErrors;
};

TEST_F(FramedPartnerTest, SynchronisesNotifiesAndGivesItsWholeName)
{
    partner->setPartnerName("AB1");
    synchronise();
    QStringList done;
    ASSERT_TRUE(framedLink.sendNoAnswer(bytes({0x03, 0x0C, 0x05, 0x13}), [&](const QString &t) { done << t; }));
    time.advance(100);
    EXPECT_EQ(done, QStringList{"return with no answer"});
    EXPECT_TRUE(partner->notified());

    framedLink.setAnswerHeader(bytes({0x28, 0xFF, 0x91}));
    QByteArray frame;
    ASSERT_TRUE(framedLink.startSend(bytes({0x04, 0x28, 0xFF, 0x90, 0xBA}), [&](const QByteArray &f) { frame = f; }));
    time.advance(200);
    ASSERT_FALSE(frame.isEmpty());
    // The port's name filter: drop the last two bytes, keep "0" to "z".
    QByteArray name;
    for (char c : frame.chopped(2))
        if (c >= '0' && c <= 'z') name += c;
    EXPECT_EQ(name, "AB1");
    EXPECT_TRUE(linkErrors.isEmpty());
}

TEST_F(FramedPartnerTest, AnswersRequestsOneAfterAnother)
{
    synchronise();
    EXPECT_EQ(ask(bytes({0xF1, 0x00})), bytes({0xF1, 0x01}));
    EXPECT_EQ(ask(bytes({0xF0, 0x10, 0x70, 0x01, 0xF1, 0x00})), QByteArray("\xFF" "answer"));
    EXPECT_EQ(ask(bytes({0xF1, 0x00})), bytes({0xF1, 0x01}));
    EXPECT_TRUE(linkErrors.isEmpty());
}

TEST_F(FramedPartnerTest, RefusedFramesAreRepeatedUntilAccepted)
{
    synchronise();
    partner->nakNextFrames(3);
    EXPECT_EQ(ask(bytes({0xF1, 0x00})), bytes({0xF1, 0x01}));
    EXPECT_LT(time.elapsedMs(), 5000);
}

TEST_F(FramedPartnerTest, SilentPartnerTimesOutAndTheLinkRecovers)
{
    synchronise();
    partner->setSilent(true);
    EXPECT_EQ(ask(bytes({0xF1, 0x00})), FramedLink::TimeoutError);
    EXPECT_EQ(linkErrors, QStringList{"KAVCOM_TO_ZBL Error"});
    partner->setSilent(false);
    EXPECT_EQ(ask(bytes({0xF1, 0x00})), bytes({0xF1, 0x01}));
}

TEST_F(FramedPartnerTest, PartnerRefusesABadChecksumAndRepeatsItsAnswerOnNak)
{
    synchronise();
    QByteArray heard;
    pcLine->onReadyRead = [&] { heard += pcLine->read(100); };
    auto exchange = [&](const QByteArray &send) {
        heard.clear();
        pcLine->write(send);
        time.advance(5);
        return heard;
    };
    EXPECT_EQ(exchange(bytes({0x01})), bytes({0x06}));
    EXPECT_EQ(exchange(bytes({0x02, 0x06, 0x28, 0xFF, 0xFF, 0xF1, 0x00, 0x99})), bytes({0x15}));
    EXPECT_EQ(exchange(bytes({0x01})), bytes({0x06}));
    EXPECT_EQ(exchange(bytes({0x02, 0x06, 0x28, 0xFF, 0xFF, 0xF1, 0x00, 0x1C})), bytes({0x06, 0x01}));
    const QByteArray answer = bytes({0x02, 0x06, 0x28, 0xFF, 0xFF, 0xF1, 0x01, 0x1D});
    EXPECT_EQ(exchange(bytes({0x06})), answer);
    EXPECT_EQ(exchange(bytes({0x15})), bytes({0x01})) << "answer refused: start again";
    EXPECT_EQ(exchange(bytes({0x06})), answer);
    EXPECT_EQ(exchange(bytes({0x06})), QByteArray());
    // A PC that never acknowledges again: the partner gives up after its retries.
    exchange(bytes({0x01}));
    exchange(bytes({0x02, 0x06, 0x28, 0xFF, 0xFF, 0xF1, 0x00, 0x1C}));
    heard.clear();
    time.runUntilIdle();
    EXPECT_EQ(heard, QByteArray(FramedPartner::RetryLimit, 0x01));
}

}  // namespace
