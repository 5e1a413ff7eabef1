#pragma once

// One fake per partner of the monitor logic, and a bundle that hands them to
// a MonitorControl. Each records what the monitor asked of it.

#include "FakeChannel.h"
#include "LanguageFakes.h"
#include "core/LanguageTexts.h"
#include "core/Reports.h"
#include "monitor/MonitorControl.h"

#include <QList>
#include <QStringList>

#include <functional>

// The queue control: counts flushes and starts; a flush may drop the fake channel's requests.
struct FakeTransferControl : monitor::TransferControl {
    FakeChannel *channel = nullptr;  // dropped at every flush when set
    int flushes = 0;
    QList<int> starts;
    void transferFlush() override
    {
        ++flushes;
        if (channel) channel->dropAll();
    }
    void transferStart(int ms) override { starts << ms; }
};

struct FakeLinkState : monitor::LinkState {
    bool linked = true;
    bool isLinked() const override { return linked; }
};

// The monitor as the tabs hold it: the holds not yet released, all holds and
// releases counted, and whether a link mode was chosen.
struct FakeMonitorHold : monitor::MonitorHold {
    int holds = 0;
    int taken = 0;
    int released = 0;
    bool linkMode = false;
    void holdMonitor() override
    {
        ++holds;
        ++taken;
    }
    void releaseMonitor() override
    {
        --holds;
        ++released;
    }
    bool hasLinkMode() const override { return linkMode; }
};

// The framed session: what was sent outside the queue, and how often it was ended.
struct FakeFramedSession : monitor::FramedSession {
    std::function<void(const QByteArray &telegram, core::AnswerProc onAnswer)> onSend;
    QList<QByteArray> sent;
    int stops = 0;
    void kavcomSend(const QByteArray &telegram, core::AnswerProc onAnswer) override
    {
        sent << telegram;
        if (onSend) onSend(telegram, std::move(onAnswer));
    }
    void stopSession() override { ++stops; }
};

// The fault fields' requests, answered by the test's procedures; refused without one.
struct FakeFaultSource : monitor::FaultSource {
    std::function<bool(monitor::TextProc onText, core::DropProc onDropped)> count;
    std::function<bool(monitor::TextProc onText, core::DropProc onDropped)> newest;
    bool requestFaultCount(monitor::TextProc onText, core::DropProc onDropped) override
    {
        return count && count(std::move(onText), std::move(onDropped));
    }
    bool requestNewestFault(monitor::TextProc onText, core::DropProc onDropped) override
    {
        return newest && newest(std::move(onText), std::move(onDropped));
    }
};

// The main window: its message field's texts, the report's visibility, and the answer to "connect now?".
struct FakeMonitorHost : monitor::MonitorHost {
    QStringList messages;
    QList<bool> reportVisible;
    bool connectAnswer = false;
    int connectQuestions = 0;
    int linkClicks = 0;
    void showMessageField(const QString &text) override { messages << text; }
    void setReportVisible(bool visible) override { reportVisible << visible; }
    bool confirmConnect() override
    {
        ++connectQuestions;
        return connectAnswer;
    }
    void clickLinkDisplay() override { ++linkClicks; }
};


// The shaft window: the shaft built, and the call lamps and shows asked for.
struct FakeShaftView : monitor::ShaftView {
    int builtTopFloor = -1;
    Config builtConfig{};
    int builds = 0;
    int shows = 0;
    QList<QList<int>> callLamps;
    void build(int topFloor, const Config &config) override
    {
        builtTopFloor = topFloor;
        builtConfig = config;
        ++builds;
    }
    void destroy() override { builtTopFloor = -1; }
    bool exists() const override { return builtTopFloor > 0; }
    void show() override { ++shows; }
    void tick() override {}
    void setMessage(const QString &) override {}
    void setDirection(int) override {}
    void setFloor(int) override {}
    void setTarget(int) override {}
    void setSafetyState(int) override {}
    void setDoor(int, int) override {}
    void setTravel(int) override {}
    void setCallLamp(int floor, int side, int state, int which) override { callLamps << QList<int>{floor, side, state, which}; }
};

// Every partner of the monitor but the channel, as fakes; the report sink
// writes the monitor's traces (without their "unt43> " mark) and its log lines.
struct FakeMonitorPartners {
    FakeTransferControl queue;
    FakeLinkState link;
    FakeFramedSession session;
    FakeFaultSource faults;
    FakeMonitorHost host;
    NumberTexts texts;
    core::ReportSink reports;
    QStringList traces;
    QStringList logLines;

    FakeMonitorPartners()
    {
        reports.setFlag(core::ReportMonitor);
        reports.reportWrite = [this](const QString &line) {
            static const QString mark = QStringLiteral("unt43> ");
            if (line.startsWith(mark)) traces << line.mid(mark.size());
            else logLines << line;
        };
    }
    monitor::MonitorPartners with(core::Channel &channel, const core::LanguageTexts *languageTexts = nullptr)
    {
        return {channel, queue, link, session, faults, host, languageTexts ? *languageTexts : texts, reports};
    }
};
