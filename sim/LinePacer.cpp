#include "LinePacer.h"

namespace sim {

LinePacer::LinePacer(comlink::SerialLine &line, core::TimerFactory &timers, int baud)
    : m_line(line), m_timers(timers), m_byteNs(baud > 0 ? 10'000'000'000 / baud : 0), m_timer(timers.createTimer())
{
    m_timer->setSingleShot(true);
    m_timer->setCallback([this] { flush(); });
}

void LinePacer::send(const QByteArray &bytes)
{
    for (char b : bytes) schedule(quint8(b));
    flush();
}

void LinePacer::schedule(quint8 byte)
{
    // The clock counts whole milliseconds and timers fire late, so the line
    // may lag the clock by one millisecond without losing that time: the
    // long-run rate stays that of the baud rate.
    const qint64 nowNs = m_timers.clock().elapsedMs() * 1'000'000;
    m_lineFreeNs = qMax(nowNs - 1'000'000, m_lineFreeNs) + m_byteNs;
    m_pending.emplace_back(m_byteNs > 0 ? m_lineFreeNs / 1'000'000 : 0, byte);
}

void LinePacer::flush()
{
    const qint64 now = m_timers.clock().elapsedMs();
    QByteArray due;
    while (!m_pending.empty() && m_pending.front().first <= now) {
        due += char(m_pending.front().second);
        m_pending.pop_front();
    }
    if (!due.isEmpty() && m_line.write(due) > 0) m_sent += due.size();
    if (!m_pending.empty() && !m_timer->isActive()) m_timer->start(int(m_pending.front().first - now));
}

void LinePacer::clear()
{
    m_pending.clear();
    m_timer->stop();
}

}  // namespace sim
