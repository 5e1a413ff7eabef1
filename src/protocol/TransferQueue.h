#pragma once

#include "core/Timer.h"
#include "core/Transfer.h"

#include <QByteArray>
#include <QString>

#include <deque>
#include <functional>
#include <memory>

namespace protocol {

// One queued request, owned by the queue until its answer has been handled.
struct TTransferItem {
    QByteArray Telegram;
    core::AnswerProc OnAnswer;
    int AnswerLength = 0;
    bool Placeholder = false;  // holds the line during a start delay; never sent
};

// The process-wide request queue: one request on the line at a time, the
// answer handed to its requester, then the next request. Answers carry no
// request id: an answer belongs to the head because only the head is sent.
class TransferQueue {
public:
    using SendProc = std::function<void(const QByteArray &telegram, core::AnswerProc answer)>;

    static constexpr int MaxEntries = 50;
    static constexpr int ResumeEntries = 40;
    static constexpr int MaxTelegram = 32;
    static constexpr int AnswerCountdownMs = 4000;
    static constexpr int CountdownTickMs = 100;
    static constexpr int LinkErrorDelayMs = 2500;
    static constexpr int DefaultStartDelayMs = 3000;

    explicit TransferQueue(core::TimerFactory &timers);
    ~TransferQueue();
    TransferQueue(const TransferQueue &) = delete;
    TransferQueue &operator=(const TransferQueue &) = delete;

    // Queues a request; true when queued. Refused while the link is down,
    // during another put, and while overflowed.
    bool TransferPut(int answerLength, core::AnswerProc onAnswer, const QByteArray &telegram);
    // The queue step: the head's answer arrived (or empty, to start).
    void TransferProcess(const QByteArray &answer);
    // Holds the line for delayMs, then sends the first queued request.
    void TransferStart(int delayMs = DefaultStartDelayMs);
    // Drops every entry without calling its handler.
    void TransferFlush();
    // Before the program ends: the window may close and the timers stop.
    void TransferHalt();
    // TransferPut bound to this queue, for units that only put.
    core::TransferPutFn putFunction();

    int Mode() const { return m_mode; }
    void SetMode(int mode) { m_mode = mode; notifyDisplay(); }
    bool Running() const { return m_running; }
    bool Overflow() const { return m_overflow; }
    bool Stopped() const { return m_stopped; }
    void SetStopped(bool stopped) { m_stopped = stopped; }
    bool CloseAllowed() const { return m_closeAllowed; }
    bool SendOnTimeout() const { return m_sendOnTimeout; }
    void SetSendOnTimeout(bool on) { m_sendOnTimeout = on; notifyDisplay(); }
    int DelayMs() const { return m_delayMs; }
    void SetDelayMs(int ms);  // 10..3000 in steps of 10
    int WaitMs() const { return m_waitMs; }
    void SetWaitMs(int ms);  // 200..10000 in steps of 100
    // Routes log lines to the window as well ("report lokal").
    bool ReportLocal() const { return m_reportLocal; }
    void SetReportLocal(bool on) { m_reportLocal = on; }

    int Count() const { return int(m_fifo.size()); }
    QString StatusText() const { return m_overflow ? QStringLiteral("MAX/STOPPED") : QStringLiteral("RUN"); }
    int Countdown() const { return m_countdownMs; }
    int WaitRestarts() const { return m_waitRestarts; }
    int LastDeltaMs() const { return m_deltaMs; }
    const TTransferItem &LastPut() const { return m_lastPut; }

    // Routes: mode 1 the framing layer, mode 2 the local line driver.
    SendProc SendFramed;
    SendProc SendLocal;
    std::function<bool()> IsLinkUp;  // unset: no gate
    std::function<void(int count)> OnCount;
    std::function<void()> OnProcess;
    std::function<void(const QString &text)> OnRestart;
    std::function<void(const QString &text)> OnQueueError;
    // Window hooks: a log line with its direction, and "something shown changed".
    std::function<void(const QString &line, bool outgoing)> OnLogLine;
    std::function<void()> OnDisplay;

private:
    void sendHead(bool noteNoAnswer);
    void sendTelegram(const QByteArray &telegram);
    void framedAnswer(const QByteArray &answer);
    void delayExpired();
    void startExpired();
    void waitExpired();
    void countdownTick();
    void answerTimedOut();
    void startCountdown();
    void stopCountdown();
    void logOut(const QString &text, bool request = false);
    void logIn(const QString &text);
    void writeLog(const QString &line, bool outgoing);
    void fillChanged();
    void notifyDisplay();

    core::TimerFactory &m_timers;
    std::unique_ptr<core::Timer> m_delayTimer;
    std::unique_ptr<core::Timer> m_waitTimer;
    std::unique_ptr<core::Timer> m_startTimer;
    std::unique_ptr<core::Timer> m_countdownTimer;

    std::deque<TTransferItem> m_fifo;
    TTransferItem m_lastPut;
    QByteArray m_lastAnswer;
    int m_mode = 1;
    bool m_running = true;
    bool m_overflow = false;
    bool m_stopped = false;
    bool m_closeAllowed = false;
    bool m_putBusy = false;
    bool m_sendOnTimeout = false;
    bool m_reportLocal = false;
    bool m_lastAnswerIsLinkError = false;
    int m_delayMs = 50;
    int m_waitMs = 2000;
    int m_countdownMs = 0;
    int m_waitRestarts = 0;
    int m_sendTime = 0;
    int m_deltaMs = 0;
};

// The framing layer's link failures: busy, or no answer in time.
bool isLinkErrorAnswer(const QByteArray &answer);

}  // namespace protocol
