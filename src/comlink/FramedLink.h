#pragma once

#include <QByteArray>
#include <QString>

#include "core/Timer.h"
#include "core/Transfer.h"

#include <functional>
#include <memory>

namespace comlink {

// The framing layer of the modem route: wraps one request telegram in a
// frame (STX, LEN, header, payload, CHK), runs the SOH/ACK/NAK handshake in
// both directions, finds the answer frame in the received bytes and hands its
// content back. One transfer at a time. It reaches the port only through the
// hooks below, so it runs against any byte stream.
class FramedLink {
public:
    enum StateValue { Idle = 0, SohSent = 1, FrameSent = 2, Receiving = 3, SohRepeat = 5 };

    static constexpr char SOH = 0x01;
    static constexpr char STX = 0x02;
    static constexpr char ACK = 0x06;
    static constexpr char NAK = 0x15;
    static constexpr int AnswerTimeoutMs = 5000;
    // More unframed bytes than this while receiving cannot be an answer.
    static constexpr int MaxReceived = 1024;

    static const QByteArray StatusError;   // "<ERROR> NC/STATUS"
    static const QByteArray TimeoutError;  // "<ERROR> NC/TIME.OUT 5000"
    static const QString LinkError;        // "KAVCOM_TO_ZBL Error"
    static const QString NoAnswerText;     // "return with no answer"
    static const QByteArray StandardHeader;  // 28 FF FF

    struct Unpacked {
        QByteArray data;
        bool error = true;
    };

    explicit FramedLink(core::TimerFactory &timers);
    ~FramedLink();
    FramedLink(const FramedLink &) = delete;
    FramedLink &operator=(const FramedLink &) = delete;

    // Header 28 FF FF + payload, LEN in front, CHK behind (no STX).
    static QByteArray buildFrame(const QByteArray &payload);
    // (sum of the bytes - 1) mod 256, over LEN, header and payload.
    static quint8 checksum(const QByteArray &lenHeaderPayload);
    static Unpacked unpackAnswer(const QByteArray &answer);
    // The answer frame content (header, data, checksum) of the first STX
    // followed by header in received; empty while it is incomplete.
    static QByteArray findAnswerFrame(const QByteArray &received, const QByteArray &header, bool *complete);

    // The normal request: frames the telegram and delivers the answer data or
    // an error text to onAnswer exactly once. False (with "<ERROR> NC/STATUS"
    // to onAnswer) while another transfer is in progress.
    bool kavcomSend(const QByteArray &telegram, core::AnswerProc onAnswer);
    // Raw start with a pre-built frame (without STX); onFrame gets the answer
    // frame content (header, data, checksum).
    bool startSend(const QByteArray &frame, core::AnswerProc onFrame);
    // Raw start of a frame that the far end only acknowledges.
    bool sendNoAnswer(const QByteArray &frame, std::function<void(const QString &)> onNoAnswer);
    // Abandons any transfer; a pending KavcomSend caller gets "<ERROR> NC/STATUS".
    void kavcomReset();

    // The port's receive hook while installed: count bytes are available.
    void receiveBytes(int count);

    int state() const { return m_state; }
    // A transfer runs from its start until its answer, acknowledgement,
    // time-out or reset, even while the handshake rests in Idle.
    bool busy() const { return m_state != Idle || m_transfer != NoTransfer; }
    const QByteArray &rxBuffer() const { return m_rxBuffer; }
    bool stateTimerActive() const { return m_stateTimer->isActive(); }
    int stateTimerInterval() const { return m_stateTimer->interval(); }

    // The header that marks an answer frame: 28 FF FF, or 28 FF 91 while the
    // partner name is awaited.
    const QByteArray &answerHeader() const { return m_answerHeader; }
    void setAnswerHeader(const QByteArray &value) { m_answerHeader = value; }

    // Port hooks, set by the owner of the line.
    std::function<bool(const QByteArray &)> sendString;
    std::function<QByteArray(int)> readChars;
    // Installs (non-empty) or removes (empty) the port's receive hook.
    std::function<void(std::function<void(int)>)> setPortRxHook;

    // Told of link failures (answer time-out, answer that is no answer frame).
    std::function<void(const QString &)> onLinkError;

private:
    enum Transfer { NoTransfer, AwaitAnswer, AwaitFrame, AwaitAck };

    void start(const QByteArray &frame, Transfer kind);
    void step(char b);
    void stepFirstOfBuffer();
    char takeRxByte();  // the buffer must not be empty
    void stepIdle(char b);
    void stepSohSent(char b);
    void stepFrameSent(char b);
    void stepReceiving(char b);
    void stateTimerExpired();
    void frameSentTimerExpired();
    void answerTimerExpired();
    void frameComplete(const QByteArray &frame);
    void answerArrived(const QByteArray &answer);
    void resetLayer();
    void send(const QByteArray &bytes);
    void sendByte(char b) { send(QByteArray(1, b)); }
    void setState(StateValue state, int timerMs = -1);
    void trace(const QString &text);

    std::unique_ptr<core::Timer> m_stateTimer;
    std::unique_ptr<core::Timer> m_answerTimer;
    int m_state = Idle;
    Transfer m_transfer = NoTransfer;
    bool m_hookInstalled = false;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    QByteArray m_outFrame;
    QByteArray m_rxBuffer;
    QByteArray m_accumulator;
    core::AnswerProc m_onFrame;
    std::function<void(const QString &)> m_onNoAnswer;
    core::AnswerProc m_callerAnswer;

    QByteArray m_answerHeader = StandardHeader;
};

}  // namespace comlink
