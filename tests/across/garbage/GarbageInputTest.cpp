// Random bytes where the line or a file should have delivered sense: the
// decoders and the stand-in must neither crash nor break their own framing.

#include "monitor/ControllerInfo.h"
#include "monitor/FaultRecord.h"
#include "monitor/MonitorCodes.h"
#include "protocol/Line401Bytes.h"
#include "sim/CommandSet.h"
#include "sim/Installation.h"
#include "sim/Line401Partner.h"

#include "core/Bytes.h"
#include "core/Timer.h"
#include "comlink/SerialLine.h"

#include <gtest/gtest.h>

#include <random>

namespace {

std::string what(const sim::RoutedTelegram &request, const QByteArray &answer)
{
    return (core::hexText(request.telegram) + QStringLiteral(" -> ") + core::hexText(answer)).toStdString();
}

QByteArray randomBytes(std::mt19937 &random, int maxLength)
{
    QByteArray out(int(random() % quint32(maxLength + 1)), '\0');
    for (char &c : out) c = char(random() & 0xFF);
    return out;
}

TEST(GarbageInput, MonitorDecodersKeepTheirShapeOnAnyAnswer)
{
    std::mt19937 random(7);
    monitor::FaultTextFile noTexts;
    for (int round = 0; round < 5000; ++round) {
        const QByteArray answer = randomBytes(random, 40);
        EXPECT_LE(monitor::printableTextAnswer(answer).size(), 15);
        const monitor::FaultRecordText fault = monitor::formatFaultRecord(answer, noTexts);
        EXPECT_EQ(fault.timeStamp.size(), 19) << core::hexText(answer).toStdString();  // " hh:mm:ss  dd.MM.yy"
        EXPECT_FALSE(monitor::tripCounterText(answer).isEmpty());
        EXPECT_FALSE(monitor::operatingHoursText(answer).isEmpty());
        EXPECT_FALSE(monitor::groupAddressText(answer).isEmpty());
    }
}

// Whatever the stand-in answers, the PC can frame it: a marker F1..FF whose
// low four bits give the number of bytes that follow.
TEST(GarbageInput, StandInAnswersAnyTelegramInAFrameThePcCanRead)
{
    core::VirtualTime time;
    sim::Installation installation(time, {.lifts = 2, .floors = 12, .seed = 3});
    sim::CommandSet commands(installation);
    std::mt19937 random(11);
    int answered = 0;
    for (int i = 0; i < 20000; ++i) {
        // A request byte the controller knows more often than pure noise would give.
        QByteArray telegram = randomBytes(random, 15);
        telegram.prepend(char(random() % 0x70));
        telegram.prepend(char(0xF0 + qMin(int(telegram.size()), 15)));  // the marker counts what follows
        const std::optional<int> lift = random() % 3 == 0 ? std::optional<int>(int(random() % 4)) : std::nullopt;
        const sim::RoutedTelegram request{lift, telegram};
        const std::optional<QByteArray> answer = commands.answer(request);
        if (!answer) {
            time.advance(sim::CommandSet::RestartMs);  // it may have been a reset
            continue;
        }
        ++answered;
        time.advance(10);
        const quint8 marker = core::byteAt(*answer, 0);
        ASSERT_GE(marker, 0xF1) << what(request, *answer);
        ASSERT_EQ(answer->size(), (marker & 0x0F) + 1) << what(request, *answer);
    }
    EXPECT_GT(answered, 100);
}

// After any noise the reset byte brings both ends of the 401 line back.
TEST(GarbageInput, StandInAnswersTheResetByteAfterAnyNoise)
{
    core::VirtualTime time;
    sim::Installation installation(time, {});
    sim::CommandSet commands(installation);
    auto [pc, controller] = comlink::MemorySerialLine::createPair();
    controller->open(QStringLiteral("controller"));
    sim::Line401Partner partner(*controller, time, commands);
    std::mt19937 random(13);
    for (int round = 0; round < 200; ++round) {
        for (int i = 0; i < 100; ++i) partner.respond(quint8(random() & 0xFF));
        time.advance(sim::CommandSet::RestartMs);  // a reset among the noise has passed
        ASSERT_EQ(partner.respond(protocol::line401::ResetByte), protocol::line401::ResetByte);
        EXPECT_EQ(partner.respond(protocol::line401::IdleByte) & protocol::line401::IdleBit,
                  protocol::line401::IdleBit);
    }
}

}  // namespace
