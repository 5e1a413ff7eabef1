#pragma once

#include "comlink/SerialLine.h"

#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace comlink {

// A thread that keeps a line's steady idle going on the device itself: it waits
// for the partner's one-byte reply, writes the idle byte again, and so on while
// every reply is the expected one. The first other reply (kept for the owner),
// an error of the device or stop() end it. The GUI thread's event loop then no
// longer wakes for each of the line's two thousand exchanges a second.
class IdleExchange {
public:
    IdleExchange();
    ~IdleExchange();
    IdleExchange(const IdleExchange &) = delete;
    IdleExchange &operator=(const IdleExchange &) = delete;

    // Starts awaiting the reply to a byte already sent. onEnded runs on the
    // worker thread when it ends by itself.
    bool start(int fd, quint8 byte, quint8 reply, std::function<void()> onEnded);
    // Ends it at once and waits for the thread; the report of the whole run.
    // Safe when it is not running (the report of the last run).
    IdleExchangeReport stop();
    IdleExchangeReport status() const;
    bool active() const { return m_thread.joinable(); }
    // The reply that ended the run, at most one byte; emptied by the call.
    QByteArray takeUnexpected();

private:
    using Clock = std::chrono::steady_clock;
    void run();
    void finish(bool replyPending);

    int m_wakeFd = -1;
    int m_fd = -1;
    quint8 m_byte = 0, m_reply = 0;
    std::function<void()> m_onEnded;
    std::thread m_thread;
    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_running{false};
    std::atomic<qint64> m_exchanges{0};
    std::atomic<Clock::rep> m_lastReply{0};
    bool m_replyPending = true;
    QByteArray m_unexpected;
};

}  // namespace comlink
