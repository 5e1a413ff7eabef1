#pragma once

#include <QByteArray>
#include <QString>

#include "core/Timer.h"

#include <functional>
#include <memory>
#include <optional>

namespace comlink {

// The modem status lines of an open line as one read finds them. A line that
// cannot report them (pseudo-terminals, some USB adapters) says so with known
// false and, for the user, why.
struct ControlLines {
    bool known = false;
    bool dcd = false;   // data carrier detect
    bool dsr = false;   // data set ready
    bool cts = false;   // clear to send
    bool ring = false;  // ring indicator
    QString whyUnknown = {};
    bool operator==(const ControlLines &) const = default;
};

// What a line did with the steady idle handed to it (startIdleExchange).
struct IdleExchangeReport {
    qint64 exchanges = 0;      // idle bytes sent and answered with the expected reply
    qint64 msSinceReply = 0;   // since the last reply of any kind, or since the start
    bool replyPending = true;  // the byte last sent still waits for its reply (on the line or in read())
    bool running = false;
};

// One serial line: 19200 baud 8N1 with RTS/CTS by default. Reads never
// block; readyRead tells that bytes wait. Control lines that a device cannot
// handle (pseudo-terminals, some USB adapters) report "unsupported" through
// the optional results instead of failing.
class SerialLine {
public:
    virtual ~SerialLine() = default;

    virtual bool open(const QString &device, int baud = 19200) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual QString errorText() const = 0;

    virtual qint64 write(const QByteArray &data) = 0;
    virtual QByteArray read(qint64 maxBytes) = 0;
    virtual qint64 bytesAvailable() const = 0;

    // false when the line has no DTR it can set (not an error).
    virtual bool setDtr(bool on) = 0;
    // Reads DCD, DSR, CTS and RI. A query of the device: call it at a modest
    // rate, never for every byte.
    virtual ControlLines controlLines() const = 0;
    // What the driver said to the low-latency request of the last open; empty
    // for lines that have no such setting.
    virtual QString lowLatencyText() const { return {}; }
    // The steady idle handed to the line: starting with the reply to a `byte`
    // already sent, it writes `byte` after each reply while the reply is
    // `reply`, without readyRead. Any other reply ends it and is read as usual
    // (readyRead). False: the line cannot (the owner keeps exchanging itself).
    virtual bool startIdleExchange(quint8 byte, quint8 reply)
    {
        Q_UNUSED(byte);
        Q_UNUSED(reply);
        return false;
    }
    virtual IdleExchangeReport idleExchangeStatus() const { return {}; }
    // Takes the line back at once; what happened since the start.
    virtual IdleExchangeReport stopIdleExchange() { return {}; }
    // Data carrier detect; nullopt when the line cannot tell.
    std::optional<bool> carrier() const
    {
        const ControlLines lines = controlLines();
        return lines.known ? std::optional<bool>(lines.dcd) : std::nullopt;
    }

    // Set by the owner of the line.
    std::function<void()> onReadyRead;
    std::function<void(const QString &)> onError;  // the line broke (unplugged adapter)
};

// Device path of COM port n, unless [comport] device names one.
QString comPortDevice(int n, const QString &configuredDevice = {});

// Two connected in-memory ends for tests: what one writes the other reads.
// Without timers delivery is immediate (readyRead fires inside the writer's
// write); with timers each write arrives after delayMs, as on a real line,
// so two partners that answer each other do not recurse.
class MemorySerialLine : public SerialLine {
public:
    static std::pair<std::unique_ptr<MemorySerialLine>, std::unique_ptr<MemorySerialLine>>
    createPair(core::TimerFactory *timers = nullptr, int delayMs = 1);
    ~MemorySerialLine() override;

    bool open(const QString &device, int baud = 19200) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    QString errorText() const override { return m_error; }
    qint64 write(const QByteArray &data) override;
    QByteArray read(qint64 maxBytes) override;
    qint64 bytesAvailable() const override { return m_rx.size(); }
    bool setDtr(bool on) override;
    ControlLines controlLines() const override;
    // Runs the idle exchange itself, on the timers' clock, once allowed by the test.
    bool startIdleExchange(quint8 byte, quint8 reply) override;
    IdleExchangeReport idleExchangeStatus() const override;
    IdleExchangeReport stopIdleExchange() override;

    // Test controls.
    void setIdleExchangeSupported(bool supported) { m_idleSupported = supported; }
    static inline const QString NoControlLinesText = QStringLiteral("in-memory line without control lines");
    void setOpenFails(bool fails) { m_openFails = fails; }
    // The control lines the far end shows; the line then reports them (known).
    void setControlLines(ControlLines lines);
    // A line that cannot report its control lines (the default, as on a pseudo-terminal).
    void setControlLinesUnknown(const QString &why = NoControlLinesText);
    // DCD alone, the others kept; nullopt: the line cannot report its control lines.
    void setCarrier(std::optional<bool> carrier);
    // How often the control lines were read.
    int controlLineReads() const { return m_controlLineReads; }
    // A line whose DTR cannot be set (pseudo-terminal).
    void setDtrSupported(bool supported) { m_dtrSupported = supported; }
    std::optional<bool> dtr() const { return m_dtr; }
    // Injects bytes as if received from the far end.
    void inject(const QByteArray &data);
    // Everything this end has written, for assertions.
    QByteArray written() const { return m_written; }
    void clearWritten() { m_written.clear(); }
    // The line disappears under the reader (unplugged adapter).
    void breakLine(const QString &error);

private:
    MemorySerialLine() = default;
    void receive(const QByteArray &data);
    QByteArray exchangeIdle(QByteArray data);
    MemorySerialLine *m_peer = nullptr;
    core::TimerFactory *m_timers = nullptr;
    int m_delayMs = 1;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    bool m_open = false;
    bool m_openFails = false;
    ControlLines m_controlLines{.whyUnknown = NoControlLinesText};
    mutable int m_controlLineReads = 0;
    std::optional<bool> m_dtr;
    bool m_dtrSupported = true;
    QByteArray m_rx;
    QByteArray m_written;
    QString m_error;
    bool m_idleSupported = false;
    struct Idle {
        bool running = false;
        quint8 byte = 0, reply = 0;
        qint64 exchanges = 0;
        qint64 lastReplyMs = 0;
    } m_idle;
};

}  // namespace comlink
