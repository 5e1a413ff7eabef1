#include "SessionRig.h"

#include <gtest/gtest.h>

namespace {

// A modem session dialled with the usual hooks of the panel.
struct DialRig : SessionRig {
    DialRig()
    {
        modem.DialNumber = "07111234";
        modem.SessionEndedHook = [this] { journal << "ended"; };
        modem.PartnerHook = [this](const QString &name) { journal << "partner " + name; };
        modem.AnswerHook = [this] { journal << "answer"; };
    }
};

TEST(TModemDial, CountsDownFortyFiveSecondsOnTheGaugeThenHangsUp)
{
    DialRig rig;
    ASSERT_TRUE(rig.modem.SessionDial(rig.modem.DialNumber));
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

TEST(TModemDial, PartnerAfterThreeSecondsEndsTheWaitAtTheNextTick)
{
    DialRig rig;
    rig.modem.SessionDial(rig.modem.DialNumber);
    rig.time.advance(3000);
    rig.linked("AB1");
    EXPECT_TRUE(rig.modem.Connected);
    rig.time.advance(99);
    EXPECT_TRUE(rig.modem.waitRunning());
    rig.time.advance(1);
    EXPECT_FALSE(rig.modem.waitRunning());
    EXPECT_EQ(rig.journal, QStringList({"dial 07111234", "partner AB1", "answer"}));
    EXPECT_EQ(rig.modem.PartnerText, "AB1");
    EXPECT_TRUE(rig.modem.LinkedPending);
}

TEST(TModemDial, CarrierLostWhileLinkedEndsTheSession)
{
    DialRig rig;
    rig.modem.SessionDial(rig.modem.DialNumber);
    rig.modem.ConnectChange(false);  // during the wait: the dial's own ending decides
    rig.linked("AB1");
    rig.time.advance(100);
    rig.modem.ConnectChange(true);
    EXPECT_EQ(rig.only("ended|hangup").size(), 0);
    rig.modem.ConnectChange(false);
    EXPECT_FALSE(rig.modem.Connected);
    EXPECT_EQ(rig.only("hangup|ended"), QStringList({"hangup", "ended"}));
    rig.modem.ConnectChange(false);
    EXPECT_EQ(rig.only("ended").size(), 1);
}

TEST(TModemDial, ErrorsEndTheSessionAtOnceAndKeepTheirText)
{
    for (const QString text : {"port>Modem Connect Fehler", "MST.SYNC FAILED", "BUSY", "NO CARRIER", "NO DIALTONE"}) {
        SCOPED_TRACE(text.toStdString());
        DialRig rig;
        rig.modem.SessionDial(rig.modem.DialNumber);
        rig.time.advance(2000);
        rig.dialError(text);
        EXPECT_FALSE(rig.modem.waitRunning());
        EXPECT_FALSE(rig.modem.Connected);
        EXPECT_EQ(rig.modem.DialErrorText, text);
        EXPECT_EQ(rig.journal, QStringList({"dial 07111234", "debug mst_main> " + text, "hangup", "ended", "answer"}));
    }
}

TEST(TModemDial, ErrorInsideDialDoesNotWaitForTheTimeOut)
{
    DialRig rig;
    rig.errorInsideDial = "port>Modem Connect Fehler";
    EXPECT_TRUE(rig.modem.SessionDial(rig.modem.DialNumber));
    EXPECT_FALSE(rig.modem.waitRunning());
    EXPECT_EQ(rig.only("hangup|ended|answer"), QStringList({"hangup", "ended", "answer"}));
}

TEST(TModemDial, RefusedInDataModeLeavesTheStandingConnectionAlone)
{
    DialRig rig;
    rig.refusesDial = true;
    rig.connected = true;
    EXPECT_FALSE(rig.modem.SessionDial(rig.modem.DialNumber));
    EXPECT_FALSE(rig.modem.waitRunning());
    rig.time.advance(60000);
    EXPECT_EQ(rig.journal, QStringList({"dial 07111234"}));
}

TEST(TModemDial, HangUpDuringTheWaitEndsItAtTheNextTick)
{
    DialRig rig;
    rig.modem.MonitorHalt = [&rig] { rig.journal << "monitorhalt"; };
    rig.modem.SessionDial(rig.modem.DialNumber);
    rig.time.advance(5050);
    rig.modem.SessionHangUp();
    EXPECT_EQ(rig.modem.waitTicks(), 1);
    rig.time.advance(50);
    EXPECT_EQ(rig.journal, QStringList({"dial 07111234", "debug mst_main> halt", "monitorhalt", "hangup", "hangup",
                                        "ended", "answer"}));
}

TEST(TModemDial, HangUpRightAfterThePartnerArrivedDoesNotReportIt)
{
    DialRig rig;
    rig.modem.SessionDial(rig.modem.DialNumber);
    rig.time.advance(2050);
    rig.linked("AB1");
    rig.modem.SessionHangUp();
    rig.time.advance(50);
    EXPECT_FALSE(rig.only("partner").size());
    EXPECT_EQ(rig.only("ended").size(), 1);
    rig.modem.ConnectChange(false);  // the carrier drops after the hang-up
    EXPECT_EQ(rig.only("ended").size(), 1);
}

TEST(TModemDial, OddTimeOutsFallBackToSaneOnes)
{
    const struct {
        int configured;
        int ticks;
    } cases[] = {{45, 450}, {1, 10}, {0, 450}, {-3, 450}, {100000, 36000}};
    for (const auto &c : cases) {
        DialRig rig;
        rig.modem.DialTimeout = c.configured;
        rig.modem.SessionDial("1");
        EXPECT_EQ(rig.gaugeMax, c.ticks) << c.configured;
    }
}

TEST(TModemCommand, SpeakerOffSendsTheCommandAndWaitsOneSecond)
{
    DialRig rig;
    rig.modem.SetSpeaker(false);
    EXPECT_EQ(rig.journal, QStringList({"send ATL0\r"}));
    EXPECT_EQ(rig.timeText, "[1.00 sec]");
    EXPECT_EQ(rig.gaugeMax, 10);
    rig.time.advance(900);
    EXPECT_EQ(rig.journal.size(), 1);
    rig.time.advance(100);
    EXPECT_EQ(rig.journal.last(), "answer");
    rig.modem.SetSpeaker(true);
    EXPECT_EQ(rig.journal.last(), "send ATL2\r");
}

struct InitRig : SessionRig {
    InitRig()
    {
        modem.ComPort = 2;
        modem.InitSuccessHook = [this](const QString &t) { journal << "success " + t; };
        modem.InitFailureHook = [this] { journal << "failure"; };
    }
};

TEST(TModemInit, ReadyTextMeansSuccessAndSetsModemReady)
{
    InitRig rig;
    rig.modem.SessionInit();
    EXPECT_EQ(rig.journal, QStringList({"open 2", "testinit"}));
    rig.ready("COM2/19200/8N1/MODEM");
    EXPECT_EQ(rig.journal.last(), "success COM2/19200/8N1/MODEM");
    EXPECT_TRUE(rig.modem.ModemReady);
    EXPECT_FALSE(rig.modem.InitSuccessHook);
    EXPECT_FALSE(rig.modem.InitFailureHook);
    // A second answer of the same init changes nothing.
    rig.ready(QString());
    EXPECT_TRUE(rig.modem.ModemReady);
}

TEST(TModemInit, FailuresReachTheFailureHook)
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
        {"modem never answers", [](InitRig &) {}, [](InitRig &r) { r.time.advance(shell::TModem::InitTimeoutMs); },
         {"open 2", "testinit", "failure"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        InitRig rig;
        c.arrange(rig);
        rig.modem.SessionInit();
        c.act(rig);
        EXPECT_EQ(rig.journal, c.expected);
        EXPECT_FALSE(rig.modem.ModemReady);
    }
}

TEST(TModemInit, StandingConnectionIsHungUpFirst)
{
    InitRig rig;
    rig.connected = true;
    rig.modem.SessionInit();
    EXPECT_EQ(rig.journal, QStringList({"open 2", "hangup", "testinit"}));
}

TEST(TModemInit, LateReadyAfterTheTimeOutIsIgnored)
{
    InitRig rig;
    rig.modem.SessionInit();
    rig.time.advance(shell::TModem::InitTimeoutMs);
    rig.modem.InitSuccessHook = [&rig](const QString &) { rig.journal << "late success"; };
    rig.ready("COM2/19200/8N1/MODEM");
    EXPECT_FALSE(rig.only("late").size());
    EXPECT_FALSE(rig.modem.ModemReady);
}

TEST(TModemDialNumber, InputDialogueEditsOnlyWhenConfirmed)
{
    SessionRig rig;
    rig.modem.DialNumber = "0711";
    EXPECT_FALSE(rig.modem.AskDialNumber());  // no dialogue at all
    QString caption, prompt;
    bool confirm = false;
    rig.modem.InputQuery = [&](const QString &c, const QString &p, QString &text) {
        caption = c;
        prompt = p;
        text = "0899";
        return confirm;
    };
    EXPECT_FALSE(rig.modem.AskDialNumber());
    EXPECT_EQ(rig.modem.DialNumber, "0711");
    EXPECT_EQ(caption, "dial");
    EXPECT_EQ(prompt, "test");
    confirm = true;
    EXPECT_TRUE(rig.modem.AskDialNumber());
    EXPECT_EQ(rig.modem.DialNumber, "0899");
}

TEST(TModemStop, StopSequenceRunsInOrderAndHaltsOnce)
{
    SessionRig rig;
    rig.modem.ModemReady = true;
    rig.modem.Closing = true;
    const auto logTo = [&rig](const QString &t) { rig.journal << "log " + t; };
    rig.modem.StopMst(logTo);
    EXPECT_TRUE(rig.modem.FCanClose);
    rig.modem.SessionHalt(logTo);
    rig.modem.SessionHalt(logTo);
    const QStringList stop = {"log StopMst/modem.hangup", "hangup", "log StopMst/leds.unlink", "hideleds",
                              "log StopMst/mst.panel.unlink", "closepanel", "log StopMst/FCanClose:=True"};
    EXPECT_EQ(rig.journal, stop + stop + QStringList({"transferhalt", "close"}));
    EXPECT_TRUE(rig.modem.Halted);
}

TEST(TModemStop, StopWithoutModemOrClosingDoesNothingVisible)
{
    SessionRig rig;
    rig.modem.StopMst([&rig](const QString &t) { rig.journal << t; });
    EXPECT_TRUE(rig.journal.isEmpty());
    EXPECT_FALSE(rig.modem.FCanClose);
    EXPECT_FALSE(rig.modem.CloseRequest());
}

TEST(TModemStop, CloseRequestLogsStopToDebugAndHaltToTheLog)
{
    SessionRig rig;
    rig.modem.ModemReady = true;
    rig.modem.Closing = true;
    rig.modem.StopMst(nullptr);
    rig.journal.clear();
    EXPECT_TRUE(rig.modem.CloseRequest());
    EXPECT_EQ(rig.journal.first(), "debug StopMst/modem.hangup");
    EXPECT_TRUE(rig.journal.contains("write StopMst/FCanClose:=True"));
    EXPECT_EQ(rig.journal.last(), "close");
}

TEST(TModemStop, HaltDuringADialWaitStopsTheCountDown)
{
    DialRig rig;
    rig.modem.SessionDial("1");
    rig.modem.SessionHalt(nullptr);
    rig.time.advance(60000);
    EXPECT_FALSE(rig.only("ended").size());
}

}  // namespace
