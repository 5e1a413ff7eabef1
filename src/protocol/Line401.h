#pragma once

#include "core/Timer.h"
#include "core/Channel.h"
#include "protocol/Line401Bytes.h"
#include "comlink/ComPort.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace protocol {

// The driver of the directly cabled "401" line (zbl_401) together with the
// state its port window owns (LineDriverWindow: line timer, counters, time-out).
// Every data byte travels as two nibbles; every line byte we send is
// answered by exactly one line byte of the partner.
class Line401 {
public:
    static constexpr int RingSize = 1001;  // at most RingSize - 1 bytes wait
    static constexpr int RetryMs = 500;    // simulated reset byte while the partner is silent
    // Times in a row a byte whose markers do not fit is asked for again before it is taken as it is.
    static constexpr int RequestLimit = 4;

    using BlockDoneProc = std::function<void(const QByteArray &block, bool complete)>;

    Line401(comlink::ComPort &port, core::TimerFactory &timers);
    ~Line401();
    Line401(const Line401 &) = delete;
    Line401 &operator=(const Line401 &) = delete;

    // Driver.
    void lineSend(const QByteArray &telegram, core::AnswerProc onAnswer);
    // The request is given up on: its bytes not yet sent never go out, an answer to it goes nowhere.
    void dropRequest();
    void lineInit();
    void lineStep();
    // Block read: queue F0 10 5C 01 and take the next count raw bytes.
    // False (and logged) when the queue refuses the start telegram.
    bool startBlockRead(BlockDoneProc onDone, int count);

    // Port window.
    void openLine();
    void startStopLine();
    void setLinkMode(int mode);
    int swapLineTimeout(int newMs);
    quint8 zblPortWrite(quint8 byte);
    void zblPortHalt();
    // The "Restart" button.
    void restart();

    // The controller buttons; answers come back through OnViewChanged.
    bool qrxReset();
    bool askF100();
    bool askGroup();
    // "F101": the version text into the message field, through AskVersion.
    bool askVersionText();

    // The line lamp: silent until a reply comes; a time-out turns it silent
    // and timedOut by turns, so a dead line blinks.
    enum class LineState { Silent, Replying, TimedOut };
    // State the window shows.
    struct View {
        QString portText;          // the port's text once it opened
        bool portFailed = false;   // the last open failed
        QString qrxReturn;         // "Qrx/Return": the last answer, in hex
        bool qrxWaiting = false;   // a request of the QRx buttons is under way
        QString message;
        QString blockRemaining;
        LineState line = LineState::Silent;
        bool synced = false;   // the controller answered F1 00 with F1 01
        int txCount = 0;
        int rxCount = 0;
        int timeoutCount = 0;
    };
    // With the counts of an idle exchange the line runs by itself.
    View view() const;

    int lineTimeout() const { return m_lineTimeout; }
    bool lineGood() const { return m_s.lineGood; }
    bool lineStopped() const { return m_lineStopped; }
    // OpenLine has run: the line is the port's owner, and its link lamp shows the port's link.
    bool lineOpened() const { return m_lineOpened; }
    comlink::ComPort &port() const { return m_port; }
    bool halted() const { return m_halted; }
    bool writeLocked() const { return m_writeLocked; }
    bool lineRunning() const;
    int outCount() const { return m_s.outCount; }
    QByteArray otherData() const { return m_answer.other; }

    // Settings and hooks, empty after construction.
    int comNumber() const { return m_comNumber; }                        // COM port of the local link
    void setComNumber(int value) { m_comNumber = value; }
    // The way to the controller for the block read and the controller buttons.
    void setChannel(core::Channel *channel) { m_channel = channel; }
    std::function<void(int mode)> setQueueMode;
    // Asks the controller's version text (GetVersion); false when not asked.
    std::function<bool(std::function<void(const QString &text)>)> askVersion;
    std::function<void()> onViewChanged;

private:
    struct State {
        quint8 ring[RingSize] = {};
        int writeIndex = 0, readIndex = 0, outCount = 0;
        quint8 curByte = 0, txByte = 0;
        bool markRepeat = false, markLow = false, markIdle = false, markRequest = false;
        int tryCount = 0;
        quint8 rxLast = 0, rxAssembly = 0;
        bool partnerRepeat = false, partnerIdle = false, partnerLow = false;
        bool waitReply = false, resetMode = false;
        int idleCount = 0;
        bool lineGood = false;
        quint8 rxByte = 0;
        bool rxArrived = false;
        bool rxHigh = false;      // a high nibble is held: the low one is due
        bool askedAgain = false;  // the byte last sent carried the request marker
        int requestCount = 0;     // requests in a row for the same reply
        quint8 rxDoubted = 0;     // the reply that was asked for again
    };
    struct Answer {
        QByteArray buf, other;
        int remaining = 0;
    };
    struct Block {
        int state = 0;  // 0 idle, 1 armed, 2 receiving
        QByteArray data;
        int remaining = 0;
        bool startInRing = false;  // the start telegram has reached the send ring
        BlockDoneProc onDone;
    };

    void stepSend();
    void stepReceive();
    void composeNext();
    bool fitsState(quint8 byte) const;
    bool askAgain(quint8 byte);
    void deliverByte(quint8 byte);
    void resetAnswer();
    void dropHalfAnswer();
    // The hooks this driver installs in the port, recognisable when it takes them back.
    struct RxForward {
        Line401 *line;
        void operator()(int count) const { line->onRx(count); }
    };
    struct LampForward {
        Line401 *line;
        void operator()(bool) const { line->startStopLine(); }
    };
    void releasePort();
    void waitForQrx();
    bool steadyIdle() const;
    void handOverIdle();
    void takeLineBack();
    void onRx(int count);
    void storeBlock();
    void finishBlock(bool complete);
    void onLineTimer();
    void startLineTimer();
    void noteLink(bool good);
    bool put(int answerLength, core::AnswerProc onAnswer, const QByteArray &telegram);
    void showQrxAnswer(const QByteArray &answer);
    void changed();

    comlink::ComPort &m_port;
    core::Channel *m_channel = nullptr;
    core::Clock &m_clock;
    std::unique_ptr<core::Timer> m_lineTimer;
    qint64 m_lineDeadlineMs = 0;  // no reply until then: the line timer's time-out
    // The steady idle runs on the line itself (ComPort::startIdleExchange); the
    // driver's state stays "idle byte sent, reply awaited" meanwhile.
    bool m_idleHandedOver = false;
    qint64 m_idleCounted = 0;     // of its exchanges, already in the view's counts
    State m_s;
    Answer m_answer;
    Block m_block;
    core::AnswerProc m_onLineAnswer;
    View m_view;
    int m_lineTimeout = 2000;
    bool m_lineStopped = false;
    bool m_halted = false;
    bool m_writeLocked = false;
    bool m_lineOpened = false;   // OpenLine has run; the line timer may try to reopen
    std::optional<bool> m_reportedUp;  // the link state the log told last
    bool m_ledYellow = false;

    int m_comNumber = 1;
};

}  // namespace protocol
