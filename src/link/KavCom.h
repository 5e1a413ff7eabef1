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
class TKavCom {
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

    explicit TKavCom(core::TimerFactory &timers);
    ~TKavCom();
    TKavCom(const TKavCom &) = delete;
    TKavCom &operator=(const TKavCom &) = delete;

    // Header 28 FF FF + payload, LEN in front, CHK behind (no STX).
    static QByteArray BuildFrame(const QByteArray &payload);
    // (sum of the bytes - 1) mod 256, over LEN, header and payload.
    static quint8 Checksum(const QByteArray &lenHeaderPayload);
    static Unpacked UnpackAnswer(const QByteArray &answer);
    // The answer frame content (header, data, checksum) of the first STX
    // followed by header in received; empty while it is incomplete.
    static QByteArray FindAnswerFrame(const QByteArray &received, const QByteArray &header, bool *complete);

    // The normal request: frames the telegram and delivers the answer data or
    // an error text to onAnswer exactly once. False (with "<ERROR> NC/STATUS"
    // to onAnswer) while another transfer is in progress.
    bool KavcomSend(const QByteArray &telegram, core::AnswerProc onAnswer);
    // Raw start with a pre-built frame (without STX); onFrame gets the answer
    // frame content (header, data, checksum).
    bool StartSend(const QByteArray &frame, core::AnswerProc onFrame);
    // Raw start of a frame that the far end only acknowledges.
    bool SendNoAnswer(const QByteArray &frame, std::function<void(const QString &)> onNoAnswer);
    // Abandons any transfer; a pending KavcomSend caller gets "<ERROR> NC/STATUS".
    void KavcomReset();

    // The port's receive hook while installed: count bytes are available.
    void ReceiveBytes(int count);

    int State() const { return m_state; }
    // A transfer runs from its start until its answer, acknowledgement,
    // time-out or reset, even while the handshake rests in Idle.
    bool Busy() const { return m_state != Idle || m_transfer != NoTransfer; }
    const QByteArray &RxBuffer() const { return m_rxBuffer; }
    bool StateTimerActive() const { return m_stateTimer->isActive(); }
    int StateTimerInterval() const { return m_stateTimer->interval(); }

    // The header that marks an answer frame: 28 FF FF, or 28 FF 91 while the
    // partner name is awaited.
    QByteArray AnswerHeader = StandardHeader;

    // Port hooks, set by the owner of the line.
    std::function<bool(const QByteArray &)> SendString;
    std::function<QByteArray(int)> ReadChars;
    // Installs (non-empty) or removes (empty) the port's receive hook.
    std::function<void(std::function<void(int)>)> SetPortRxHook;

    // Told of link failures (answer time-out, answer that is no answer frame).
    std::function<void(const QString &)> OnLinkError;

private:
    enum Transfer { NoTransfer, AwaitAnswer, AwaitFrame, AwaitAck };

    void Start(const QByteArray &frame, Transfer kind);
    void Step(char b);
    void StepFirstOfBuffer();
    char TakeRxByte();  // the buffer must not be empty
    void StepIdle(char b);
    void StepSohSent(char b);
    void StepFrameSent(char b);
    void StepReceiving(char b);
    void StateTimerExpired();
    void FrameSentTimerExpired();
    void AnswerTimerExpired();
    void FrameComplete(const QByteArray &frame);
    void AnswerArrived(const QByteArray &answer);
    void ResetLayer();
    void Send(const QByteArray &bytes);
    void SendByte(char b) { Send(QByteArray(1, b)); }
    void SetState(StateValue state, int timerMs = -1);
    void Trace(const QString &text);

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
};

}  // namespace comlink
