// Once "QRx-2" is chosen, every part of the program reaches lift 2 and only
// lift 2: each request goes behind F0 10 70 02, and what a request changes
// changes at lift 2 alone.

#include "ProgramParts.h"

#include "core/Bytes.h"

#include <gtest/gtest.h>

namespace {

constexpr int Chosen = 2;
const QByteArray ChosenPrefix = core::bytes({0xF0, 0x10, 0x70, Chosen});

struct Sender {
    const char *name;
    std::function<void(ProgramParts &)> ask;
    std::function<bool(ProgramParts &)> answered;
    // What the request changed at the stand-in, or what its answer says of lift 2.
    std::function<void(ProgramParts &)> check;
};

// A parameter set unlike any lift's: the lift's own with a changed byte.
QByteArray otherImage(ProgramParts &p)
{
    QByteArray image = p.link.installation.systemModule(Chosen)->image();
    image[100] = char(quint8(image[100]) ^ 0x5A);
    return image;
}

const Sender Senders[] = {
    {"monitor poll", [](ProgramParts &p) { p.startMonitor(); }, [](ProgramParts &p) { return p.everySlotAnswered(); },
     nullptr},
    {"command library",
     [](ProgramParts &p) { p.library.getInstallationCode([&p](const QString &t) { p.eepromStep = t; }); },
     [](ProgramParts &p) { return !p.eepromStep.isEmpty(); },
     [](ProgramParts &p) { EXPECT_EQ(p.eepromStep.trimmed(), ProgramParts::text(p.lift(Chosen).identity())); }},
    {"fault log read", [](ProgramParts &p) { p.faultLog.fetchFaultLog([&p](const QString &t) { p.transferEnd = t; }); },
     [](ProgramParts &p) { return !p.transferEnd.isEmpty(); },
     [](ProgramParts &p) {
         EXPECT_EQ(p.transferEnd, " OK");
         const QString code = ProgramParts::text(p.lift(Chosen).identity());
         EXPECT_TRUE(p.faultLog.lines().contains(" Anlagen-Kennung: " + code)) << p.faultLog.lines().join('\n').toStdString();
         EXPECT_TRUE(p.faultLog.lines().contains(QStringLiteral(" %1 gespeichert").arg(p.lift(Chosen).faults().size())));
     }},
    {"statistics", [](ProgramParts &p) { p.statistics.searchIdentifier(0, [](const QString &) {}); },
     [](ProgramParts &p) { return !p.statistics.busy(); }, nullptr},
    {"EEPROM dump", [](ProgramParts &p) { p.eeprom.start(10); },  // the identity area
     [](ProgramParts &p) { return !p.eepromLines.isEmpty(); },
     [](ProgramParts &p) {
         const QByteArray id = p.lift(Chosen).memory().mid(sim::Lift::IdentityAddress, 16);
         ASSERT_EQ(p.eepromLines.size(), 2);
         EXPECT_TRUE(p.eepromLines[1].startsWith(monitor::eepromDumpLine(0, id))) << p.eepromLines[1].toStdString();
     }},
    {"ports", [](ProgramParts &p) { p.ports.readPorts(); }, [](ProgramParts &p) { return p.portReadings > 0; }, nullptr},
    {"parameter set written",
     [](ProgramParts &p) {
         ASSERT_TRUE(p.image.setImageData(otherImage(p)));
         p.startTransfer(true);
     },
     [](ProgramParts &p) { return !p.transferEnd.isEmpty() && !p.transfer.running(); },
     [](ProgramParts &p) {
         EXPECT_FALSE(p.transferEnd.startsWith("failed")) << p.transferEnd.toStdString();
         EXPECT_EQ(p.link.installation.systemModule(Chosen)->image(), p.image.imageData());
     }},
    {"display mirror and key",
     [](ProgramParts &p) {
         p.mirror.makeReady();
         p.mirror.pollStep();
         p.mirror.keyPress(panels::DisplayMirror::RightKey);
     },
     [](ProgramParts &p) { return p.mirrorAnswers > 0 && p.link.queue.count() == 0; },
     [](ProgramParts &p) { EXPECT_EQ(p.link.commands.display(Chosen).page(), sim::LiftDisplay::FaultPage); }},
    {"test trip", [](ProgramParts &p) { p.commands.testTrips(monitor::SingleCommands::TripsSequence); },
     [](ProgramParts &p) { return p.link.queue.count() == 0; },
     [](ProgramParts &p) { EXPECT_EQ(p.lift(Chosen).testTrips(), sim::Lift::TestTrips::Sequence); }},
    {"F100", [](ProgramParts &p) { p.commands.zblTest([&p](const QString &hex) { p.eepromStep = hex; }); },
     [](ProgramParts &p) { return !p.eepromStep.isEmpty(); },
     [](ProgramParts &p) { EXPECT_EQ(p.eepromStep, "F101"); }},
    {"++", [](ProgramParts &p) { p.commands.burst([&p] { ++p.portReadings; }); },
     [](ProgramParts &p) { return p.portReadings == monitor::SingleCommands::BurstCount; }, nullptr},
    {"line driver button", [](ProgramParts &p) { p.link.line.askF100(); },
     [](ProgramParts &p) { return p.link.line.view().qrxReturn == "F101"; }, nullptr},
};

TEST(ChannelRouting, EverySenderReachesTheChosenLiftOnly)
{
    for (const Sender &sender : Senders) {
        SCOPED_TRACE(sender.name);
        ProgramParts p;
        ASSERT_TRUE(p.start());
        std::array<QByteArray, ProgramParts::Lifts> images;
        for (int i = 0; i < ProgramParts::Lifts; ++i) images[size_t(i)] = p.link.installation.systemModule(i)->image();
        p.link.channel.setMember(Chosen);
        p.queued.clear();

        sender.ask(p);
        ASSERT_TRUE(p.runUntil([&] { return sender.answered(p); })) << p.queued.size() << " requests queued";
        ASSERT_FALSE(p.queued.isEmpty());
        for (const QByteArray &t : p.queued) EXPECT_TRUE(t.startsWith(ChosenPrefix)) << qPrintable(core::hexText(t));
        if (sender.check) sender.check(p);

        // The other lifts kept what they had.
        for (int other : {0, 1, 3}) {
            SCOPED_TRACE(other);
            EXPECT_EQ(p.link.installation.systemModule(other)->image(), images[size_t(other)]);
            EXPECT_EQ(p.link.commands.display(other).page(), sim::LiftDisplay::StatusPage);
            EXPECT_EQ(p.lift(other).testTrips(), sim::Lift::TestTrips::Off);
        }
    }
}

// The lifts' texts differ, so a text from the wrong lift would show.
TEST(ChannelRouting, TheLiftsTellThemselvesApart)
{
    ProgramParts p;
    for (int other : {0, 1, 3}) EXPECT_NE(p.lift(other).identity(), p.lift(Chosen).identity()) << other;
}

// A member chosen while a parameter set is being written does not get the
// rest of it: the whole set lands on the lift it started with.
TEST(ChannelRouting, AMemberChosenMidTransferDoesNotReRouteIt)
{
    ProgramParts p;
    ASSERT_TRUE(p.start());
    const QByteArray lift1 = p.link.installation.systemModule(1)->image();
    p.link.channel.setMember(Chosen);
    ASSERT_TRUE(p.image.setImageData(otherImage(p)));
    p.startTransfer(true);
    ASSERT_TRUE(p.runUntil([&] { return p.queued.size() > 10; }));
    QList<int> changes;
    QObject::connect(&p.link.channel, &protocol::ControllerChannel::memberChanged, [&](int m) { changes << m; });
    p.link.channel.setMember(1);
    EXPECT_EQ(changes, QList<int>{1});
    ASSERT_TRUE(p.runUntil([&] { return !p.transferEnd.isEmpty() && !p.transfer.running(); }));
    EXPECT_FALSE(p.transferEnd.startsWith("failed")) << p.transferEnd.toStdString();
    EXPECT_EQ(p.link.installation.systemModule(Chosen)->image(), p.image.imageData());
    EXPECT_EQ(p.link.installation.systemModule(1)->image(), lift1);
    // A request of any sender after the switch goes to the new member.
    p.queued.clear();
    p.commands.searchTrip();
    EXPECT_EQ(p.queued, QList<QByteArray>{core::bytes({0xF0, 0x10, 0x70, 0x01, 0xF1, 0x23})});
}

}  // namespace
