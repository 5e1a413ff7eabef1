#pragma once

#include "core/Timer.h"
#include "comlink/ComPort.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

namespace comlink {

// The modem component: a Hayes dialogue over the port. It sends the commands,
// reads the modem's CR-terminated replies from everything the port receives,
// turns the result codes into the connection events, times the dial out, and
// hangs up by dropping DTR or, where DTR cannot be set, by the escape and ATH.
class HayesModem {
public:
    static constexpr int DialTimeoutMs = 45000;
    static constexpr int GuardMs = 1000;        // silence around the escape "+++"
    static constexpr int DtrDropMs = 500;       // how long DTR stays low for a hang-up
    static constexpr int MaxLineChars = 80;     // longer "lines" are data, not replies

    HayesModem(ComPort &port, core::TimerFactory &timers);
    ~HayesModem();
    HayesModem(const HayesModem &) = delete;
    HayesModem &operator=(const HayesModem &) = delete;

    // The component's own initialisation: the configure command.
    void initialise();
    // Sends "ATDT" + number + CR and waits at most DialTimeoutMs for the result.
    void dial(const QString &number);
    bool callInProgress() const { return m_dialling; }
    // Abandons a dial in progress (a CR aborts it) without a failure event.
    void cancelCall();
    // Hangs up and calls done when the modem is on-hook again.
    void hangUp(std::function<void()> done);
    // Hangs up at once, for the end of the program: DTR low, else ATH.
    void hangUpNow();
    // DCD where the line has it; otherwise present until the modem said "NO CARRIER".
    bool carrier() const;
    bool hangingUp() const { return m_hangingUp; }

    // Events; empty after construction.
    std::function<void()> onConnected;
    std::function<void(const QString &speed)> onLineSpeed;
    std::function<void(const QString &reason)> onConnectFailed;

private:
    void received(const QByteArray &data);
    void reply(const QString &line);
    void dialFailed(const QString &reason);
    void sendHangUpCommand();
    void hungUp();
    void later(int ms, std::function<void()> step);
    void send(const QByteArray &text);

    ComPort &m_port;
    std::unique_ptr<core::Timer> m_dialTimer;
    std::unique_ptr<core::Timer> m_hangupTimer;
    QByteArray m_line;
    bool m_dialling = false;
    bool m_online = false;       // connected since the last CONNECT
    bool m_noCarrier = false;    // the modem reported the carrier lost
    bool m_hangingUp = false;
    std::function<void()> m_hangupDone;
};

}  // namespace comlink
