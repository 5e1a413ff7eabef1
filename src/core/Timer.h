#pragma once

#include <QDateTime>
#include <QtGlobal>

#include <functional>
#include <map>
#include <memory>

namespace core {

// Wall-clock reading behind an interface, so logic can run on virtual time.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Monotonic milliseconds, for measuring spans.
    virtual qint64 elapsedMs() const = 0;
    int msecsSinceMidnight() const { return now().time().msecsSinceStartOfDay(); }
};

// A repeating window-style timer: fires every interval() ms while active,
// until stopped. Single-shot timers stop themselves before the callback runs.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    virtual void setSingleShot(bool single) = 0;
    virtual void start() = 0;
    void start(int ms) { setInterval(ms); start(); }
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    void setCallback(std::function<void()> callback) { m_callback = std::move(callback); }

protected:
    void fire()
    {
        // A copy, so the callback may replace itself or drop the timer's owner state.
        if (auto callback = m_callback) callback();
    }

private:
    std::function<void()> m_callback;
};

class TimerFactory {
public:
    virtual ~TimerFactory() = default;
    virtual std::unique_ptr<Timer> createTimer() = 0;
    virtual Clock &clock() = 0;
    // Runs callback once after ms; the shot is dropped when the factory goes away.
    void singleShot(int ms, std::function<void()> callback);

private:
    std::vector<std::unique_ptr<Timer>> m_shots;
};

// Real time: QTimer on the GUI thread's event loop.
class QtTimerFactory : public TimerFactory {
public:
    QtTimerFactory();
    std::unique_ptr<Timer> createTimer() override;
    Clock &clock() override;

private:
    std::unique_ptr<Clock> m_clock;
};

// Virtual time for tests: nothing happens until advance() moves the clock;
// due timers then fire in order of their due time (ties: in start order).
class VirtualTime : public TimerFactory, public Clock {
public:
    explicit VirtualTime(QDateTime start = QDateTime(QDate(2026, 12, 8), QTime(4, 22, 31)));
    ~VirtualTime() override;

    std::unique_ptr<Timer> createTimer() override;
    Clock &clock() override { return *this; }

    QDateTime now() const override { return m_start.addMSecs(m_nowMs); }
    qint64 elapsedMs() const override { return m_nowMs; }

    // Moves time forward by ms, firing every timer that falls due on the way.
    void advance(qint64 ms);
    // Fires timers until none is active or the limit is reached; returns the time spent.
    qint64 runUntilIdle(qint64 limitMs = 3600 * 1000);
    int activeTimers() const;

private:
    class VTimer;
    friend class VTimer;
    struct Due {
        qint64 at;
        quint64 seq;
        bool operator<(const Due &o) const { return at != o.at ? at < o.at : seq < o.seq; }
    };
    void schedule(VTimer *timer, int delayMs);
    void unschedule(VTimer *timer);
    bool fireNext(qint64 limit);

    QDateTime m_start;
    qint64 m_nowMs = 0;
    quint64 m_seq = 0;
    std::map<Due, VTimer *> m_queue;
};

}  // namespace core
