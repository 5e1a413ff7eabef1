#pragma once

#include "ControllerFunctions.h"
#include "ControllerInfo.h"
#include "LiftState.h"
#include "PollCycle.h"
#include "FaultSource.h"
#include "FramedSession.h"
#include "LinkState.h"
#include "MonitorHold.h"
#include "MonitorHost.h"
#include "ShaftView.h"
#include "TransferControl.h"
#include "core/Channel.h"
#include "core/LanguageTexts.h"
#include "core/Reports.h"
#include "core/Timer.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <memory>

namespace monitor {

// Who the monitor works with, each given once at its construction.
struct MonitorPartners {
    core::Channel &channel;          // every request to the controller
    TransferControl &queue;
    LinkState &link;
    FramedSession &session;          // the modem route's hello outside the queue
    FaultSource &faults;             // the requests of poll slots 4 and 5
    MonitorHost &host;
    const core::LanguageTexts &texts;
    core::ReportSink &reports;
};

// The requests of the identity fields that the loop's start issues (answers shown by the window).
enum class InfoRequest { Version, TopFloor, GroupAddress, Telephone, InstallationCode };

// The monitor window's logic: attaching to the link, the hello, building the
// shaft from the controller's configuration, the 50 ms polling cycle over six
// slots, hold and release, the controller reset with its restart, and the halt.
// What it decodes and shows goes out as signals; the monitor window, the
// identity fields and the main window connect to them.
class MonitorControl : public QObject, public MonitorHold {
    Q_OBJECT
public:
    enum LinkMode { NoLink = 0, ModemLink = 1, LocalLink = 2 };
    static constexpr int RestartWaitMs = 3000;
    static constexpr int HelloDelayMs = 3000;

    MonitorControl(core::TimerFactory &timers, MonitorTextLists texts, const MonitorPartners &partners,
                   QObject *parent = nullptr);
    ~MonitorControl() override;

    PollCycle &cycle() { return m_cycle; }
    const PollCycle &cycle() const { return m_cycle; }
    // The stored fault count and the entry offset that the fault fields show.
    NewestFaultField &faultField() { return m_faultField; }
    // The shaft window comes after the monitor; without one nothing is drawn.
    void setShaftView(ShaftView *shaft) { m_shaft = shaft; }
    ShaftView *shaftView() const { return m_shaft; }

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

    void holdMonitor() override;
    void releaseMonitor() override;
    bool hasLinkMode() const override { return m_linkMode != NoLink; }
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
    void makeShaftFromConfig(int topFloor, const ShaftView::Config &config);
    // The shaft from the parameter set instead of the controller; an existing shaft is only shown again.
    void makeShaftFromSysMod(int topFloor, const ShaftView::Config &config);
    void sendCall(int floor, int side, int mode);

    // The main window's link display (its mode lamp); may stay empty.
    std::function<void(bool greeted)> showLinkDisplay;

signals:
    void liftStateDecoded(const monitor::LiftStateView &state);
    void slotChanged(int slot);                       // LED and value indicator of a slot
    void valueShown(int slot, const QString &text);
    void loopLabelChanged(const QString &text);       // "LoopStop" / "user[n]"
    void diagnosticsChanged(const QString &ready, const QString &ticks);
    void holdChanged();                               // stop button and hold count
    void linkedTextChanged(const QString &text);
    void resetCountdownChanged(int countdown);
    void monitorTabWanted();
    void valuesCleared();                             // after a lost link
    // A shaft was built for this top floor (from the controller or the parameter set).
    void shaftBuilt(int topFloor);
    // The loop's start asks for the identity fields; their answers are shown by the window.
    void infoRequested(monitor::InfoRequest request);
    // A restart is about to run the loop again: the countdown settings are read afresh.
    void restarting();
    // For the main window: a status bar panel's text, and the partner linked.
    // The halt lets go of whoever listens to these two.
    void statusText(int panel, const QString &text);
    void partnerLinked(const QString &name);

private:
    void sayTrace(const QString &text) const;
    void sayLog(const QString &text) const;
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
    bool shaftExists() const { return m_shaft && m_shaft->exists(); }
    void destroyShaft() { if (m_shaft) m_shaft->destroy(); }

    MonitorTextLists m_texts;
    MonitorPartners m_partners;
    PollCycle m_cycle;
    ShaftView *m_shaft = nullptr;
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
    ShaftView::Config m_config{};
    // Answers that arrive after this object has gone are dropped.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

}  // namespace monitor
