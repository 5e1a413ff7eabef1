#pragma once

#include "core/Timer.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace shell {

using TextProc = std::function<void(const QString &text)>;
using LogProc = std::function<void(const QString &text)>;

// What the session needs of the port window and its modem dialogue.
struct SessionPort {
    std::function<bool(int comNumber)> OpenPort;
    std::function<bool()> IsConnected;
    std::function<void(TextProc onReady)> ModemTestAndInit;
    // False when refused (a connection already stands in data mode).
    std::function<bool(const QString &number, TextProc onLinked, TextProc onError)> Dial;
    std::function<void()> HangUp;
    std::function<bool(const QByteArray &bytes)> SendString;
    std::function<void()> ClosePort;
};

// What the session needs of the lamp window (its command gauge) and the session panel.
struct SessionWindows {
    std::function<void(int maximum)> SetGaugeMax;
    std::function<void(int position)> SetGaugePosition;
    std::function<void(const QString &text)> SetTimeText;
    std::function<void()> HideLeds;
    std::function<void()> ClosePanel;
};

// The remote connection controller: initialises the modem, dials with a time-out
// counted down on the lamp window's gauge, reports the synchronised partner and
// ends the session on error or time-out.
class TModem {
public:
    static constexpr int DefaultDialTimeout = 45;
    static constexpr int MaxDialTimeout = 3600;
    static constexpr int TickMs = 100;
    // The modem dialogue answers within about two seconds; a silent modem must not
    // leave the panel waiting for ever.
    static constexpr int InitTimeoutMs = 10000;

    explicit TModem(core::TimerFactory &timers);
    ~TModem();

    // Procedures given to the session panel.
    void SessionInit();
    bool AskDialNumber();
    void SessionHangUp();

    // Called by the session panel; false when the port refused the dial.
    bool SessionDial(const QString &number);
    void SetSpeaker(bool on);
    void HangUpNow();

    // Events of the modem dialogue.
    void InitDone(const QString &portText);
    void OnDialed(const QString &name);
    void OnDialError(const QString &text);
    // The port's connection state changed (its OnConnectChange).
    void ConnectChange(bool on);

    void SendModemCommand(std::function<void()> done, const QString &command, int waitMs);

    // Orderly stop.
    void StopMst(const LogProc &log);
    void SessionHalt(const LogProc &log);
    // A close request: true when the controller may really close (it only hides otherwise).
    bool CloseRequest();

    bool waitRunning() const;
    int waitTicks() const { return m_waitTag; }

    SessionPort port;
    SessionWindows windows;
    std::function<void()> TransferHalt;
    // The input dialogue behind AskDialNumber: edits text, true when confirmed.
    std::function<bool(const QString &caption, const QString &prompt, QString &text)> InputQuery;

    TextProc InitSuccessHook;
    std::function<void()> InitFailureHook;
    std::function<void()> WaitDoneProc;
    std::function<void()> AnswerHook;
    TextProc PartnerHook;
    std::function<void()> SessionEndedHook;
    std::function<void()> MonitorHalt;

    bool FCanClose = false;
    bool Halted = false;
    bool ModemReady = false;
    bool LinkedPending = false;
    bool Closing = false;
    bool Connected = false;
    int ComPort = 1;
    int DialTimeout = DefaultDialTimeout;
    QString DialNumber;
    QString PartnerName;
    QString PartnerText;
    // Why the last dial failed ("" for a time-out or success); shown by the panel.
    QString DialErrorText;

private:
    void WaitTimerTick();
    void WaitDone();
    void DialWaitDone();
    void initTimedOut();

    std::unique_ptr<core::Timer> m_waitTimer;
    std::unique_ptr<core::Timer> m_initTimer;
    int m_waitTag = 0;
    // Set while the port's Dial runs: an error reported inside it ends the
    // session at once instead of after the whole time-out.
    bool m_inDial = false;
    std::optional<QString> m_dialError;
    // Each init gets its own number, so a late answer of an earlier one is ignored.
    int m_initRun = 0;
};

}  // namespace shell
