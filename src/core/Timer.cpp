#include "Timer.h"

#include <QElapsedTimer>
#include <QTimer>

namespace core {

void TimerFactory::singleShot(int ms, std::function<void()> callback)
{
    // Finished shots are reused so a long run does not pile up timers.
    Timer *slot = nullptr;
    for (auto &t : m_shots)
        if (!t->isActive()) { slot = t.get(); break; }
    if (!slot) {
        m_shots.push_back(createTimer());
        slot = m_shots.back().get();
    }
    slot->setSingleShot(true);
    slot->setCallback(std::move(callback));
    slot->start(ms);
}

namespace {

class QtClock : public Clock {
public:
    QtClock() { m_elapsed.start(); }
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    qint64 elapsedMs() const override { return m_elapsed.elapsed(); }

private:
    QElapsedTimer m_elapsed;
};

class QtTimer : public Timer {
public:
    QtTimer()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { fire(); });
    }
    void setInterval(int ms) override { m_timer.setInterval(ms); }
    int interval() const override { return m_timer.interval(); }
    void setSingleShot(bool single) override { m_timer.setSingleShot(single); }
    void start() override { m_timer.start(); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

}  // namespace

QtTimerFactory::QtTimerFactory() : m_clock(std::make_unique<QtClock>()) {}

std::unique_ptr<Timer> QtTimerFactory::createTimer() { return std::make_unique<QtTimer>(); }

Clock &QtTimerFactory::clock() { return *m_clock; }

class VirtualTime::VTimer : public Timer {
public:
    explicit VTimer(VirtualTime *owner) : m_owner(owner) {}
    ~VTimer() override { stop(); }
    void setInterval(int ms) override { m_interval = qMax(0, ms); }
    int interval() const override { return m_interval; }
    void setSingleShot(bool single) override { m_single = single; }
    void start() override
    {
        stop();
        if (!m_owner) return;
        m_active = true;
        m_owner->schedule(this, m_interval);
    }
    void stop() override
    {
        if (m_active && m_owner) m_owner->unschedule(this);
        m_active = false;
    }
    bool isActive() const override { return m_active; }

    void expire()
    {
        // Called after being taken off the queue.
        if (m_single) m_active = false;
        else m_owner->schedule(this, qMax(1, m_interval));  // a zero repeat must still let time pass
        fire();
    }

    VirtualTime *m_owner;
    int m_interval = 0;
    bool m_single = false;
    bool m_active = false;
    Due m_due{0, 0};
};

VirtualTime::VirtualTime(QDateTime start) : m_start(std::move(start)) {}

VirtualTime::~VirtualTime()
{
    for (auto &entry : m_queue) {
        entry.second->m_active = false;
        entry.second->m_owner = nullptr;
    }
}

std::unique_ptr<Timer> VirtualTime::createTimer() { return std::make_unique<VTimer>(this); }

void VirtualTime::schedule(VTimer *timer, int delayMs)
{
    timer->m_due = Due{m_nowMs + delayMs, ++m_seq};
    m_queue.emplace(timer->m_due, timer);
}

void VirtualTime::unschedule(VTimer *timer) { m_queue.erase(timer->m_due); }

bool VirtualTime::fireNext(qint64 limit)
{
    if (m_queue.empty()) return false;
    auto first = m_queue.begin();
    if (first->first.at > limit) return false;
    VTimer *timer = first->second;
    m_nowMs = qMax(m_nowMs, first->first.at);
    m_queue.erase(first);
    timer->expire();
    return true;
}

void VirtualTime::advance(qint64 ms)
{
    const qint64 limit = m_nowMs + qMax<qint64>(0, ms);
    while (fireNext(limit)) {
    }
    m_nowMs = limit;
}

qint64 VirtualTime::runUntilIdle(qint64 limitMs)
{
    const qint64 begin = m_nowMs;
    while (fireNext(begin + limitMs)) {
    }
    return m_nowMs - begin;
}

int VirtualTime::activeTimers() const { return int(m_queue.size()); }

}  // namespace core
