#include "SessionRig.h"

#include <gtest/gtest.h>

namespace {

// A modem session dialled with the usual hooks of the panel.
struct DialRig : SessionRig {
    DialRig()
    {
        modem.setDialNumber("07111234");
        QObject::connect(&modem, &session::RemoteSession::sessionEnded, [this] { journal << "ended"; });
        QObject::connect(&modem, &session::RemoteSession::partnerLinked, [this](const QString &name) { journal << "partner " + name; });
        QObject::connect(&modem, &session::RemoteSession::waitEnded, [this] { journal << "answer"; });
    }
};

TEST(RemoteSessionDial, CountsDownFortyFiveSecondsOnTheGaugeThenHangsUp)
{
    DialRig rig;
    ASSERT_TRUE(rig.modem.sessionDial(rig.modem.dialNumber()));
    EXPECT_EQ(rig.timeText, "[45.00 sec]");
    EXPECT_EQ(rig.gaugeMax, 450);
    EXPECT_EQ(rig.modem.waitTicks(), 450);

    rig.time.advance(100);
    EXPECT_EQ(rig.gaugePosition, 449);
    rig.time.advance(44800);
    EXPECT_EQ(rig.gaugePosition, 1);
    EXPECT_TRUE(rig.modem.waitRunning());
    EXPECT_EQ(rig.journal, QStringList({"dial 07111234"}));

    rig.time.advance(100);
    EXPECT_FALSE(rig.modem.waitRunning());
    EXPECT_EQ(rig.gaugePosition, 0);
    // Done procedure first (hang-up, session ended), then the answer hook.
    EXPECT_EQ(rig.journal, QStringList({"dial 07111234", "hangup", "ended", "answer"}));
    rig.time.advance(10000);
    EXPECT_EQ(rig.journal.size(), 4);
}

TEST(RemoteSessionDial, PartnerAfterThreeSecondsEndsTheWaitAtTheNextTick)
{
    DialRig rig;
    rig.modem.sessionDial(rig.modem.dialNumber());
    rig.time.advance(3000);
    rig.linked("AB1");
    EXPECT_TRUE(rig.modem.connected());
    rig.time.advance(99);
    EXPECT_TRUE(rig.modem.waitRunning());
    rig.time.advance(1);
    EXPECT_FALSE(rig.modem.waitRunning());
    EXPECT_EQ(rig.journal, QStringList({"dial 07111234", "partner AB1", "answer"}));
    EXPECT_EQ(rig.modem.partnerText(), "AB1");
    EXPECT_TRUE(rig.modem.linkedPending());
}

TEST(RemoteSessionDial, CarrierLostWhileLinkedEndsTheSession)
{
    DialRig rig;
    rig.modem.sessionDial(rig.modem.dialNumber());
    rig.modem.connectChange(false);  // during the wait: the dial's own ending decides
    rig.linked("AB1");
    rig.time.advance(100);
    rig.modem.connectChange(true);
    EXPECT_EQ(rig.only("ended|hangup").size(), 0);
    rig.modem.connectChange(false);
    EXPECT_FALSE(rig.modem.connected());
    EXPECT_EQ(rig.only("hangup|ended"), QStringList({"hangup", "ended"}));
    rig.modem.connectChange(false);
    EXPECT_EQ(rig.only("ended").size(), 1);
}

TEST(RemoteSessionDial, ErrorsEndTheSessionAtOnceAndKeepTheirText)
{
    for (const QString text : {"port>Modem Connect Fehler", "MST.SYNC FAILED", "BUSY", "NO CARRIER", "NO DIALTONE"}) {
        SCOPED_TRACE(text.toStdString());
        DialRig rig;
        rig.modem.sessionDial(rig.modem.dialNumber());
        rig.time.advance(2000);
        rig.dialError(text);
        EXPECT_FALSE(rig.modem.waitRunning());
        EXPECT_FALSE(rig.modem.connected());
        EXPECT_EQ(rig.modem.dialErrorText(), text);
        EXPECT_EQ(rig.journal, QStringList({"dial 07111234", "debug mst_main> " + text, "hangup", "ended", "answer"}));
    }
}

TEST(RemoteSessionDial, ErrorInsideDialDoesNotWaitForTheTimeOut)
{
    DialRig rig;
    rig.errorInsideDial = "port>Modem Connect Fehler";
    EXPECT_TRUE(rig.modem.sessionDial(rig.modem.dialNumber()));
    EXPECT_FALSE(rig.modem.waitRunning());
    EXPECT_EQ(rig.only("hangup|ended|answer"), QStringList({"hangup", "ended", "answer"}));
}

TEST(RemoteSessionDial, RefusedInDataModeLeavesTheStandingConnectionAlone)
{
    DialRig rig;
    rig.refusesDial = true;
    rig.connected = true;
    EXPECT_FALSE(rig.modem.sessionDial(rig.modem.dialNumber()));
    EXPECT_FALSE(rig.modem.waitRunning());
    rig.time.advance(60000);
    EXPECT_EQ(rig.journal, QStringList({"dial 07111234"}));
}

TEST(RemoteSessionDial, HangUpDuringTheWaitEndsItAtTheNextTick)
{
    DialRig rig;
    QObject::connect(&rig.modem, &session::RemoteSession::hangingUp, [&rig] { rig.journal << "monitorhalt"; });
    rig.modem.sessionDial(rig.modem.dialNumber());
    rig.time.advance(5050);
    rig.modem.sessionHangUp();
    EXPECT_EQ(rig.modem.waitTicks(), 1);
    rig.time.advance(50);
    EXPECT_EQ(rig.journal, QStringList({"dial 07111234", "debug mst_main> halt", "monitorhalt", "hangup", "hangup",
                                        "ended", "answer"}));
}

TEST(RemoteSessionDial, HangUpRightAfterThePartnerArrivedDoesNotReportIt)
{
    DialRig rig;
    rig.modem.sessionDial(rig.modem.dialNumber());
    rig.time.advance(2050);
    rig.linked("AB1");
    rig.modem.sessionHangUp();
    rig.time.advance(50);
    EXPECT_FALSE(rig.only("partner").size());
    EXPECT_EQ(rig.only("ended").size(), 1);
    rig.modem.connectChange(false);  // the carrier drops after the hang-up
    EXPECT_EQ(rig.only("ended").size(), 1);
}

TEST(RemoteSessionDial, OddTimeOutsFallBackToSaneOnes)
{
    const struct {
        int configured;
        int ticks;
    } cases[] = {{45, 450}, {1, 10}, {0, 450}, {-3, 450}, {100000, 36000}};
    for (const auto &c : cases) {
        DialRig rig;
        rig.modem.setDialTimeout(c.configured);
        rig.modem.sessionDial("1");
        EXPECT_EQ(rig.gaugeMax, c.ticks) << c.configured;
    }
}

TEST(RemoteSessionCommand, SpeakerOffSendsTheCommandAndWaitsOneSecond)
{
    DialRig rig;
    rig.modem.setSpeaker(false);
    EXPECT_EQ(rig.journal, QStringList({"send ATL0\r"}));
    EXPECT_EQ(rig.timeText, "[1.00 sec]");
    EXPECT_EQ(rig.gaugeMax, 10);
    rig.time.advance(900);
    EXPECT_EQ(rig.journal.size(), 1);
    rig.time.advance(100);
    EXPECT_EQ(rig.journal.last(), "answer");
    rig.modem.setSpeaker(true);
    EXPECT_EQ(rig.journal.last(), "send ATL2\r");
}

struct InitRig : SessionRig {
    InitRig()
    {
        modem.setComPort(2);
        QObject::connect(&modem, &session::RemoteSession::initSucceeded, [this](const QString &t) { journal << "success " + t; });
        QObject::connect(&modem, &session::RemoteSession::initFailed, [this] { journal << "failure"; });
    }
};

TEST(RemoteSessionInit, ReadyTextMeansSuccessAndSetsModemReady)
{
    InitRig rig;
    rig.modem.sessionInit();
    EXPECT_EQ(rig.journal, QStringList({"open 2", "testinit"}));
    rig.ready("COM2/19200/8N1/MODEM");
    EXPECT_EQ(rig.journal.last(), "success COM2/19200/8N1/MODEM");
    EXPECT_TRUE(rig.modem.modemReady());
    // A second answer of the same init changes nothing: one outcome per init.
    rig.ready(QString());
    EXPECT_TRUE(rig.modem.modemReady());
    EXPECT_EQ(rig.only("success|failure").size(), 1);
}

TEST(RemoteSessionInit, FailuresReachTheFailureHook)
{
    struct Case {
        const char *name;
        std::function<void(InitRig &)> arrange;
        std::function<void(InitRig &)> act;
        QStringList expected;
    } cases[] = {
        {"modem test failed", [](InitRig &) {}, [](InitRig &r) { r.ready(QString()); },
         {"open 2", "testinit", "failure"}},
        {"port does not open", [](InitRig &r) { r.opens = false; }, [](InitRig &) {}, {"open 2", "failure"}},
        {"connection persists", [](InitRig &r) { r.connected = true; r.dropsOnHangUp = false; }, [](InitRig &) {},
         {"open 2", "hangup", "failure"}},
        {"modem never answers", [](InitRig &) {}, [](InitRig &r) { r.time.advance(session::RemoteSession::InitTimeoutMs); },
         {"open 2", "testinit", "failure"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        InitRig rig;
        c.arrange(rig);
        rig.modem.sessionInit();
        c.act(rig);
        EXPECT_EQ(rig.journal, c.expected);
        EXPECT_FALSE(rig.modem.modemReady());
    }
}

TEST(RemoteSessionInit, StandingConnectionIsHungUpFirst)
{
    InitRig rig;
    rig.connected = true;
    rig.modem.sessionInit();
    EXPECT_EQ(rig.journal, QStringList({"open 2", "hangup", "testinit"}));
}

TEST(RemoteSessionInit, LateReadyAfterTheTimeOutIsIgnored)
{
    InitRig rig;
    rig.modem.sessionInit();
    rig.time.advance(session::RemoteSession::InitTimeoutMs);
    QObject::connect(&rig.modem, &session::RemoteSession::initSucceeded, [&rig](const QString &) { rig.journal << "late success"; });
    rig.ready("COM2/19200/8N1/MODEM");
    EXPECT_FALSE(rig.only("late").size());
    EXPECT_FALSE(rig.modem.modemReady());
}

TEST(RemoteSessionDialNumber, InputDialogueEditsOnlyWhenConfirmed)
{
    SessionRig rig;
    rig.modem.setDialNumber("0711");
    EXPECT_FALSE(rig.modem.askDialNumber());  // no dialogue at all
    QString caption, prompt;
    bool confirm = false;
    rig.modem.inputQuery = [&](const QString &c, const QString &p, QString &text) {
        caption = c;
        prompt = p;
        text = "0899";
        return confirm;
    };
    EXPECT_FALSE(rig.modem.askDialNumber());
    EXPECT_EQ(rig.modem.dialNumber(), "0711");
    EXPECT_EQ(caption, "dial");
    EXPECT_EQ(prompt, "test");
    confirm = true;
    EXPECT_TRUE(rig.modem.askDialNumber());
    EXPECT_EQ(rig.modem.dialNumber(), "0899");
}

TEST(RemoteSessionStop, StopSequenceRunsInOrderAndHaltsOnce)
{
    SessionRig rig;
    rig.modem.setModemReady(true);
    rig.modem.setClosing(true);
    const auto logTo = [&rig](const QString &t) { rig.journal << "log " + t; };
    rig.modem.stopMst(logTo);
    EXPECT_TRUE(rig.modem.canClose());
    rig.modem.sessionHalt(logTo);
    rig.modem.sessionHalt(logTo);
    const QStringList stop = {"log StopMst/modem.hangup", "hangup", "log StopMst/leds.unlink", "hideleds",
                              "log StopMst/mst.panel.unlink", "closepanel", "log StopMst/FCanClose:=True"};
    EXPECT_EQ(rig.journal, stop + stop + QStringList({"transferhalt", "close"}));
    EXPECT_TRUE(rig.modem.halted());
}

TEST(RemoteSessionStop, StopWithoutModemOrClosingDoesNothingVisible)
{
    SessionRig rig;
    rig.modem.stopMst([&rig](const QString &t) { rig.journal << t; });
    EXPECT_TRUE(rig.journal.isEmpty());
    EXPECT_FALSE(rig.modem.canClose());
    EXPECT_FALSE(rig.modem.closeRequest());
}

TEST(RemoteSessionStop, CloseRequestLogsStopToDebugAndHaltToTheLog)
{
    SessionRig rig;
    rig.modem.setModemReady(true);
    rig.modem.setClosing(true);
    rig.modem.stopMst(nullptr);
    rig.journal.clear();
    EXPECT_TRUE(rig.modem.closeRequest());
    EXPECT_EQ(rig.journal.first(), "debug StopMst/modem.hangup");
    EXPECT_TRUE(rig.journal.contains("write StopMst/FCanClose:=True"));
    EXPECT_EQ(rig.journal.last(), "close");
}

TEST(RemoteSessionStop, HaltDuringADialWaitStopsTheCountDown)
{
    DialRig rig;
    rig.modem.sessionDial("1");
    rig.modem.sessionHalt(nullptr);
    rig.time.advance(60000);
    EXPECT_FALSE(rig.only("ended").size());
}

}  // namespace
