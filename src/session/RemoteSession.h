#pragma once

#include "core/Timer.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace session {

using TextProc = std::function<void(const QString &text)>;
using LogProc = std::function<void(const QString &text)>;

// What the session needs of the line: the port, its modem dialogue and the
// transfer queue behind them.
class SessionLine {
public:
    virtual ~SessionLine() = default;
    virtual bool openPort(int comNumber) = 0;
    virtual bool isConnected() const = 0;
    virtual void modemTestAndInit(TextProc onReady) = 0;
    // False when refused (a connection already stands in data mode).
    virtual bool dial(const QString &number, TextProc onLinked, TextProc onError) = 0;
    virtual void hangUp() = 0;
    virtual bool sendString(const QByteArray &bytes) = 0;
    virtual void closePort() = 0;
    virtual void haltTransfers() = 0;
};

// The remote connection controller: initialises the modem, dials with a time-out
// counted down on the lamp window's gauge, reports the synchronised partner and
// ends the session on error or time-out. Its windows (the lamp window's
// gauge, the session panel) follow its signals.
class RemoteSession : public QObject {
    Q_OBJECT
public:
    static constexpr int DefaultDialTimeout = 45;
    static constexpr int MaxDialTimeout = 3600;
    static constexpr int TickMs = 100;
    // The modem dialogue answers within about two seconds; a silent modem must not
    // leave the panel waiting for ever.
    static constexpr int InitTimeoutMs = 10000;

    RemoteSession(core::TimerFactory &timers, SessionLine &line);
    ~RemoteSession() override;

    // Procedures given to the session panel.
    void sessionInit();
    bool askDialNumber();
    void sessionHangUp();

    // Called by the session panel; false when the port refused the dial.
    bool sessionDial(const QString &number);
    void setSpeaker(bool on);
    void hangUpNow();

    // Events of the modem dialogue.
    void initDone(const QString &portText);
    void onDialed(const QString &name);
    void onDialError(const QString &text);
    // The port's connection state changed (its OnConnectChange).
    void connectChange(bool on);

    void sendModemCommand(std::function<void()> done, const QString &command, int waitMs);

    // Orderly stop.
    void stopMst(const LogProc &log);
    void sessionHalt(const LogProc &log);
    // A close request: true when the controller may really close (it only hides otherwise).
    bool closeRequest();

    bool waitRunning() const;
    int waitTicks() const { return m_waitTag; }

    SessionLine &line() { return m_line; }
    // The input dialogue behind AskDialNumber: edits text, true when confirmed.
    std::function<bool(const QString &caption, const QString &prompt, QString &text)> inputQuery;

    bool canClose() const { return m_canClose; }
    bool halted() const { return m_halted; }
    bool modemReady() const { return m_modemReady; }
    void setModemReady(bool value) { m_modemReady = value; }
    bool linkedPending() const { return m_linkedPending; }
    bool closing() const { return m_closing; }
    void setClosing(bool value) { m_closing = value; }
    bool connected() const { return m_connected; }
    int comPort() const { return m_comPort; }
    void setComPort(int value) { m_comPort = value; }
    int dialTimeout() const { return m_dialTimeout; }
    void setDialTimeout(int value) { m_dialTimeout = value; }
    const QString &dialNumber() const { return m_dialNumber; }
    void setDialNumber(const QString &value) { m_dialNumber = value; }
    const QString &partnerName() const { return m_partnerName; }
    void setPartnerName(const QString &value) { m_partnerName = value; }
    const QString &partnerText() const { return m_partnerText; }
    // Why the last dial failed ("" for a time-out or success); shown by the panel.
    const QString &dialErrorText() const { return m_dialErrorText; }

signals:
    // The command gauge: its length in ticks, the ticks left, the wait as text.
    void gaugeMaxChanged(int maximum);
    void gaugePositionChanged(int position);
    void timeTextChanged(const QString &text);
    // The stop sequence lets go of the lamps and the panel.
    void ledsUnlinked();
    void panelUnlinked();
    // The outcome of an init: the port's text, or a failure.
    void initSucceeded(const QString &portText);
    void initFailed();
    // The partner of a dial is synchronised.
    void partnerLinked(const QString &name);
    // The dial failed, timed out, or the carrier went.
    void sessionEnded();
    // A modem wait (dial, command) is over; after the dial's own outcome.
    void waitEnded();
    // The user hangs up: the monitor stops polling first.
    void hangingUp();

private:
    void waitTimerTick();
    void waitDone();
    void dialWaitDone();
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
    // What ends the current wait (the dial's outcome); run once.
    std::function<void()> m_waitDone;

    SessionLine &m_line;
    bool m_canClose = false;
    bool m_halted = false;
    bool m_modemReady = false;
    bool m_linkedPending = false;
    bool m_closing = false;
    bool m_connected = false;
    int m_comPort = 1;
    int m_dialTimeout = DefaultDialTimeout;
    QString m_dialNumber;
    QString m_partnerName;
    QString m_partnerText;
    QString m_dialErrorText;
};

}  // namespace session
