#pragma once

#include "monitor/MonitorControl.h"
#include "shell/ToolWindow.h"

#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QToolButton;

namespace widgets {
class Lamp;
}

namespace shell {
class Configuration;
}

namespace monitorview {

class IdentityBox;

// The monitor window: docked into the main window's right-hand panel, it shows
// what the monitor logic decodes (lift state, counters, identity) and forwards
// the clicks of its check boxes, LEDs, values and buttons. Tabs whose content
// other windows fill stay empty here.
class MonitorWindow : public shell::ToolWindow {
    Q_OBJECT
public:
    enum Tab { MonitorTab, FaultTab, TestTab, FunctionTab, EepromTab, TelephoneTab, PortsTab, StatisticsTab, SysModTab, TabCount };
    // Bit of "tabsheets" for the LCD button of the monitor tab.
    static constexpr int LcdButtonBit = 512;

    MonitorWindow(QWidget *host, const shell::Configuration &config, std::function<void(const QString &)> showHelp,
                  monitor::MonitorControl &control);

    // Applies "tabsheets" and writes its trace.
    void applyTabVisibility(int bits);
    void showTab(Tab tab);
    void setTabShown(Tab tab, bool shown);
    void setTabCaption(Tab tab, const QString &caption);
    QWidget *tabPage(Tab tab) const { return m_tabs[tab]; }
    // The identity answers the loop's start asks for.
    void showInfo(monitor::InfoRequest request, const QString &text);

    widgets::Lamp *linkLed() const { return m_linkLed; }
    QCheckBox *slotCheckBox(int slot) const;
    QCheckBox *autorunCheckBox() const { return m_autorun; }
    QPushButton *stopButton() const { return m_stopButton; }
    QPushButton *resetButton() const { return m_resetButton; }
    QLineEdit *stateField() const { return m_state; }
    QLineEdit *safetyField() const { return m_safety; }
    QLineEdit *modeField() const { return m_mode; }
    QLineEdit *valueField(int slot) const { return m_values[slot]; }
    QLabel *loopLabel() const { return m_loopLabel; }
    QLabel *linkedLabel() const { return m_linked; }
    IdentityBox *identityBox() const { return m_identity; }
    QToolButton *fehlerIncButton() const { return m_fehlerInc; }
    widgets::Lamp *stateLamp(int lamp) const { return m_stateLamps[size_t(lamp)]; }
    // A switch's new state colours its lamp: red for "1".
    void showSwitchState(int lamp, const QString &state);
    int cabinTimer() const;
    void setCabinTimer(int ticks);

    // Digit 1 of "methode": a first show without any link takes the session's tab away.
    void setStartPage(bool on) { m_startPage = on; }
    // The modem session passed a partner text: its counter goes up by one.
    void countSessionText();
    QLabel *sessionCounter() const { return m_sessionCounter; }

    // The countdown settings of the slots, as the cycle holds them now.
    void showReloads();
    QLabel *reloadLabel(int slot) const;
    // The transfer queue's fill (0..50) and its activity: a new picture per answer processed.
    void showQueueFill(int count);
    void stepActivity();
    QProgressBar *sendFillGauge() const { return m_sendFill; }
    int activityPicture() const { return m_activityPicture; }

    // Asked before the controller reset; the window shows a warning dialog.
    std::function<bool()> confirmReset;
    // Places controls of other units on a tab, above its free space.
    void addToTab(Tab tab, QWidget *content);

signals:
    // The window is shown for the first time, its first tab chosen.
    void firstShown();
    // "aus SysMod": build the shaft from the parameter set instead of the controller.
    void shaftFromSysModClicked();
    // A click on a state lamp: 0 remote switch-off, 1 address lock, 2 indicator.
    void switchClicked(int lamp);
    // The step-back button of the newest fault.
    void faultCountRaised();
    // The cabin timer (ticks per pixel of smooth travel) was changed.
    void cabinTimerChanged(int ticks);
    // The "LCD" and "flush" buttons of the monitor tab.
    void lcdClicked();
    void flushClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    QString helpTopic() const override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QWidget *buildMonitorTab();
    QWidget *buildTestTab();
    QWidget *buildFunctionTab();
    QLineEdit *field(const QString &toolTip = {});
    int tabIndex(Tab tab) const;
    void connectView();
    void showLiftState(const monitor::LiftStateView &state);
    void showSlot(int slot);
    void showHold();
    void clearValues();

    monitor::MonitorControl &m_control;
    std::array<QWidget *, TabCount> m_tabs{};
    widgets::Lamp *m_linkLed = nullptr;
    QLabel *m_linked = nullptr;
    QLineEdit *m_state = nullptr;
    QLineEdit *m_safety = nullptr;
    QLineEdit *m_mode = nullptr;
    QLineEdit *m_floor = nullptr;
    QLineEdit *m_target = nullptr;
    std::array<widgets::Lamp *, 3> m_stateLamps{};  // remote switch-off, address lock, indicator
    std::array<QLineEdit *, monitor::PollCycle::SlotCount> m_values{};
    std::array<QLabel *, monitor::PollCycle::SlotCount> m_indicators{};
    std::array<widgets::Lamp *, monitor::PollCycle::SlotCount> m_leds{};
    std::array<QCheckBox *, monitor::PollCycle::SlotCount> m_checkBoxes{};  // slot 5 shares slot 4's
    QCheckBox *m_autorun = nullptr;
    IdentityBox *m_identity = nullptr;
    QToolButton *m_fehlerInc = nullptr;
    QPushButton *m_stopButton = nullptr;
    QLabel *m_holdCount = nullptr;
    QPushButton *m_lcdButton = nullptr;
    QLabel *m_loopLabel = nullptr;
    QLabel *m_readyLabel = nullptr;
    QLabel *m_ticksLabel = nullptr;
    QPushButton *m_resetButton = nullptr;
    QLabel *m_resetCountdown = nullptr;
    QSpinBox *m_cabinTimer = nullptr;
    std::array<QLabel *, monitor::PollCycle::SlotCount> m_reloads{};  // the newest fault's is not shown
    QLabel *m_activity = nullptr;
    int m_activityPicture = 0;
    QProgressBar *m_sendFill = nullptr;
    QLabel *m_sessionCounter = nullptr;
    int m_sessionTexts = 0;
    bool m_startPage = false;
    bool m_shownBefore = false;
    bool m_loading = false;
};

}  // namespace monitorview
