// The program's monitor pages in-process (real time, offscreen windows) against
// haltron-sim on a pseudo-terminal: the fault list shows the stand-in's log and
// saves what it shows; choosing a group member brings that member's state and shaft.

#include "InProcessProgram.h"

#include "core/Bytes.h"
#include "shell/MainWindow.h"
#include "monitorview/FaultTab.h"
#include "monitorview/IdentityBox.h"
#include "monitorview/InfoTabs.h"
#include "monitorview/MonitorWindow.h"
#include "shaft/ShaftWindow.h"
#include "sim/Installation.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace {

bool spin(const std::function<bool()> &done, int timeoutMs) { return testsupport::waitFor(done, timeoutMs); }

// The stand-in's installation as haltron-sim builds it from the same options.
constexpr int Lifts = 3, Floors = 9, Seed = 21, StoredFaults = 6;

struct AppMonitorTabs : ::testing::Test {
    QTemporaryDir dir;
    core::QtTimerFactory timers;
    std::unique_ptr<runs::SimProcess> sim;
    std::unique_ptr<app::Haltron> haltron;
    core::VirtualTime time;
    sim::Installation twin{time, {.lifts = Lifts, .floors = Floors, .seed = Seed, .storedFaults = StoredFaults}};

    void SetUp() override
    {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        testsupport::testApp<QApplication>();
        const QString link = dir.filePath(QStringLiteral("line"));
        sim = std::make_unique<runs::SimProcess>(
            link, QStringList{"--lifts", QString::number(Lifts), "--floors", QString::number(Floors), "--seed",
                              QString::number(Seed), "--stored-faults", QString::number(StoredFaults)});
        ASSERT_TRUE(sim->start());
        haltron = runs::startProgram(timers, dir, runs::writeMonitorIni(dir, link));
        ASSERT_TRUE(haltron);
        // Greeted, the shaft read, the loop started and the identity through.
        ASSERT_TRUE(spin([this] { return haltron->monitor()->loopStarted() && !code().isEmpty(); }, 30000));
    }
    void TearDown() override { runs::stopProgram(haltron); }

    monitorview::MonitorWindow &window() { return *haltron->monitorWindow(); }
    monitorview::IdentityBox &identity() { return *window().identityBox(); }
    QString code() { return identity().field(monitor::InfoRequest::InstallationCode)->text(); }
    // Waits until shown() gives text, doing action again every few seconds meanwhile: on a
    // busy machine a request may fail on the line, and the user would simply ask again.
    bool retryUntil(const std::function<void()> &action, const std::function<QString()> &shown, const QString &text,
                    int timeoutMs)
    {
        const QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            action();
            if (spin([&] { return shown() == text; }, 4000)) return true;
            if (deadline.hasExpired()) return false;
        }
    }
};

TEST_F(AppMonitorTabs, FaultListShowsTheStandInsLogAndSavesWhatItShows)
{
    monitorview::FaultTab &tab = *haltron->infoTabs()->faultTab();
    const sim::Lift &lift = *twin.lift(0);
    const QString tripLine = QString::fromUtf8(" Fahrtenzähler: ") + QString::number(lift.trips());
    ASSERT_TRUE(retryUntil(
        [&] {
            tab.list()->clear();
            tab.fetchButton()->click();
            spin([&] { return !haltron->monitor()->cycle().held(); }, 20000);  // the fetch gives its hold back
        },
        [&] { return tab.lines().size() == 6 + StoredFaults ? tab.lines().value(0) : QString(); }, tripLine, 90000))
        << tab.lines().join('\n').toStdString();
    const QStringList lines = tab.lines();
    EXPECT_EQ(lines[0], QString::fromUtf8(" Fahrtenzähler: ") + QString::number(lift.trips()));
    EXPECT_EQ(lines[1], " Software-Version: " + QString::fromLatin1(lift.versionText()));
    EXPECT_EQ(lines[2], " Anlagen-Kennung: " + QString::fromLatin1(lift.identity()).remove(QChar(0)));
    EXPECT_TRUE(lines[5].startsWith(QStringLiteral(" %1 ").arg(StoredFaults))) << lines[5].toStdString();
    for (int n = 1; n <= StoredFaults; ++n) {
        const sim::FaultRecord &r = lift.faults()[size_t(StoredFaults - n)];
        const QString number = QStringLiteral(".%1 (%2) ").arg(r.number, 3, 10, QLatin1Char('0')).arg(r.value, 3, 10, QLatin1Char('0'));
        EXPECT_TRUE(lines[5 + n].startsWith(QStringLiteral(" %1 : ").arg(n, 3, 10, QLatin1Char('0')))) << lines[5 + n].toStdString();
        EXPECT_TRUE(lines[5 + n].contains(number)) << lines[5 + n].toStdString() << " " << number.toStdString();
    }

    const QString file = dir.filePath(QStringLiteral("faults.txt"));
    tab.chooseSaveFile = [&](const QString &) { return file; };
    tab.saveButton()->click();
    EXPECT_EQ(runs::readText(file), tab.list()->toPlainText() + QLatin1Char('\n'));
}

TEST_F(AppMonitorTabs, ChoosingAGroupMemberShowsThatMembersStateAndShaft)
{
    const auto groupCaption = [this] { return identity().groupButton()->text(); };
    const auto ask = [this](monitor::InfoRequest request) { return [this, request] { haltron->infoTabs()->requestInfo(request); }; };
    ASSERT_TRUE(retryUntil(ask(monitor::InfoRequest::GroupAddress), groupCaption, "@=[5]", 30000)) << groupCaption().toStdString();
    EXPECT_TRUE(identity().memberButton(0)->isChecked());
    const sim::Lift &member = *twin.lift(1);
    const QString memberCode = QString::fromLatin1(member.identity()).remove(QChar(0));
    ASSERT_NE(code(), memberCode);

    ASSERT_TRUE(retryUntil([this] { identity().memberButton(1)->click(); }, [this] { return code(); }, memberCode, 60000))
        << code().toStdString();
    ASSERT_TRUE(retryUntil(ask(monitor::InfoRequest::GroupAddress), groupCaption, "@=[6]", 30000)) << groupCaption().toStdString();
    EXPECT_TRUE(runs::readText(dir.filePath("logon.log")).contains("verbunden mit " + memberCode));
    QLineEdit *trips = window().valueField(monitor::PollCycle::TripCounter);
    ASSERT_TRUE(spin([&] { return trips->text() == QString::number(member.trips()); }, 10000)) << trips->text().toStdString();

    const shaft::ShaftModel &shaft = haltron->shaftWindow()->model();
    ASSERT_EQ(shaft.topFloor(), member.topFloor());
    for (int f = 0; f <= member.topFloor(); ++f) {
        bool sideB = false;
        for (int kind = 0; kind < 3; ++kind) sideB |= shaft.buttons(f).at(1, kind).visible;
        EXPECT_EQ(sideB, member.hasSideB(f)) << "floor " << f;
    }
}

}  // namespace
