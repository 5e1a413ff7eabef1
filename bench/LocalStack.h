#pragma once

#include "core/Timer.h"
#include "core/Channel.h"
#include "comlink/ComPort.h"
#include "comlink/QtSerialLine.h"
#include "protocol/ControllerChannel.h"
#include "protocol/Line401.h"
#include "protocol/TransferQueue.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace bench {

// Data bytes of requests and their answers, as the queue handed them over.
struct DataBytes {
    qint64 requests = 0;
    qint64 answers = 0;
    qint64 total() const { return requests + answers; }
};

// The program's channel, counting the data bytes of each request and its answer.
class CountingChannel : public core::Channel {
public:
    CountingChannel(core::Channel &inner, DataBytes &counted) : m_inner(inner), m_counted(counted) {}
    int member() const override { return m_inner.member(); }
    bool putTo(int member, core::Request request) override;

private:
    core::Channel &m_inner;
    DataBytes &m_counted;
};

// The program's local link on real time: serial line, port, 401 line
// driver and transfer queue in mode 2, wired as the main window does.
struct LocalStack {
    LocalStack();
    ~LocalStack();

    // Opens the device and waits until the link is up; false (with LastError) otherwise.
    bool start(const QString &device, int limitMs = 5000);
    // Runs the event loop until done() holds; false when limitMs passed first.
    bool runUntil(const std::function<bool()> &done, int limitMs);
    // Runs the event loop for ms.
    void runFor(int ms);

    // Line bytes the program sent and received so far.
    qint64 lineBytesSent() const { return line.view().txCount; }
    qint64 lineBytesReceived() const { return line.view().rxCount; }

    QString lastError;
    // Main log lines, for the report when something fails.
    QStringList log;

    core::QtTimerFactory timers;
    comlink::QtSerialLine serial;
    comlink::ComPort port{serial, timers};
    protocol::Line401 line{port, timers};
    protocol::TransferQueue queue{timers};
    protocol::ControllerChannel channel{queue};
};

}  // namespace bench
