#include "SessionRig.h"

#include "core/Colours.h"
#include "panels/SessionPanel.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using panels::Blink;
using panels::FieldLook;
using panels::SessionPanel;

// Short stand-ins for the language texts; 12 and 15 are missing on purpose.
QString languageText(const QString &section, const QString &ident)
{
    static const std::map<QString, QString> texts = {
        {"1", "Status"}, {"2", "Lautsprecher aus"}, {"3", "wähle"}, {"4", "INIT drücken"},
        {"5", "nicht verbunden"}, {"6", "verbunden mit:"}, {"7", "verbunden"}, {"8", "Modem antwortet nicht"},
        {"9", "Modem wird initialisiert"}, {"10", "Modem nicht bereit"}, {"11", "Modem bereit"},
        {"13", "AUFLEGEN"}, {"14", "Verbindungsaufbau"}};
    if (section != "panel") return QString();
    const auto it = texts.find(ident);
    return it == texts.end() ? ident : it->second;
}

struct PanelRig : SessionRig {
    SessionPanel panel{time, languageText, false};
    bool allowDial = true;

    PanelRig()
    {
        panel.setSession(&modem);
        modem.setDialNumber("0711");
        modem.inputQuery = [this](const QString &, const QString &, QString &) { return allowDial; };
        QObject::connect(&panel, &SessionPanel::linked, [this](const QString &name) { journal << "linkup " + name; });
        QObject::connect(&panel, &SessionPanel::dialling, [this](const QString &t) { journal << "logon " + t; });
        panel.showSessionPanel();
    }

    void initialise()
    {
        panel.requestInit();
        ready("COM1/19200/8N1/MODEM");
    }
};

TEST(SessionPanel, CreationShowsTextsAndOnlyInitIsEnabled)
{
    core::VirtualTime time;
    SessionPanel panel(time, languageText, true);
    EXPECT_EQ(panel.partnerLabel(), "nicht verbunden");
    EXPECT_TRUE(panel.init().enabled);
    EXPECT_FALSE(panel.dial().enabled || panel.hangUp().enabled || panel.speakerOff().enabled);
    EXPECT_TRUE(panel.detailsVisible());
    panel.statusLabelClick();
    EXPECT_FALSE(panel.detailsVisible());
    EXPECT_EQ(panel.text(12), "12");
    SessionPanel bare(time, nullptr, false);
    EXPECT_EQ(bare.text(5), "5");
    EXPECT_EQ(bare.partnerLabel(), "5");
}

TEST(SessionPanel, ShownPanelBlinksInitAndPromptsForIt)
{
    PanelRig rig;
    EXPECT_EQ(rig.panel.status(), "Modem nicht bereit");
    EXPECT_EQ(rig.panel.onlineColour(), core::colour::Red);
    EXPECT_EQ(rig.panel.blink(), Blink::Init);
    EXPECT_EQ(rig.panel.blinkInterval(), 700);
    rig.time.advance(700);
    EXPECT_EQ(rig.panel.initCaption(), "");
    EXPECT_EQ(rig.panel.partnerLabel(), "");
    rig.time.advance(700);
    EXPECT_EQ(rig.panel.initCaption(), "INIT");
    EXPECT_EQ(rig.panel.partnerLabel(), "INIT drücken");
    rig.time.advance(700);
    // Pressing INIT while the caption is blanked brings it back.
    rig.panel.initClick();
    EXPECT_EQ(rig.panel.initCaption(), "INIT");
    EXPECT_FALSE(rig.panel.blinking());
}

TEST(SessionPanel, InitDialLinkAndHangUpThroughTheSession)
{
    PanelRig rig;
    QStringList partnerTexts;
    QObject::connect(&rig.panel, &SessionPanel::statusChanged, [&rig](const QString &t) { rig.journal << "status " + t; });
    QObject::connect(&rig.panel, &SessionPanel::partnerTextChanged, [&partnerTexts](const QString &t) { partnerTexts << t; });
    QObject::connect(&rig.modem, &session::RemoteSession::hangingUp, [&rig] { rig.journal << "monitorhalt"; });

    rig.panel.requestInit();
    EXPECT_EQ(rig.panel.status(), "Modem wird initialisiert");
    EXPECT_TRUE(rig.panel.init().down);
    rig.ready("COM1/19200/8N1/MODEM");
    EXPECT_FALSE(rig.panel.init().enabled || rig.panel.init().down);
    EXPECT_TRUE(rig.panel.dial().enabled && rig.panel.speakerOff().enabled);
    EXPECT_EQ(rig.panel.onlineColour(), core::colour::Green);
    EXPECT_EQ(rig.panel.status(), "Modem bereit");
    EXPECT_EQ(rig.panel.statusLook(), FieldLook::Info);
    EXPECT_EQ(rig.panel.report(), "COM1/19200/8N1/MODEM");
    EXPECT_EQ(rig.panel.blink(), Blink::Idle);
    rig.time.advance(700);
    EXPECT_EQ(rig.panel.partnerLabel(), "");
    rig.time.advance(700);
    EXPECT_EQ(rig.panel.partnerLabel(), "nicht verbunden");

    rig.panel.dialClick();
    EXPECT_EQ(rig.panel.status(), "Verbindungsaufbau");
    EXPECT_FALSE(rig.panel.dial().enabled || rig.panel.speakerOff().enabled);
    EXPECT_TRUE(rig.panel.hangUp().enabled && rig.panel.dial().down);
    EXPECT_EQ(rig.panel.dialText(), "wähle  0711");
    EXPECT_EQ(rig.panel.blink(), Blink::Dialling);
    EXPECT_TRUE(rig.journal.contains("logon wähle  0711"));
    EXPECT_TRUE(rig.journal.contains("dial 0711"));
    rig.time.advance(1400);
    // INIT and the dial click clear it; the blink first blanks the idle text, then shows the number.
    EXPECT_EQ(partnerTexts, QStringList({"", "", "", "wähle  0711"}));

    rig.linked("AB1");
    EXPECT_EQ(rig.panel.status(), "Verbindungsaufbau");
    rig.time.advance(100);
    EXPECT_EQ(rig.panel.partnerLabel(), "verbunden mit: AB1");
    // The status follows the link; the main window, not the status hook, announces it.
    EXPECT_EQ(rig.panel.status(), "verbunden");
    EXPECT_FALSE(rig.journal.contains("status verbunden"));
    EXPECT_EQ(rig.journal.last(), "linkup AB1");
    EXPECT_TRUE(rig.panel.connected());
    EXPECT_FALSE(rig.panel.blinking());
    EXPECT_FALSE(rig.panel.dial().down);

    rig.journal.clear();
    rig.panel.hangUpClick();
    EXPECT_EQ(rig.journal, QStringList({"status AUFLEGEN", "debug mst_main> halt", "monitorhalt", "hangup"}));
    EXPECT_FALSE(rig.panel.hangUp().enabled);
    EXPECT_TRUE(rig.panel.dial().enabled && rig.panel.speakerOff().enabled);
    EXPECT_FALSE(rig.panel.connected());
    EXPECT_EQ(rig.panel.partnerLabel(), "nicht verbunden");
}

TEST(SessionPanel, PartnerWithoutNameShowsTheBareText)
{
    PanelRig rig;
    rig.initialise();
    rig.panel.dialClick();
    rig.linked(QString());
    rig.time.advance(100);
    EXPECT_EQ(rig.panel.partnerLabel(), "verbunden");
}

TEST(SessionPanel, HangUpDuringTheDialWaitEndsTheSession)
{
    PanelRig rig;
    int ended = 0;
    QObject::connect(&rig.panel, &SessionPanel::ended, [&ended] { ++ended; });
    rig.initialise();
    rig.panel.dialClick();
    rig.time.advance(3000);
    rig.panel.hangUpClick();
    EXPECT_EQ(ended, 0);
    rig.time.advance(100);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(rig.panel.dialText(), "nicht verbunden");
    EXPECT_TRUE(rig.panel.blinking());
    EXPECT_FALSE(rig.panel.dial().down);
    EXPECT_TRUE(rig.panel.dial().enabled);
}

TEST(SessionPanel, DialErrorIsShownInTheReport)
{
    PanelRig rig;
    rig.initialise();
    rig.panel.dialClick();
    rig.time.advance(5000);
    rig.dialError("MST.SYNC FAILED");
    EXPECT_EQ(rig.panel.status(), "nicht verbunden");
    EXPECT_EQ(rig.panel.report(), "MST.SYNC FAILED");
    EXPECT_EQ(rig.panel.reportLook(), FieldLook::Error);
    EXPECT_FALSE(rig.panel.hangUp().enabled);
    EXPECT_TRUE(rig.panel.dial().enabled);
}

TEST(SessionPanel, DialTimeOutEndsTheSession)
{
    PanelRig rig;
    rig.initialise();
    rig.panel.dialClick();
    rig.time.advance(44900);
    EXPECT_TRUE(rig.panel.hangUp().enabled);
    rig.time.advance(100);
    EXPECT_FALSE(rig.panel.hangUp().enabled);
    EXPECT_EQ(rig.only("hangup").size(), 1);
    EXPECT_EQ(rig.panel.status(), "nicht verbunden");
    EXPECT_EQ(rig.panel.report(), "COM1/19200/8N1/MODEM");  // no error text for a time-out
}

TEST(SessionPanel, CancelledNumberDialsNothing)
{
    PanelRig rig;
    rig.initialise();
    rig.allowDial = false;
    rig.panel.dialClick();
    EXPECT_FALSE(rig.only("dial").size());
    EXPECT_FALSE(rig.panel.dial().down);
    EXPECT_TRUE(rig.panel.dial().enabled);
    EXPECT_EQ(rig.modem.dialNumber(), "0711");
}

TEST(SessionPanel, AutoDialWaitsForInitThenDialsWithoutAsking)
{
    PanelRig rig;
    rig.allowDial = false;
    rig.panel.autoDial();
    EXPECT_TRUE(rig.panel.autoDialSet());
    EXPECT_FALSE(rig.only("dial").size());
    rig.initialise();
    EXPECT_EQ(rig.only("dial"), QStringList({"dial 0711"}));
    EXPECT_FALSE(rig.panel.autoDialSet());
}

TEST(SessionPanel, InitFailureShowsTheFailureAndAllowsAnotherTry)
{
    PanelRig rig;
    rig.panel.requestInit();
    rig.ready(QString());
    EXPECT_TRUE(rig.panel.init().enabled);
    EXPECT_FALSE(rig.panel.init().down);
    EXPECT_EQ(rig.panel.status(), "Modem antwortet nicht");
    EXPECT_EQ(rig.panel.statusLook(), FieldLook::Error);
    EXPECT_EQ(rig.panel.report(), "Modem antwortet nicht");
    EXPECT_EQ(rig.panel.reportLook(), FieldLook::Error);
    EXPECT_EQ(rig.panel.dialText(), "Modem antwortet nicht");
    EXPECT_EQ(rig.panel.initCaption(), "INIT");
    rig.time.advance(rig.panel.blinkInterval());
    rig.time.advance(rig.panel.blinkInterval());
    EXPECT_EQ(rig.panel.partnerLabel(), "Modem antwortet nicht");

    rig.initialise();
    EXPECT_EQ(rig.panel.statusLook(), FieldLook::Info);
    EXPECT_EQ(rig.panel.reportLook(), FieldLook::Normal);
}

TEST(SessionPanel, SpeakerOffLocksDialUntilTheModemHadItsSecond)
{
    PanelRig rig;
    rig.initialise();
    rig.panel.speakerOffClick();
    EXPECT_FALSE(rig.panel.dial().enabled);
    EXPECT_TRUE(rig.panel.speakerOff().down);
    EXPECT_EQ(rig.journal.last(), "send ATL0\r");
    rig.time.advance(1000);
    EXPECT_TRUE(rig.panel.dial().enabled);
    EXPECT_FALSE(rig.panel.speakerOff().down || rig.panel.speakerOff().enabled);
}

TEST(SessionPanel, DialRefusedWhileLinkedKeepsTheLink)
{
    PanelRig rig;
    rig.initialise();
    rig.panel.dialClick();
    rig.linked("AB1");
    rig.time.advance(100);
    rig.panel.groupBoxClick();
    EXPECT_TRUE(rig.panel.dial().enabled && rig.panel.init().enabled && rig.panel.hangUp().enabled &&
                rig.panel.speakerOff().enabled);
    rig.refusesDial = true;
    rig.panel.dialClick();
    rig.time.advance(60000);
    EXPECT_FALSE(rig.only("hangup").size());
    EXPECT_EQ(rig.panel.partnerLabel(), "verbunden mit: AB1");
    EXPECT_TRUE(rig.panel.connected());
    EXPECT_TRUE(rig.panel.hangUp().enabled);
    EXPECT_FALSE(rig.panel.dial().down);
}

TEST(SessionPanel, HangUpRepeatsWhileThePortStillReportsAConnection)
{
    PanelRig rig;
    rig.initialise();
    rig.connected = true;
    rig.dropsOnHangUp = false;
    rig.journal.clear();
    rig.panel.hangUpClick();
    EXPECT_EQ(rig.only("hangup").size(), 2);
}

TEST(SessionPanel, ClosedPanelLetsGoOfTheSession)
{
    PanelRig rig;
    rig.initialise();
    rig.panel.close();
    EXPECT_TRUE(rig.panel.closed());
    EXPECT_EQ(rig.panel.onlineColour(), core::colour::Red);
    EXPECT_FALSE(rig.panel.blinking());
    // The session's outcomes no longer reach it.
    const QString label = rig.panel.partnerLabel();
    emit rig.modem.partnerLinked("AB1");
    emit rig.modem.sessionEnded();
    emit rig.modem.waitEnded();
    EXPECT_EQ(rig.panel.partnerLabel(), label);
    EXPECT_FALSE(rig.panel.connected());
    EXPECT_EQ(rig.only("linkup").size(), 0);
    EXPECT_FALSE(rig.panel.dialProc);
    EXPECT_FALSE(rig.panel.showSessionPanel());
}

TEST(SessionPanel, HaltStopsTheBlinkAndSaysSo)
{
    PanelRig rig;
    rig.panel.halt();
    EXPECT_FALSE(rig.panel.blinking());
    EXPECT_EQ(rig.journal.last(), "debug mst_panel> halt");
}

}  // namespace
