#include "Figures.h"

#include "LocalStack.h"

#include "core/Bytes.h"
#include "protocol/ZblUtils.h"
#include "shell/Reports.h"
#include "sysmod/SysMod.h"
#include "sysmod/SysModTransfer.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

#include <sys/resource.h>

#include <memory>

namespace bench {

namespace {

using Done = std::function<void()>;
using Operation = std::function<void(const Done &)>;

QString percent(double ratio) { return QString::asprintf("%.1f %%", 100.0 * ratio); }

// A raw request whose answer is only counted.
Operation request(const core::TransferPutFn &put, const QByteArray &telegram)
{
    return [put, telegram](const Done &done) {
        if (!put(16, [done](const QByteArray &) { done(); }, telegram)) done();
    };
}

// A mix of what the monitor and the windows ask: greeting, version, state
// block, counters, fault count, clock, identity, acknowledge lamps.
std::vector<Operation> commandMix(const core::TransferPutFn &put, protocol::TZBL_UTILS &utils)
{
    auto text = [](const Done &done) { return [done](const QString &) { done(); }; };
    return {
        request(put, core::bytes({0xF1, 0x00})),
        [&utils, text](const Done &done) { utils.GetVersion(text(done)); },
        request(put, core::bytes({0xF1, 0x60})),
        request(put, core::bytes({0xF1, 0x40})),
        request(put, core::bytes({0xF1, 0x42})),
        request(put, core::bytes({0xF1, 0x31})),
        [&utils, text](const Done &done) { utils.GetClock(text(done)); },
        [&utils, text](const Done &done) { utils.GetKennung(text(done)); },
        request(put, core::bytes({0xF3, 0x55, 0x1C, 0x00})),
    };
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

QString lastLog(const LocalStack &stack)
{
    return stack.Log.isEmpty() ? QStringLiteral("(log empty)") : stack.Log.last();
}

}  // namespace

std::vector<Figure> throughputFigures(LocalStack &stack, int requests)
{
    DataBytes counted;
    const core::TransferPutFn put = stack.countingPut(counted);
    protocol::TZBL_UTILS utils(put, stack.timers.clock());
    const std::vector<Operation> mix = commandMix(put, utils);

    int issued = 0, finished = 0;
    std::function<void()> next = [&] {
        if (issued == requests) return;
        mix[size_t(issued++) % mix.size()]([&] {
            ++finished;
            next();
        });
    };
    const qint64 exchanges0 = stack.lineBytesSent();
    QElapsedTimer wall;
    wall.start();
    next();
    const bool done = stack.runUntil([&] { return finished == requests; }, 120000);
    const double seconds = wall.nsecsElapsed() / 1e9;
    const double dataRate = counted.total() / seconds;
    const double exchangeRate = (stack.lineBytesSent() - exchanges0) / seconds;
    const double ratio = dataRate / DataBytesPerSecond;

    Figure figure{QStringLiteral("401 throughput"), percent(ratio), QStringLiteral(">= 90 %"), done && ratio >= 0.9,
                  QString::asprintf("%d operations, %lld request + %lld answer bytes in %.2f s = %.0f data bytes/s; "
                                    "limit 1920 exchanges/s / 2 exchanges per data byte = 960 data bytes/s; "
                                    "line ran %.0f exchanges/s (%.1f %% of 1920)",
                                    finished, counted.requests, counted.answers, seconds, dataRate, exchangeRate,
                                    100.0 * exchangeRate / ExchangesPerSecond)};
    if (!done) figure.detail += QStringLiteral("; stalled: ") + lastLog(stack);
    return {figure};
}

std::vector<Figure> idleCpuFigures(LocalStack &stack, int seconds)
{
    stack.runFor(1000);  // the line settles into its idle exchange
    const qint64 exchanges0 = stack.lineBytesSent();
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    stack.runFor(seconds * 1000);
    const double elapsed = wall.nsecsElapsed() / 1e9;
    const double cpu = (cpuSeconds() - cpu0) / elapsed;
    const double exchangeRate = (stack.lineBytesSent() - exchanges0) / elapsed;
    return {{QStringLiteral("CPU while the line idles"), percent(cpu), QStringLiteral("< 5 %"), cpu < 0.05,
             QString::asprintf("user+system %.3f s in %.2f s wall (getrusage, one core = 100 %%); "
                               "line ran %.0f exchanges/s (%.1f %% of 1920)%s",
                               cpu * elapsed, elapsed, exchangeRate, 100.0 * exchangeRate / ExchangesPerSecond,
                               stack.port.LinkUp ? "" : "; link DOWN")}};
}

namespace {

// One system module transfer, timed against the line's own time for its data bytes.
class SysModRun {
public:
    explicit SysModRun(LocalStack &stack) : m_stack(stack), m_rw(m_image, stack.timers)
    {
        m_rw.TransferPut = stack.countingPut(m_counted);
        m_rw.TransferFlush = [&stack] { stack.queue.TransferFlush(); };
        m_rw.SwapLineTimeout = [&stack](int ms) { return stack.line.SwapLineTimeout(ms); };
        shell::Reports().setFlag(shell::ReportSysModTransfer, true);
    }

    sysmod::TSysMod &image() { return m_image; }

    Figure run(const QString &name, bool write)
    {
        m_counted = DataBytes{};
        const qsizetype logStart = m_stack.Log.size();
        QString success, failure;
        auto onSuccess = [&](const QString &t) { success = t; };
        auto onFailure = [&](const QString &t) { failure = t; };
        // A write ends with the controller's restart and the link check after it.
        auto restarted = [&] {
            for (qsizetype i = logStart; i < m_stack.Log.size(); ++i)
                if (m_stack.Log.at(i).contains(QLatin1String("zbl_rw_sysmod.restart3"))) return true;
            return false;
        };
        auto ended = [&] {
            if (!failure.isEmpty()) return true;
            return !success.isEmpty() && !m_rw.Running() && (!write || restarted());
        };

        QElapsedTimer wall;
        wall.start();
        if (write) m_rw.SaveToQRx(onSuccess, onFailure, nullptr, nullptr);
        else m_rw.LoadFromQRx(onSuccess, onFailure, nullptr, nullptr);
        const bool done = m_stack.runUntil(ended, 60000);
        const double waits = write ? (sysmod::TRW::SuspendWaitMs + sysmod::TRW::RestartWaitMs) / 1000.0 : 0.0;
        const double seconds = wall.nsecsElapsed() / 1e9 - waits;
        const double lineSeconds = m_counted.total() / DataBytesPerSecond;
        const double ratio = seconds / lineSeconds;

        Figure figure{name, QString::asprintf("%.2f x", ratio), QStringLiteral("<= 1.30 x"),
                      done && failure.isEmpty() && ratio <= 1.3,
                      QString::asprintf("%.2f s%s against %.2f s line time for %lld request + %lld answer bytes "
                                        "(2 exchanges each at 1920/s)",
                                        seconds, write ? " (less 3 s + 5 s prescribed waits)" : "", lineSeconds,
                                        m_counted.requests, m_counted.answers)};
        if (!failure.isEmpty()) figure.detail += QStringLiteral("; FAILED with ") + failure;
        else if (!done) figure.detail += QStringLiteral("; stalled: ") + lastLog(m_stack);
        return figure;
    }

private:
    LocalStack &m_stack;
    DataBytes m_counted;
    sysmod::TSysMod m_image;
    sysmod::TRW m_rw;
};

// Bytes no run-length code can shorten, under a valid checksum.
QByteArray randomImage()
{
    QByteArray image(sysmod::TSysMod::ImageSize(), '\0');
    QRandomGenerator random(1032);
    for (char &c : image) c = char(random.bounded(256));
    return image;
}

}  // namespace

std::vector<Figure> sysModFigures(LocalStack &stack)
{
    SysModRun transfer(stack);
    std::vector<Figure> figures;
    figures.push_back(transfer.run(QStringLiteral("system module read, typical"), false));
    figures.push_back(transfer.run(QStringLiteral("system module write, typical"), true));

    transfer.image().SetImageData(randomImage());
    transfer.image().UpdateChecksum();
    const QByteArray written = transfer.image().ImageData();
    figures.push_back(transfer.run(QStringLiteral("system module write, random"), true));
    transfer.image().Clear();
    Figure readBack = transfer.run(QStringLiteral("system module read, random"), false);
    if (transfer.image().ImageData() != written) {
        readBack.met = false;
        readBack.detail += QStringLiteral("; the image read back differs from the one written");
    }
    figures.push_back(readBack);
    return figures;
}

}  // namespace bench
