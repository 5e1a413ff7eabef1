#include "LocalStack.h"

#include "core/Reports.h"
#include "protocol/LocalRoute.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <memory>

namespace bench {

LocalStack::LocalStack()
{
    queue.setMode(2);
    protocol::routeQueueToLine(queue, line, port);
    protocol::connectLineToQueue(line, queue, channel);
    core::reports().reportWrite = [this](const QString &text) { log << text; };
}

LocalStack::~LocalStack()
{
    core::reports().reportWrite = nullptr;
    queue.transferHalt();
    line.zblPortHalt();
}

bool LocalStack::start(const QString &device, int limitMs)
{
    port.setConfiguredDevice(device);
    line.setLinkMode(0);
    line.startStopLine();
    if (!port.isOpen()) {
        lastError = QStringLiteral("cannot open %1: %2").arg(device, serial.errorText());
        return false;
    }
    if (!runUntil([this] { return port.isLinked(); }, limitMs)) {
        lastError = QStringLiteral("no link to the stand-in on %1").arg(device);
        return false;
    }
    return true;
}

bool LocalStack::runUntil(const std::function<bool()> &done, int limitMs)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.elapsed() >= limitMs) return false;
        // The line exchanges a byte every half millisecond, so the loop wakes often.
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void LocalStack::runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

bool CountingChannel::putTo(int member, core::Request request)
{
    const qint64 size = qMin<qint64>(request.telegram.size(), protocol::TransferQueue::MaxTelegram);
    request.onAnswer = [&counted = m_counted, onAnswer = std::move(request.onAnswer)](const QByteArray &answer) {
        counted.answers += answer.size();
        if (onAnswer) onAnswer(answer);
    };
    if (!m_inner.putTo(member, std::move(request))) return false;
    m_counted.requests += size;
    return true;
}

}  // namespace bench
