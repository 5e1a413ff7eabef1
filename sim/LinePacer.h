#pragma once

#include "core/Timer.h"
#include "comlink/SerialLine.h"

#include <deque>
#include <memory>

namespace sim {

// Puts bytes on the line no faster than the baud rate allows (start, eight
// data and a stop bit each), so a pseudo-terminal behaves like the cable.
// A baud rate of 0 writes at once.
class LinePacer {
public:
    LinePacer(comlink::SerialLine &line, core::TimerFactory &timers, int baud);

    // Schedules the bytes after those still waiting and writes what is due.
    void send(const QByteArray &bytes);
    // Schedules one byte; flush() writes what is due.
    void schedule(quint8 byte);
    void flush();
    // Drops what has not gone out yet.
    void clear();

    qint64 bytesSent() const { return m_sent; }

private:
    comlink::SerialLine &m_line;
    core::TimerFactory &m_timers;
    qint64 m_byteNs;
    std::unique_ptr<core::Timer> m_timer;
    // Bytes with the millisecond they may leave, and when the line is free again.
    std::deque<std::pair<qint64, quint8>> m_pending;
    qint64 m_lineFreeNs = 0;
    qint64 m_sent = 0;
};

}  // namespace sim
