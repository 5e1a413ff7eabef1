#pragma once

#include "LineRoute.h"
#include "core/Channel.h"
#include "core/Timer.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <deque>
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
class TransferQueue : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxEntries = 50;
    static constexpr int ResumeEntries = 40;
    static constexpr int MaxTelegram = 32;
    static constexpr int AnswerCountdownMs = 4000;
    static constexpr int CountdownTickMs = 100;
    static constexpr int LinkErrorDelayMs = 2500;
    static constexpr int DefaultStartDelayMs = 3000;

    explicit TransferQueue(core::TimerFactory &timers);
    ~TransferQueue() override;
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

    // The route the telegrams take: the framing layer in mode 1, the local
    // line driver in mode 2. The program sets it when it switches between the
    // local and the remote route; without one nothing goes out and no put is refused.
    void setRoute(LineRoute *route) { m_route = route; }
    LineRoute *route() const { return m_route; }

signals:
    // The number of queued entries changed.
    void countChanged(int count);
    // An answer is being processed.
    void processing();
    // A link error flushed the queue and it starts over.
    void restarted(const QString &text);
    // The framing layer reported a link error (empty: the error is over).
    void queueError(const QString &text);
    // A traffic line with its direction, while "report lokal" is on.
    void logLine(const QString &line, bool outgoing);
    // Something a window shows of the queue changed.
    void displayChanged();

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
    LineRoute *m_route = nullptr;
    // The route the last mode 2 request went out on: what it still holds is
    // dropped there when the queue gives up, even after a switch of routes.
    LineRoute *m_localSender = nullptr;
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
