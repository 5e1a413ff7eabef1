#include "SerialLine.h"

namespace comlink {

QString comPortDevice(int n, const QString &configuredDevice)
{
    if (!configuredDevice.trimmed().isEmpty()) return configuredDevice.trimmed();
    return QStringLiteral("/dev/ttyS%1").arg(qMax(1, n) - 1);
}

std::pair<std::unique_ptr<MemorySerialLine>, std::unique_ptr<MemorySerialLine>> MemorySerialLine::createPair(core::TimerFactory *timers, int delayMs)
{
    std::unique_ptr<MemorySerialLine> a(new MemorySerialLine), b(new MemorySerialLine);
    for (auto *end : {a.get(), b.get()}) {
        end->m_timers = timers;
        end->m_delayMs = delayMs;
    }
    a->m_peer = b.get();
    b->m_peer = a.get();
    return {std::move(a), std::move(b)};
}

MemorySerialLine::~MemorySerialLine()
{
    *m_alive = false;
    if (m_peer) m_peer->m_peer = nullptr;
}

bool MemorySerialLine::open(const QString &, int)
{
    if (m_openFails) {
        m_error = QStringLiteral("no such device");
        return false;
    }
    m_open = true;
    m_error.clear();
    return true;
}

void MemorySerialLine::close()
{
    m_open = false;
    m_idle.running = false;
    m_rx.clear();
}

qint64 MemorySerialLine::write(const QByteArray &data)
{
    if (!m_open) return -1;
    m_written += data;
    if (m_peer) m_peer->receive(data);
    return data.size();
}

void MemorySerialLine::receive(const QByteArray &data)
{
    if (!m_timers) {
        inject(data);
        return;
    }
    std::weak_ptr<bool> alive = m_alive;
    m_timers->singleShot(m_delayMs, [this, alive, data] {
        if (!alive.expired()) inject(data);
    });
}

void MemorySerialLine::inject(const QByteArray &received)
{
    if (!m_open || received.isEmpty()) return;
    const QByteArray data = m_idle.running ? exchangeIdle(received) : received;
    if (data.isEmpty()) return;
    m_rx += data;
    if (onReadyRead) onReadyRead();
}

QByteArray MemorySerialLine::read(qint64 maxBytes)
{
    const QByteArray out = m_rx.left(int(qMax<qint64>(0, maxBytes)));
    m_rx.remove(0, out.size());
    return out;
}

bool MemorySerialLine::setDtr(bool on)
{
    if (!m_dtrSupported) return false;
    m_dtr = on;
    return true;
}

ControlLines MemorySerialLine::controlLines() const
{
    ++m_controlLineReads;
    if (!m_open) return ControlLines{.whyUnknown = QStringLiteral("line closed")};
    return m_controlLines;
}

void MemorySerialLine::setControlLines(ControlLines lines)
{
    lines.known = true;
    lines.whyUnknown.clear();
    m_controlLines = lines;
}

void MemorySerialLine::setControlLinesUnknown(const QString &why)
{
    m_controlLines.known = false;
    m_controlLines.whyUnknown = why;
}

void MemorySerialLine::setCarrier(std::optional<bool> carrier)
{
    if (!carrier) {
        setControlLinesUnknown();
        return;
    }
    ControlLines lines = m_controlLines;
    lines.dcd = *carrier;
    setControlLines(lines);
}

void MemorySerialLine::breakLine(const QString &error)
{
    m_error = error;
    m_open = false;
    m_rx.clear();
    if (onError) onError(error);
}


// Only with timers: without them the partner's answer to our idle byte would arrive inside our write.
bool MemorySerialLine::startIdleExchange(quint8 byte, quint8 reply)
{
    if (!m_idleSupported || !m_open || !m_timers || m_idle.running || !m_rx.isEmpty()) return false;
    m_idle = Idle{.running = true, .byte = byte, .reply = reply, .lastReplyMs = m_timers->clock().elapsedMs()};
    return true;
}

// As the thread on a real device does: each expected reply is answered with the
// idle byte at once; another reply ends it and is left with what follows for read().
QByteArray MemorySerialLine::exchangeIdle(QByteArray data)
{
    while (!data.isEmpty() && m_idle.running) {
        m_idle.lastReplyMs = m_timers->clock().elapsedMs();
        if (quint8(data.front()) != m_idle.reply) {
            m_idle.running = false;
            return data;
        }
        data.remove(0, 1);
        ++m_idle.exchanges;
        write(QByteArray(1, char(m_idle.byte)));
    }
    return data;
}

IdleExchangeReport MemorySerialLine::idleExchangeStatus() const
{
    const qint64 now = m_timers ? m_timers->clock().elapsedMs() : 0;
    return {.exchanges = m_idle.exchanges, .msSinceReply = now - m_idle.lastReplyMs, .running = m_idle.running};
}

IdleExchangeReport MemorySerialLine::stopIdleExchange()
{
    IdleExchangeReport report = idleExchangeStatus();
    m_idle.running = false;
    report.running = false;
    return report;  // the idle byte last written always waits for its reply here
}

}  // namespace comlink
