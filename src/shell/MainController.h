#pragma once

#include "Configuration.h"
#include "core/Reports.h"
#include "core/Timer.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace shell {

// Digits of [Start] methode; a flag is set exactly when its digit is "1".
struct StartMethod {
    bool startPage = false;  // digit 1
    bool modemMode = false;  // digit 2
    bool fileMode = false;   // digit 3
    bool autoPanel = false;  // digit 4
    bool autoLink = false;   // digit 5
};
StartMethod readStartMethod(const QString &methode);

// A small desktop gets the main window filling the screen.
inline bool mainWindowFillsScreen(int desktopHeight) { return desktopHeight <= 800; }

// Status bar panels of the main window.
enum StatusPanel { PanelVersion = 0, PanelLinkState = 1, PanelPort = 2, PanelLinkMode = 6, StatusPanelCount = 7 };

// What the main window shows; MainWindow fills these in.
struct MainView {
    std::function<void(int panel, const QString &text)> setPanelText;
    std::function<void(const QString &line)> appendReport;
    std::function<void(bool visible)> setReportVisible;
    std::function<bool()> reportVisible;
    std::function<void(const QString &text)> setMessage;  // empty text hides the field
    std::function<void(bool enabled)> setLinkButtonEnabled;
    // The status bar lamps: the port open (panel 3), the link up (panel 4),
    // the linked controller greeted (panel 5).
    std::function<void(bool open)> showPortOpen;
    std::function<void(bool linked)> showLink;
    std::function<void(bool greeted)> showModeLamp;
    std::function<void(const QString &caption)> setCaption;
    std::function<void(int width)> setWindowWidth;
    std::function<void(bool visible)> setGaugeVisible;        // the batch countdown
    std::function<void(int maximum, int position)> setGauge;
    std::function<void()> quitApplication;  // ends the message loop
};

// The units the main window wires together at start and halts at the end.
// They are built elsewhere; every hook may stay empty.
struct MainHooks {
    using StatusHook = std::function<void(int panel, const QString &text)>;
    using TextHook = std::function<void(const QString &)>;

    // monitor window
    std::function<void(bool fileMode)> setMonitorFileMode;
    std::function<void(StatusHook)> setMonitorStatusHook;
    std::function<void()> clearMonitorStart;          // its StartMonitor check box
    std::function<void()> monitorLinkToMst;            // attach to the modem connection
    std::function<void()> monitorLinkToZbl;            // attach to the local link
    std::function<void(bool modem)> setMonitorLinkMode;
    std::function<void(TextHook)> setMonitorLinkHook;  // called with the partner's name
    std::function<bool()> monitorResetInProgress;
    std::function<void()> monitorLinkLost;
    std::function<void()> showMonitor;
    std::function<void()> setMonitorClosing;
    std::function<void()> haltMonitor;
    // serial port
    std::function<bool()> isLinked;                    // the port's link state at start
    std::function<void()> linkAction;                  // start or stop the link (the link lamps' click)
    std::function<void(std::function<void()> afterOpen, std::function<void()> afterClose)> setPortOpenHooks;
    std::function<void(TextHook)> setPortText;         // OnPortText; an empty hook clears it
    std::function<void()> setPortClosing;
    std::function<void()> portHalt;
    // remote connection and protocol port module
    std::function<void(const QString &)> setDialNumber;
    std::function<void(int seconds)> setDialTimeout;
    std::function<void(int port)> setComPort;
    std::function<void()> setRemoteClosing;
    // protocol layer
    std::function<void()> setRemoteRoute;
    std::function<void()> setLocalRoute;
    std::function<void(TextHook)> setQueueErrorHook;
    std::function<void()> stopQueue;
    std::function<void()> haltZblPort;
    // other windows
    std::function<void()> haltLcd;
    std::function<void()> toggleShaftVisible;
    std::function<void()> requestInit;                 // session panel
    std::function<void()> startBatch;
    std::function<void(const QString &)> batchLine;
};

// The main window's logic: start settings, link modes, status texts, the
// start timer sequence and the orderly shutdown.
class MainController {
public:
    MainController(Configuration &config, core::ReportSink &reports, core::TimerFactory &timers);
    ~MainController();
    MainController(const MainController &) = delete;
    MainController &operator=(const MainController &) = delete;

    // What the main window shows and the units it wires: filled in by their owners.
    MainView &view() { return m_view; }
    MainHooks &hooks() { return m_hooks; }

    void applyStartSettings();
    void quit();
    void registerShutdownProc(std::function<void()> proc);
    void setStatusText(int index, const QString &text);
    void showMessageField(const QString &text);
    void linkTrace(const QString &text);
    void showLinkMode();
    void linkChanged(bool linked);        // the port's link went up or down
    void linkAction();                    // LinkButton, and the start timer
    void linkLampClicked();
    void linkTo(const QString &name);     // the monitor window's link hook
    void mainLogMirror(const QString &line);
    void closeRequested() { m_mirrorOn = false; }
    void showModeLamp(bool greeted);
    void setEditVersion(const QString &caption);

    // The start timer; the batch process takes it over as its watchdog.
    core::Timer &startTimer() { return *m_startTimer; }
    bool quitDone() const { return m_quitDone; }

    const QString &editVersion() const { return m_editVersion; }
    const QString &version() const { return m_version; }
    bool closing() const { return m_closing; }
    void setClosing(bool value) { m_closing = value; }
    bool mirrorOn() const { return m_mirrorOn; }
    bool startPage() const { return m_startPage; }
    bool modemMode() const { return m_modemMode; }
    bool autoPanel() const { return m_autoPanel; }
    bool autoLink() const { return m_autoLink; }
    bool batchMode() const { return m_batchMode; }
    bool batchRunning() const { return m_batchRunning; }
    bool fileMode() const { return m_fileMode; }
    int comPort() const { return m_comPort; }
    void setComPort(int value) { m_comPort = value; }

private:
    void startTimerTimer();
    void applyBatchAndDialSettings();  // window, dial number and time-out; batch mode links at once
    void applyRoute();                 // port hooks and the route of the chosen link mode
    void debugReport(const QString &text);
    void finishQuit();

    Configuration &m_config;
    core::ReportSink &m_reports;
    std::vector<std::function<void()>> m_shutdownList;
    std::unique_ptr<core::Timer> m_startTimer;
    std::unique_ptr<core::Timer> m_messageTimer;
    std::unique_ptr<core::Timer> m_portHaltTimer;
    int m_startCount = 0;
    bool m_quitDone = false;

    MainView m_view;
    MainHooks m_hooks;
    QString m_editVersion;
    QString m_version;
    bool m_closing = false;
    bool m_mirrorOn = true;
    bool m_startPage = false;
    bool m_modemMode = false;
    bool m_autoPanel = false;
    bool m_autoLink = false;
    bool m_batchMode = false;
    bool m_batchRunning = false;
    bool m_fileMode = false;
    int m_comPort = 1;
};

}  // namespace shell
