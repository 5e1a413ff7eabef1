#pragma once

// The program's modem stack (port, modem dialogue, framing layer, transfer
// queue in mode 1, session control, session panel and lamps) wired as the
// main window wires it, cabled to the stand-in controller behind its Hayes
// modem, all in one process on virtual time. Link with haltron_sim,
// haltron_panels_logic, haltron_session_logic and haltron_protocol_logic.
// The program's side is built over any serial line and timer factory, so a
// test may also run it against haltron-sim on a pseudo-terminal.

#include "core/IniFile.h"
#include "Cable.h"
#include "core/Timer.h"
#include "comlink/ComPort.h"
#include "comlink/FramedLink.h"
#include "comlink/ModemControl.h"
#include "panels/LineLamps.h"
#include "panels/SessionPanel.h"
#include "protocol/ControllerChannel.h"
#include "protocol/LinkLoss.h"
#include "protocol/TransferQueue.h"
#include "core/Reports.h"
#include "session/RemoteSession.h"
#include "sim/CommandSet.h"
#include "sim/Installation.h"
#include "sim/ModemPartner.h"

#include <QStringList>

#include <functional>
#include <memory>

// The panel's texts as the delivered language file has them (HALTRON_DATA_DIR names its folder).
inline panels::TextFn languageFileTexts()
{
    auto file = std::make_shared<core::IniFile>(QStringLiteral(HALTRON_DATA_DIR "/haltron_de.lng"));
    return [file](const QString &section, const QString &key) { return file->readString(section, key); };
}

// The PC's side: everything between the serial line and the session panel.
struct ModemStack {
    ModemStack(comlink::SerialLine &line, core::TimerFactory &timers, const QString &device,
               const panels::TextFn &languageText)
        : port(line, timers), framedLink(timers), control(port, framedLink, timers), queue(timers), sessionLine{*this}, session(timers, sessionLine),
          panel(timers, languageText, false), lamps(timers)
    {
        port.setConfiguredDevice(device);
        framedLink.sendString = [this](const QByteArray &bytes) { return port.sendString(bytes); };
        framedLink.readChars = [this](int count) { return port.readChars(count); };
        framedLink.setPortRxHook = [this](std::function<void(int)> hook) { port.rxHook = std::move(hook); };
        // The identification command, so the modem's identity line reaches the port window.
        control.readSettings = [] {
            comlink::ModemSettings settings;
            settings.askModem = QStringLiteral("ATI");
            return settings;
        };

        queue.setMode(1);
        queue.sendFramed = [this](const QByteArray &telegram, core::AnswerProc answer) {
            framedLink.kavcomSend(telegram, std::move(answer));
        };
        queue.isLinkUp = [this] { return port.isLinked(); };
        protocol::flushOnLinkLoss(queue, port);
        queue.onRestart = [this](const QString &text) { restarts << text; };
        queue.onQueueError = [this](const QString &text) { queueErrors << text; };

        wireSession();
        port.onConnectChange = [this](bool on) {
            session.connectChange(on);
            lamps.setConnected(on);
        };
        port.onTrafficLine = [this](const QString &line) { traffic << line; };
    }

    void wireSession()
    {
        QObject::connect(&session, &session::RemoteSession::gaugeMaxChanged, [this](int maximum) { gaugeMax = maximum; });
        QObject::connect(&session, &session::RemoteSession::gaugePositionChanged, [this](int position) { gaugePosition = position; });
        QObject::connect(&session, &session::RemoteSession::timeTextChanged, [this](const QString &text) { timeText = text; });
        QObject::connect(&session, &session::RemoteSession::panelUnlinked, [this] { panel.close(); });
        // The dial number dialogue, confirmed as it stands.
        session.inputQuery = [](const QString &, const QString &, QString &) { return true; };
        session.setDialNumber(QStringLiteral("0815"));
        panel.setSession(&session);
        panel.showSessionPanel();
    }

    comlink::ComPort port;
    comlink::FramedLink framedLink;
    comlink::ModemControl control;
    protocol::TransferQueue queue;
    protocol::ControllerChannel channel{queue};
    // The session's line: this stack's port, modem dialogue and queue.
    struct Line final : session::SessionLine {
        ModemStack &stack;
        explicit Line(ModemStack &stack) : stack(stack) {}
        bool openPort(int number) override { return stack.port.openPort(number); }
        bool isConnected() const override { return stack.port.isConnected(); }
        void modemTestAndInit(session::TextProc onReady) override { stack.control.modemTestAndInit(std::move(onReady)); }
        bool dial(const QString &number, session::TextProc onLinked, session::TextProc onError) override
        {
            return stack.control.dial(number, std::move(onLinked), std::move(onError));
        }
        void hangUp() override { stack.control.hangUp(); }
        bool sendString(const QByteArray &bytes) override { return stack.port.sendString(bytes); }
        void closePort() override { stack.port.closePort(); }
        void haltTransfers() override { stack.queue.transferHalt(); }
    } sessionLine;
    session::RemoteSession session;
    panels::SessionPanel panel;
    panels::LineLamps lamps;

    int gaugeMax = -1;
    int gaugePosition = -1;
    QString timeText;
    QStringList restarts, queueErrors, traffic;
};

struct ModemLinkFixture {
    explicit ModemLinkFixture(const sim::ModemOptions &options = {}, const sim::InstallationSetup &setup = {})
        : installation(time, setup), commands(installation), partner(*cable.controller, time, commands, options)
    {
        core::reports().reset();
        core::reports().reportWrite = [this](const QString &text) { appLog << text; };
    }
    ~ModemLinkFixture() { core::reports().reset(); }

    // The panel's "INIT"; true once the panel reports the modem ready.
    bool init()
    {
        pc.panel.initClick();
        return runUntil([this] { return pc.session.modemReady(); }, 10000);
    }

    // The panel's dial button; true once the panel shows the partner.
    bool dial()
    {
        pc.panel.dialClick();
        return runUntil([this] { return pc.panel.connected(); }, 20000);
    }

    // Queues a request and runs until its answer arrives; empty when none came within limitMs.
    QByteArray request(const QByteArray &telegram, int answerLength = 2, int limitMs = 10000)
    {
        QByteArray answer;
        bool answered = false;
        if (!pc.queue.transferPut(answerLength, [&](const QByteArray &a) { answer = a; answered = true; }, telegram))
            return {};
        runUntil([&] { return answered; }, limitMs);
        return answer;
    }

    // Advances time in small steps until done() holds; false if limitMs passed first.
    bool runUntil(const std::function<bool()> &done, int limitMs, int stepMs = 10)
    {
        for (int waited = 0; !done(); waited += stepMs) {
            if (waited >= limitMs) return false;
            time.advance(stepMs);
        }
        return true;
    }

    core::VirtualTime time;
    testsupport::Cable cable{time};
    // The stand-in controller behind its modem.
    sim::Installation installation;
    sim::CommandSet commands;
    sim::ModemPartner partner;
    // The program's side.
    ModemStack pc{*cable.pc, time, QStringLiteral("pc"), languageFileTexts()};
    QStringList appLog;
};
