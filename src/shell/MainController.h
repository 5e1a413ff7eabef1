#pragma once

#include "Configuration.h"
#include "MainPartners.h"
#include "core/Reports.h"
#include "core/Timer.h"

#include <QObject>
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

// The main window's logic: start settings, link modes, status texts, the
// start timer sequence and the orderly shutdown. What the window shows goes
// out through the signals; the parts it drives are passed in.
class MainController : public QObject {
    Q_OBJECT
public:
    MainController(Configuration &config, core::ReportSink &reports, core::TimerFactory &timers,
                   MainPartners partners = {});
    ~MainController() override;

    // The window registers itself once it exists and goes before the controller does.
    void setView(MainView *view) { m_view = view; }


    void applyStartSettings();
    void quit();
    void registerShutdownProc(std::function<void()> proc);
    void setStatusText(int index, const QString &text);
    void showMessageField(const QString &text);
    void linkTrace(const QString &text);
    void showLinkMode();
    void linkChanged(bool linked);        // the port's link went up or down
    void linkLampClicked();               // the port's link action
    void linkAction();                    // LinkButton, and the start timer
    void linkTo(const QString &name);     // the monitor window's link hook
    void mainLogMirror(const QString &line);
    // The port's own texts for its status panel; silent once the shutdown began.
    void showPortText(const QString &text);
    void portOpened();
    void portClosed();
    // Events of the parts, heard from the start settings on (as the status
    // panels then exist): the monitor's status texts and linked partner, and
    // the queue's errors for the message field and the debug log.
    void monitorStatusText(int index, const QString &text);
    void monitorLinked(const QString &name);
    void queueError(const QString &text);

    // The port's link state, asked once the start settings run: the link lamp
    // and all that hangs on it start with it.
    std::function<bool()> linkState;
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

signals:
    void panelTextChanged(int panel, const QString &text);
    void reportLine(const QString &line);
    void messageChanged(const QString &text);  // empty text hides the field
    void captionChanged(const QString &caption);
    // The status bar lamps: the port open (panel 3), the link up (panel 4),
    // the linked controller greeted (panel 5).
    void portLampChanged(bool open);
    void linkLampChanged(bool linked);
    void modeLampChanged(bool greeted);
    void linkButtonEnabledChanged(bool enabled);
    void windowWidthRequested(int width);
    // The link state panel's text as it is set (a batch visit logs it).
    void linkStateText(const QString &text);
    // The start sequence hands over to the batch visit.
    void batchStartRequested();
    // The shutdown is complete: the message loop may end.
    void quitFinished();

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
    // The parts' events count only from the start settings on, as their hooks once did.
    bool m_monitorStatusOn = false;
    bool m_monitorLinkOn = false;
    bool m_queueErrorsOn = false;
    bool m_routeChosen = false;
    bool m_quitDone = false;

    MainView *m_view = nullptr;
    MainPartners m_parts;
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
