#pragma once

#include "ControllerFunctions.h"
#include "ControllerInfo.h"
#include "LiftState.h"
#include "PollCycle.h"
#include "core/Timer.h"
#include "core/Channel.h"

#include <QString>

#include <array>
#include <functional>
#include <memory>

namespace monitor {

// The shaft window as the monitor drives it; every hook may stay empty.
struct ShaftHooks {
    using Config = std::array<quint8, 40>;
    std::function<void(int topFloor, const Config &config)> build;
    std::function<void()> destroy;
    std::function<bool()> exists;
    std::function<void()> show;
    std::function<void()> tick;
    std::function<void(const QString &text)> setMessage;
    std::function<void(int picture)> setDirection;
    std::function<void(int floor)> setFloor;
    std::function<void(int target)> setTarget;
    std::function<void(int state)> setSafetyState;
    std::function<void(int door, int state)> setDoor;
    std::function<void(int bits)> setTravel;
    std::function<void(int floor, int side, int state, int which)> setCallLamp;
};

// What the monitor window shows of the cycle; filled in by the window.
struct MonitorView {
    std::function<void(const LiftStateView &state)> showLiftState;
    std::function<void(int slot)> slotChanged;             // LED and value indicator of a slot
    std::function<void(int slot, const QString &text)> showValue;
    std::function<void(const QString &text)> setLoopLabel; // "LoopStop" / "user[n]"
    std::function<void(const QString &ready, const QString &ticks)> setDiagnostics;
    std::function<void()> holdChanged;                     // stop button and hold count
    std::function<void(const QString &text)> setLinked;
    std::function<void(int countdown)> setResetCountdown;
    std::function<void()> showMonitorTab;
    std::function<void()> clearValues;                     // after a lost link
};

// The requests of the identity fields that the loop's start issues (answers shown by the window).
enum class InfoRequest { Version, TopFloor, GroupAddress, Telephone, InstallationCode };

// The monitor window's logic: attaching to the link, the hello, building the
// shaft from the controller's configuration, the 50 ms polling cycle over six
// slots, hold and release, the controller reset with its restart, and the halt.
class MonitorControl {
public:
    enum LinkMode { NoLink = 0, ModemLink = 1, LocalLink = 2 };
    static constexpr int RestartWaitMs = 3000;
    static constexpr int HelloDelayMs = 3000;

    MonitorControl(core::TimerFactory &timers, MonitorTextLists texts);
    ~MonitorControl();

    PollCycle &cycle() { return m_cycle; }
    const PollCycle &cycle() const { return m_cycle; }
    // The stored fault count and the entry offset that the fault fields show.
    NewestFaultField &faultField() { return m_faultField; }
    MonitorView &view() { return m_view; }
    ShaftHooks &shaft() { return m_shaft; }

    // Settings: countdown reloads (section "unit43"), "task" bits, reset wait in seconds.
    void setReloads(const std::array<int, PollCycle::SlotCount> &ticks);
    void loadTask(int task);
    bool autorun() const { return m_autorun; }
    void setAutorun(bool on) { m_autorun = on; }
    // The user clicked "32 autorun": the loop starts afresh, whatever held it.
    void autorunClicked(bool on);
    // File mode keeps the shaft when the monitor is started again.
    void setKeepShaft(bool on) { m_keepShaft = on; }
    void setResetTimeoutSeconds(int seconds) { m_resetTimeoutMs = qMax(0, seconds) * 1000; }

    void linkToZbl(int mode);
    void linkToMst(int mode);
    LinkMode linkMode() const { return m_linkMode; }
    QString linkName() const { return m_linkName; }

    void onLinkUp(const QString &name);
    // The installation code was read: the linked label and the status bar name it. Returns the label.
    QString installationCodeRead(const QString &code);
    void helloAnswer(const QByteArray &answer);
    // The queue's restart after a link error on the modem route: hello again outside the queue.
    void modemRestart(const QString &text);

    void monitorStart();
    void startMonitorLoop();
    void restartMonitor();
    bool loopStarted() const { return m_loopStarted; }

    // One tick of the 50 ms cycle (the window's timer calls it; tests too).
    void userTimerTick();
    // Runs a slot's job now with its check box state (a click on a value does this).
    void runSlot(int slot);
    // A click on a check box or its LED: the slot asks again at its next visit.
    void armSlot(int slot);
    void setSlotEnabled(int slot, bool on);
    // A click on a value field or its button shows the value again at once: the
    // counters and the fault fields toggle their check box and run their job(s);
    // the state fields run the lift-state job.
    void valueClicked(int slot);

    void holdMonitor();
    void releaseMonitor();
    // The stop button toggled to pressed (true) or released.
    void stopButtonClicked(bool pressed);
    bool stopButtonPressed() const { return m_cycle.held(); }

    // The controller reset after the user confirmed it.
    void resetController();
    bool resetInProgress() const { return m_resetting; }
    int resetCountdown() const { return m_resetCountdown; }
    void restartAnswer(const QByteArray &answer);

    void monitorHalt();
    void setClosing(bool on) { m_closing = on; }
    void linkLostReset();
    void linkChanged(bool up);  // the port's link state

    void requestConfiguration();
    void makeShaftFromConfig(int topFloor, const ShaftHooks::Config &config);
    // The shaft from the parameter set instead of the controller; an existing shaft is only shown again.
    void makeShaftFromSysMod(int topFloor, const ShaftHooks::Config &config);
    void sendCall(int floor, int side, int mode);

    // Every request goes through the channel; without one nothing is asked.
    void setChannel(core::Channel &channel) { m_channel = &channel; }

    // The rest of the program; every hook may stay empty.
    std::function<void()> transferFlush;
    std::function<void(int ms)> transferStart;
    std::function<bool()> isLinkUp;
    std::function<void(const QByteArray &telegram, core::AnswerProc onAnswer)> kavcomSend;
    std::function<void()> stopSession;
    // The fault slots' requests; onDropped runs when a flush or a lost link dropped one.
    using FaultRequest = std::function<bool(TextProc onText, core::DropProc onDropped)>;
    FaultRequest requestFaultCount;
    FaultRequest requestNewestFault;
    std::function<void(InfoRequest request)> requestInfo;
    std::function<void()> loadTickSettings;  // re-reads the countdown settings at a restart
    // Main window: message hook (status bar panel, text), linked hook, start hook.
    std::function<void(int panel, const QString &text)> messageHook;
    std::function<void(const QString &name)> linkedHook;
    std::function<bool()> startHook;
    std::function<void(const QString &text)> showMessageField;
    std::function<void(bool visible)> setReportVisible;
    std::function<void(bool greeted)> showLinkDisplay;  // the main window's mode lamp
    std::function<bool()> confirmConnect;  // "connect now?" when started without a link
    std::function<void()> clickLinkDisplay;
    std::function<void(const QString &text)> trace;
    std::function<void(const QString &text)> log;
    std::function<QString(const QString &section, int number)> languageText;

private:
    void sayTrace(const QString &text) const { if (trace) trace(text); }
    void sayLog(const QString &text) const { if (log) log(text); }
    QString text(const char *section, int number) const;
    bool put(int answerLength, core::AnswerProc onAnswer, const QByteArray &telegram, core::DropProc onDropped = {});
    // A slot's request was dropped unanswered: the slot asks again at its next visit.
    void slotDropped(int slot);
    void slotAnswer(int slot, bool withText);
    void liftStateAnswer(const QByteArray &answer);
    void ackLampsAnswer(const QByteArray &answer);
    void showCallLamps(const QByteArray &answer);
    void counterAnswer(int slot, const QString &text);
    void faultAnswer(int slot, const QString &text);
    void requestAckLamps();
    void configAnswer(int block, const QByteArray &answer);
    void sleepTimerTick();
    void modemHelloAnswer(const QByteArray &answer);
    void diagnostics();
    bool shaftExists() const { return m_shaft.exists && m_shaft.exists(); }
    void destroyShaft() { if (m_shaft.destroy) m_shaft.destroy(); }

    MonitorTextLists m_texts;
    core::Channel *m_channel = nullptr;
    PollCycle m_cycle;
    MonitorView m_view;
    ShaftHooks m_shaft;
    std::unique_ptr<core::Timer> m_userTimer;
    std::unique_ptr<core::Timer> m_sleepTimer;
    LinkMode m_linkMode = NoLink;
    QString m_linkName;
    bool m_loopStarted = false;
    bool m_linkSeen = false;
    bool m_closing = false;
    bool m_halting = false;
    bool m_resetting = false;
    int m_resetCountdown = 0;
    int m_resetTimeoutMs = 4000;
    bool m_autorun = false;
    bool m_keepShaft = false;
    int m_modemRetries = 0;
    NewestFaultField m_faultField;
    int m_ko = 0;
    ShaftHooks::Config m_config{};
    // Answers that arrive after this object has gone are dropped.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

}  // namespace monitor
