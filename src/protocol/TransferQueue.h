#pragma once

#include "core/Channel.h"
#include "core/Timer.h"

#include <QByteArray>
#include <QString>

#include <deque>
#include <functional>
#include <memory>

namespace protocol {

// One queued request, owned by the queue until its answer has been handled.
struct TransferItem {
    core::Request request;
    bool placeholder = false;  // holds the line during a start delay; never sent
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
    bool transferPut(core::Request request);
    bool transferPut(int answerLength, core::AnswerProc onAnswer, const QByteArray &telegram)
    {
        return transferPut(core::Request{telegram, answerLength, std::move(onAnswer), {}});
    }
    // The queue step: the head's answer arrived (or empty, to start).
    void transferProcess(const QByteArray &answer);
    // Holds the line for delayMs, then sends the first queued request.
    void transferStart(int delayMs = DefaultStartDelayMs);
    // Drops every entry; each one's owner hears it through its drop procedure.
    void transferFlush();
    // The link is lost: what the local route still holds of the request on the
    // line goes too, so it cannot go out later, then every entry is dropped.
    void linkLost();
    // Before the program ends: the window may close and the timers stop.
    void transferHalt();

    int mode() const { return m_mode; }
    void setMode(int mode) { m_mode = mode; notifyDisplay(); }
    bool running() const { return m_running; }
    bool overflow() const { return m_overflow; }
    bool stopped() const { return m_stopped; }
    void setStopped(bool stopped) { m_stopped = stopped; }
    bool closeAllowed() const { return m_closeAllowed; }
    bool sendOnTimeout() const { return m_sendOnTimeout; }
    void setSendOnTimeout(bool on) { m_sendOnTimeout = on; notifyDisplay(); }
    int delayMs() const { return m_delayMs; }
    void setDelayMs(int ms);  // 10..3000 in steps of 10
    int waitMs() const { return m_waitMs; }
    void setWaitMs(int ms);  // 200..10000 in steps of 100
    // Routes log lines to the window as well ("report lokal").
    bool reportLocal() const { return m_reportLocal; }
    void setReportLocal(bool on) { m_reportLocal = on; }

    int count() const { return int(m_fifo.size()); }
    QString statusText() const { return m_overflow ? QStringLiteral("MAX/STOPPED") : QStringLiteral("RUN"); }
    int countdown() const { return m_countdownMs; }
    int waitRestarts() const { return m_waitRestarts; }
    int lastDeltaMs() const { return m_deltaMs; }
    const TransferItem &lastPut() const { return m_lastPut; }

    // Routes: mode 1 the framing layer, mode 2 the local line driver.
    SendProc sendFramed;
    SendProc sendLocal;
    // Mode 2 gave up on the request on the line: the local route drops what it still holds of it.
    std::function<void()> dropLocal;
    std::function<bool()> isLinkUp;  // unset: no gate
    std::function<void(int count)> onCount;
    std::function<void()> onProcess;
    std::function<void(const QString &text)> onRestart;
    std::function<void(const QString &text)> onQueueError;
    // Window hooks: a log line with its direction, and "something shown changed".
    std::function<void(const QString &line, bool outgoing)> onLogLine;
    std::function<void()> onDisplay;

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
    // Tells the owners of entries taken off the queue unanswered.
    void dropped(std::deque<TransferItem> items);

    core::TimerFactory &m_timers;
    std::unique_ptr<core::Timer> m_delayTimer;
    std::unique_ptr<core::Timer> m_waitTimer;
    std::unique_ptr<core::Timer> m_startTimer;
    std::unique_ptr<core::Timer> m_countdownTimer;

    std::deque<TransferItem> m_fifo;
    TransferItem m_lastPut;
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
    // The head went out and waits for its answer.
    bool m_answerAwaited = false;
    // A flush dropped the request on the line; its answer is still to come.
    bool m_orphanOnLine = false;
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
