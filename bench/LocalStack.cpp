#include "LocalStack.h"

#include "shell/Reports.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <memory>

namespace bench {

LocalStack::LocalStack()
{
    queue.SetMode(2);
    queue.SendLocal = [this](const QByteArray &telegram, core::AnswerProc answer) {
        line.LineSend(telegram, std::move(answer));
    };
    queue.IsLinkUp = [this] { return port.LinkUp; };
    line.TransferPut = queue.putFunction();
    line.SetQueueMode = [this](int mode) { queue.SetMode(mode); };
    shell::Reports().ReportWrite = [this](const QString &text) { Log << text; };
}

LocalStack::~LocalStack()
{
    shell::Reports().ReportWrite = nullptr;
    queue.TransferHalt();
    line.ZblPortHalt();
}

bool LocalStack::start(const QString &device, int limitMs)
{
    port.ConfiguredDevice = device;
    line.SetLinkMode(0);
    line.StartStopLine();
    if (!port.IsOpen()) {
        LastError = QStringLiteral("cannot open %1: %2").arg(device, serial.errorText());
        return false;
    }
    if (!runUntil([this] { return port.LinkUp; }, limitMs)) {
        LastError = QStringLiteral("no link to the stand-in on %1").arg(device);
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

core::TransferPutFn LocalStack::countingPut(DataBytes &counted)
{
    return [this, &counted](int answerLength, core::AnswerProc onAnswer, const QByteArray &telegram) {
        core::AnswerProc counting = [&counted, onAnswer = std::move(onAnswer)](const QByteArray &answer) {
            counted.answers += answer.size();
            if (onAnswer) onAnswer(answer);
        };
        if (!queue.TransferPut(answerLength, std::move(counting), telegram)) return false;
        counted.requests += qMin<qint64>(telegram.size(), protocol::TransferQueue::MaxTelegram);
        return true;
    };
}

}  // namespace bench
