#include "Figures.h"

#include "LocalStack.h"

#include "core/Bytes.h"
#include "protocol/Line401Bytes.h"
#include "protocol/CommandLibrary.h"
#include "core/Reports.h"
#include "sysmod/ParameterSet.h"
#include "sysmod/ParameterSetTransfer.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

namespace bench {

namespace {

using Done = std::function<void()>;
using Operation = std::function<void(const Done &)>;

struct CpuTimes {
    double user = 0, system = 0;
    double total() const { return user + system; }
    CpuTimes operator-(const CpuTimes &o) const { return {user - o.user, system - o.system}; }
};

CpuTimes cpuTimes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return {seconds(usage.ru_utime), seconds(usage.ru_stime)};
}

QString cpuText(const CpuTimes &cpu, double wall)
{
    return QString::asprintf("user %.1f %% + system %.1f %% of one core (getrusage over %.1f s)",
                             100.0 * cpu.user / wall, 100.0 * cpu.system / wall, wall);
}

// A raw request whose answer is only counted; the line driver takes the
// answer's length from its marker byte, any non-zero length will do here.
Operation request(core::Channel &channel, const QByteArray &telegram)
{
    return [&channel, telegram](const Done &done) {
        if (!channel.put(16, [done](const QByteArray &) { done(); }, telegram)) done();
    };
}

// A mix of what the monitor and the windows ask: greeting, version, state
// block, counters, fault count, clock, identity, acknowledge lamps.
std::vector<Operation> commandMix(core::Channel &put, protocol::CommandLibrary &commandLibrary)
{
    auto text = [](const Done &done) { return [done](const QString &) { done(); }; };
    return {
        request(put, core::bytes({0xF1, 0x00})),
        [&commandLibrary, text](const Done &done) { commandLibrary.getVersion(text(done)); },
        request(put, core::bytes({0xF1, 0x60})),
        request(put, core::bytes({0xF1, 0x40})),
        request(put, core::bytes({0xF1, 0x42})),
        request(put, core::bytes({0xF1, 0x31})),
        [&commandLibrary, text](const Done &done) { commandLibrary.getClock(text(done)); },
        [&commandLibrary, text](const Done &done) { commandLibrary.getInstallationCode(text(done)); },
        request(put, core::bytes({0xF3, 0x55, 0x1C, 0x00})),
    };
}

QString lastLog(const LocalStack &stack)
{
    return stack.log.isEmpty() ? QStringLiteral("(log empty)") : stack.log.last();
}

}  // namespace

std::vector<Figure> bareLoopFigures(const QString &device, int seconds)
{
    Figure exchanges{.name = QStringLiteral("bare loop: line use")};
    Figure cpu{.name = BareLoopCpu};
    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (fd < 0) {
        exchanges.valid = cpu.valid = false;
        exchanges.detail = QStringLiteral("cannot open ") + device;
        return {exchanges};
    }
    termios raw{};
    tcgetattr(fd, &raw);
    cfmakeraw(&raw);
    tcsetattr(fd, TCSANOW, &raw);

    const quint8 idle = protocol::line401::IdleByte;
    qint64 count = 0;
    bool silent = false;
    const CpuTimes cpu0 = cpuTimes();
    QElapsedTimer wall;
    wall.start();
    while (wall.elapsed() < seconds * 1000 && !silent) {
        quint8 reply = 0;
        pollfd p{fd, POLLIN, 0};
        silent = ::write(fd, &idle, 1) != 1 || ::poll(&p, 1, 1000) != 1 || ::read(fd, &reply, 1) != 1;
        if (!silent) ++count;
    }
    const double elapsed = wall.nsecsElapsed() / 1e9;
    const CpuTimes used = cpuTimes() - cpu0;
    ::close(fd);

    const double rate = count / elapsed;
    exchanges.value = rate / ExchangesPerSecond;
    exchanges.valid = cpu.valid = !silent;
    exchanges.detail = QString::asprintf("%.0f exchanges/s of 1920: write, poll, read of one idle byte", rate);
    cpu.value = used.total() / elapsed;
    cpu.detail = cpuText(used, elapsed) + QStringLiteral(": what the device alone costs");
    if (silent) exchanges.detail += QStringLiteral("; the stand-in stopped answering");
    return {exchanges, cpu};
}

std::vector<Figure> throughputFigures(LocalStack &stack, int requests)
{
    DataBytes counted;
    CountingChannel put(stack.channel, counted);
    protocol::CommandLibrary commandLibrary(put, stack.timers.clock());
    const std::vector<Operation> mix = commandMix(put, commandLibrary);

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

    Figure figure{.name = QStringLiteral("401 throughput"), .value = dataRate / DataBytesPerSecond,
                  .goal = Figure::Goal::AtLeast, .target = 1.0, .valid = done};
    // Above 100 % is possible: the reply to a request's last nibble already
    // carries the answer's first, so each request shares one exchange with its answer.
    figure.detail = QString::asprintf("%d operations, %lld request + %lld answer bytes in %.2f s = %.0f data bytes/s "
                                      "of 1920 exchanges/s / 2 per data byte = 960; line ran %.0f exchanges/s",
                                      finished, counted.requests, counted.answers, seconds, dataRate, exchangeRate);
    if (!done) figure.detail += QStringLiteral("; stalled: ") + lastLog(stack);
    return {figure};
}

std::vector<Figure> idleCpuFigures(LocalStack &stack, int seconds)
{
    stack.runFor(500);  // the line settles into its idle exchange
    const qint64 exchanges0 = stack.lineBytesSent();
    const CpuTimes cpu0 = cpuTimes();
    QElapsedTimer wall;
    wall.start();
    stack.runFor(seconds * 1000);
    const double elapsed = wall.nsecsElapsed() / 1e9;
    const CpuTimes used = cpuTimes() - cpu0;
    const double rate = (stack.lineBytesSent() - exchanges0) / elapsed;

    Figure cpu{.name = IdleCpu, .value = used.total() / elapsed,
               .valid = stack.port.isLinked()};
    cpu.detail = cpuText(used, elapsed) + QString::asprintf(" at %.0f exchanges/s", rate);
    if (!stack.port.isLinked()) cpu.detail += QStringLiteral("; link DOWN: ") + lastLog(stack);
    Figure line{.name = QStringLiteral("idle line use"), .value = rate / ExchangesPerSecond, .valid = cpu.valid,
                .detail = QString::asprintf("%.0f exchanges/s of 1920", rate)};
    return {cpu, line};
}

namespace {

// One system module transfer, timed against the line's own time for its data bytes.
class SysModRun {
public:
    explicit SysModRun(LocalStack &stack)
        : m_stack(stack), m_line(stack), m_rw(m_image, m_channel, stack.timers, m_line, m_texts)
    {
        core::reports().setFlag(core::ReportSysModTransfer, true);
    }

    sysmod::ParameterSet &image() { return m_image; }

    Figure run(const QString &name, bool write)
    {
        m_counted = DataBytes{};
        const qsizetype logStart = m_stack.log.size();
        QString success, failure;
        auto onSuccess = [&](const QString &t) { success = t; };
        auto onFailure = [&](const QString &t) { failure = t; };
        // A write ends with the controller's restart and the link check after it.
        auto restarted = [&] {
            for (qsizetype i = logStart; i < m_stack.log.size(); ++i)
                if (m_stack.log.at(i).contains(QLatin1String("zbl_rw_sysmod.restart3"))) return true;
            return false;
        };
        auto ended = [&] {
            if (!failure.isEmpty()) return true;
            return !success.isEmpty() && !m_rw.running() && (!write || restarted());
        };

        QElapsedTimer wall;
        wall.start();
        if (write) m_rw.saveToQRx(onSuccess, onFailure, nullptr, nullptr);
        else m_rw.loadFromQRx(onSuccess, onFailure, nullptr, nullptr);
        const bool done = m_stack.runUntil(ended, 60000);
        const double waits = write ? (sysmod::ParameterSetTransfer::SuspendWaitMs + sysmod::ParameterSetTransfer::RestartWaitMs) / 1000.0 : 0.0;
        const double seconds = wall.nsecsElapsed() / 1e9 - waits;
        const double lineSeconds = m_counted.total() / DataBytesPerSecond;

        Figure figure{.name = name, .value = seconds / lineSeconds, .asFactor = true, .goal = Figure::Goal::AtMost,
                      .target = 1.05, .valid = done && failure.isEmpty()};
        figure.detail = QString::asprintf("%.2f s%s against %.2f s line time for %lld request + %lld answer bytes",
                                          seconds, write ? " less the 3 s + 5 s waits" : "", lineSeconds,
                                          m_counted.requests, m_counted.answers);
        if (!failure.isEmpty()) figure.detail += QStringLiteral("; FAILED with ") + failure;
        else if (!done) figure.detail += QStringLiteral("; stalled: ") + lastLog(m_stack);
        return figure;
    }

private:
    LocalStack &m_stack;
    DataBytes m_counted;
    CountingChannel m_channel{m_stack.channel, m_counted};
    sysmod::ParameterSet m_image;
    // The stack's queue and line driver under the transfer.
    struct StackLine final : sysmod::TransferLine {
        explicit StackLine(LocalStack &stack) : stack(stack) {}
        void transferFlush() override { stack.queue.transferFlush(); }
        int swapLineTimeout(int newMs) override { return stack.line.swapLineTimeout(newMs); }
        LocalStack &stack;
    } m_line;
    // No language file: each message is its number.
    struct NoTexts final : core::LanguageTexts {
        QString text(const QString &, int) const override { return QString(); }
        QString text(const QString &, const QString &) const override { return QString(); }
    } m_texts;
    sysmod::ParameterSetTransfer m_rw;
};

// Bytes no run-length code can shorten, under a valid checksum.
QByteArray randomImage()
{
    QByteArray image(sysmod::ParameterSet::imageSize(), '\0');
    QRandomGenerator random(1032);
    for (char &c : image) c = char(random.bounded(256));
    return image;
}

}  // namespace

std::vector<Figure> sysModFigures(LocalStack &stack)
{
    // The typical image goes back last, so the next round finds the stand-in as it started.
    SysModRun transfer(stack);
    std::vector<Figure> figures;
    figures.push_back(transfer.run(QStringLiteral("sysmod read, typical"), false));
    const QByteArray typical = transfer.image().imageData();

    transfer.image().setImageData(randomImage());
    transfer.image().updateChecksum();
    const QByteArray random = transfer.image().imageData();
    figures.push_back(transfer.run(QStringLiteral("sysmod write, random"), true));
    transfer.image().clear();
    figures.push_back(transfer.run(QStringLiteral("sysmod read, random"), false));
    if (transfer.image().imageData() != random) {
        figures.back().valid = false;
        figures.back().detail += QStringLiteral("; the image read back differs from the one written");
    }

    transfer.image().setImageData(typical);
    figures.push_back(transfer.run(QStringLiteral("sysmod write, typical"), true));
    return figures;
}

// ---- the table ------------------------------------------------------------

bool Figure::met() const
{
    switch (goal) {
    case Goal::AtLeast: return valid && value >= target;
    case Goal::AtMost: return valid && value <= target;
    case Goal::None: return valid;
    }
    return false;
}

QString Figure::text(double v) const
{
    return asFactor ? QString::asprintf("%.2f x", v) : QString::asprintf("%.1f %%", 100.0 * v);
}

QString Figure::targetText() const
{
    switch (goal) {
    case Goal::AtLeast: return QStringLiteral(">= ") + text(target);
    case Goal::AtMost: return QStringLiteral("<= ") + text(target);
    case Goal::None: return QStringLiteral("-");
    }
    return {};
}

std::vector<Figure> medians(const std::vector<std::vector<Figure>> &rounds)
{
    if (rounds.empty()) return {};
    std::vector<Figure> rows;
    for (size_t row = 0; row < rounds.front().size(); ++row) {
        std::vector<Figure> samples;
        for (const std::vector<Figure> &round : rounds)
            if (row < round.size()) samples.push_back(round[row]);
        std::sort(samples.begin(), samples.end(), [](const Figure &a, const Figure &b) { return a.value < b.value; });
        Figure median = samples[samples.size() / 2];
        const auto failed = std::find_if(samples.begin(), samples.end(), [](const Figure &f) { return !f.valid; });
        median.valid = failed == samples.end();
        if (samples.size() > 1)
            median.detail = QStringLiteral("median of %1 (%2..%3); ")
                                .arg(samples.size())
                                .arg(median.text(samples.front().value), median.text(samples.back().value))
                            + median.detail;
        if (!median.valid && failed->detail != median.detail) median.detail += QStringLiteral("; a round failed: ") + failed->detail;
        rows.push_back(median);
    }
    return rows;
}

}  // namespace bench
