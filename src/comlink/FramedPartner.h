#pragma once

#include <QByteArray>

#include "core/Timer.h"
#include "comlink/SerialLine.h"

#include <functional>
#include <memory>

namespace comlink {

// The controller's side of the framed modem protocol, for the stand-in
// controller and for tests: acknowledges the PC's SOH, checks and
// acknowledges its frames (NAK on a bad checksum), answers the
// synchronisation probe, the notification and the partner-name request, and
// sends answer frames with its own SOH/ACK handshake, repeating on NAK.
class FramedPartner {
public:
    static constexpr int RetryLimit = 10;

    explicit FramedPartner(core::TimerFactory &timers);
    ~FramedPartner();
    FramedPartner(const FramedPartner &) = delete;
    FramedPartner &operator=(const FramedPartner &) = delete;

    // Bytes from the PC, as they arrive (a modem front passes them on in data mode).
    void receive(const QByteArray &bytes);
    // Reads line and answers on it: sets its onReadyRead and Send. The line
    // must outlive the partner, which unhooks itself when it goes.
    void attach(SerialLine &line);
    // Puts bytes on the line to the PC.
    std::function<void(const QByteArray &)> send;

    // A new connection: the first SOH gets the synchronisation reply 06 15 15.
    void resetSync();
    bool synchronised() const { return m_synchronised; }
    bool notified() const { return m_notified; }

    // Answers one request telegram with its answer data; empty means no answer frame.
    std::function<QByteArray(const QByteArray &telegram)> onRequest;
    // The installation's name, sent on the partner-name request.
    const QByteArray &partnerName() const { return m_partnerName; }
    void setPartnerName(const QByteArray &value) { m_partnerName = value; }

    // Fault injection: refuse the next n good frames with NAK; stay silent.
    void nakNextFrames(int n) { m_nakFrames = n; }
    void setSilent(bool silent) { m_silent = silent; }
    // Fault injection: asked for each good request frame; true refuses it with NAK.
    std::function<bool()> refuseRequest;

private:
    enum Phase { Idle, AwaitFrame, AnswerSohSent, AnswerFrameSent };

    void step(char b);
    void frameByte(char b);
    void frameReceived(const QByteArray &content);
    bool refused(const QByteArray &content) const;
    void sendAnswer(const QByteArray &content);
    void repeatAnswer();
    void timerExpired();
    void write(const QByteArray &bytes);
    void setPhase(Phase phase, int timerMs);

    std::unique_ptr<core::Timer> m_timer;
    SerialLine *m_attached = nullptr;
    Phase m_phase = Idle;
    bool m_synchronised = false;
    bool m_notified = false;
    bool m_silent = false;
    int m_nakFrames = 0;
    int m_tries = 0;
    QByteArray m_frame;        // the PC's frame being received
    QByteArray m_answerFrame;  // our answer, STX included, until acknowledged

    QByteArray m_partnerName = "HALTRON-SIM";
};

}  // namespace comlink
