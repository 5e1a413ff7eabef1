// haltron-soak: the whole program, offscreen and on real time, against
// haltron-sim on a pseudo-terminal for a long run. The monitor polls every
// slot, the display mirror is open; the statistics are fetched, the controller
// reset and the line pulled at fixed intervals. Every 30 s it samples resident
// memory, open descriptors and the transfer queue's fill level, and at the end
// fails on growth or on a queue left full. Run through scripts/soak.
#include "InProcessProgram.h"

#include "core/EventLoop.h"
#include "monitor/StatisticsControl.h"
#include "monitorview/MonitorWindow.h"
#include "monitorview/ReadingTabs.h"
#include "monitorview/StatisticsTab.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <unistd.h>

namespace {

struct Sample {
    double minutes = 0;
    double rssMb = 0;
    int descriptors = 0;
    int queueFill = 0;
    bool linkUp = false;
};

double residentMb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0) : 0;
}

// Without the event file descriptors: Qt's pooled helper threads bring one each
// and take it along when they expire after half a minute idle.
int openDescriptors()
{
    const QDir folder(QStringLiteral("/proc/self/fd"));
    int count = 0;
    for (const QString &name : folder.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System))
        if (!QFile::symLinkTarget(folder.filePath(name)).contains(QLatin1String("[eventfd]"))) ++count;
    return count;
}

struct Limits {
    double rssGrowthMb = 1.0;
    int descriptorGrowth = 0;
    int queueFull = 50;         // the queue's own overflow mark
};

// Intervals in minutes, divided by the time scale for short check runs.
struct Schedule {
    double statistics = 10, reset = 15, pull = 20, sample = 0.5;
};

class Soak {
public:
    Soak(double minutes, double scale) : m_minutes(minutes), m_scale(scale) {}

    int run()
    {
        const QString line = m_dir.filePath(QStringLiteral("line"));
        m_sim = std::make_unique<runs::SimProcess>(line, QStringList{QStringLiteral("--lifts"), QStringLiteral("4"), QStringLiteral("--traffic"), QStringLiteral("20")});
        if (!m_sim->start()) return fail("the stand-in did not start");
        m_haltron = runs::startProgram(m_timers, m_dir, runs::writeMonitorIni(m_dir, line));
        if (!m_haltron) return fail("the program found no INI");
        if (!testsupport::waitFor([this] { return m_haltron->monitor() && m_haltron->monitor()->loopStarted(); }, 60000))
            return fail("the monitor's polling did not start");
        m_haltron->openLcd();
        std::printf("soak: %.0f min, events every %.1f/%.1f/%.1f min (statistics/reset/pull), folder %s\n", m_minutes,
                    m_schedule.statistics / m_scale, m_schedule.reset / m_scale, m_schedule.pull / m_scale,
                    qPrintable(m_dir.path()));
        std::printf("%8s %9s %5s %6s %5s  %s\n", "minute", "RSS MB", "fds", "queue", "link", "event");
        std::fflush(stdout);

        every(m_schedule.statistics / m_scale, [this] { fetchStatistics(); });
        every(m_schedule.reset / m_scale, [this] { resetController(); });
        every(m_schedule.pull / m_scale, [this] { pullLine(); });
        every(m_schedule.sample, [this] { sample(); });
        sample();
        QTimer::singleShot(qint64(m_minutes * 60000), [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
        // A line pulled just before the end gets its minute to come back and drain the queue.
        for (QTimer *timer : qApp->findChildren<QTimer *>()) timer->stop();
        testsupport::waitFor([] { return false; }, 10000);  // the lamp takes a time-out to notice a pull
        testsupport::waitFor([this] { return m_haltron->port().isLinked() && m_haltron->queue().count() < 5; }, 60000);
        sample();
        const int status = verdict();
        runs::stopProgram(m_haltron);
        return status;
    }

private:
    static int fail(const char *why)
    {
        std::fprintf(stderr, "soak: %s\n", why);
        return 1;
    }

    double minutesNow() const { return double(m_clock.elapsed()) / 60000.0; }

    void every(double minutes, std::function<void()> action)
    {
        auto *timer = new QTimer(qApp);
        QObject::connect(timer, &QTimer::timeout, std::move(action));
        timer->start(int(minutes * 60000));
    }

    void note(const QString &event) { m_event = m_event.isEmpty() ? event : m_event + QStringLiteral(", ") + event; }

    void fetchStatistics()
    {
        m_haltron->readingTabs()->statisticsTab()->fetchButton()->click();
        ++m_statisticsFetches;
        note(QStringLiteral("statistics fetched"));
    }

    void resetController()
    {
        m_haltron->monitor()->resetController();
        ++m_resets;
        note(QStringLiteral("controller reset"));
    }

    // The line pulled: the stand-in gone for three seconds, then back under the same name.
    void pullLine()
    {
        m_sim->stop();
        ++m_pulls;
        note(QStringLiteral("line pulled"));
        QTimer::singleShot(3000, [this] {
            if (!m_sim->start()) note(QStringLiteral("stand-in did not come back"));
        });
    }

    void sample()
    {
        Sample s{minutesNow(), residentMb(), openDescriptors(), m_haltron->queue().count(), m_haltron->port().isLinked()};
        m_samples.push_back(s);
        std::printf("%8.1f %9.1f %5d %6d %5s  %s\n", s.minutes, s.rssMb, s.descriptors, s.queueFill,
                    s.linkUp ? "up" : "DOWN", qPrintable(m_event));
        std::fflush(stdout);
        m_event.clear();
    }

    // Growth compares the peaks of the two halves after warm-up (a tenth of the run,
    // at least a minute, when every window, cache and buffer has been made once):
    // descriptors come and go with each pulled line, a leak raises the later peak.
    int verdict() const
    {
        const double warmUp = qMax(1.0, m_minutes / 10.0);
        const auto firstAfter = std::find_if(m_samples.begin(), m_samples.end(), [warmUp](const Sample &s) { return s.minutes >= warmUp; });
        const auto count = std::distance(firstAfter, m_samples.end());
        if (count < 4) return fail("the run was too short for a verdict");
        const auto middle = firstAfter + count / 2;
        auto peak = [](auto from, auto to, auto field) {
            double most = 0;
            for (auto it = from; it != to; ++it) most = qMax(most, double(field(*it)));
            return most;
        };
        auto rss = [](const Sample &s) { return s.rssMb; };
        auto fds = [](const Sample &s) { return s.descriptors; };
        const double rss1 = peak(firstAfter, middle, rss), rss2 = peak(middle, m_samples.end(), rss);
        const double fds1 = peak(firstAfter, middle, fds), fds2 = peak(middle, m_samples.end(), fds);
        const Sample &last = m_samples.back();
        int problems = 0;
        auto check = [&problems](bool ok, const QString &text) {
            std::printf("%s %s\n", ok ? "ok  " : "FAIL", qPrintable(text));
            if (!ok) ++problems;
        };
        check(rss2 - rss1 <= m_limits.rssGrowthMb,
              QString::asprintf("resident memory: peak %.1f MB in the first half after minute %.1f, %.1f MB in the second (growth limit %.1f MB)",
                                rss1, firstAfter->minutes, rss2, m_limits.rssGrowthMb));
        check(fds2 - fds1 <= m_limits.descriptorGrowth,
              QString::asprintf("open descriptors: peak %.0f in the first half, %.0f in the second (growth limit %d)", fds1, fds2,
                                m_limits.descriptorGrowth));
        int fullInARow = 0, longestFull = 0;
        for (const Sample &s : m_samples) {
            fullInARow = s.queueFill >= m_limits.queueFull ? fullInARow + 1 : 0;
            longestFull = qMax(longestFull, fullInARow);
        }
        check(longestFull < 2 && last.queueFill < m_limits.queueFull,
              QString::asprintf("queue: full in %d samples in a row at most, %d entries at the end", longestFull, last.queueFill));
        check(last.linkUp, QStringLiteral("the link is up at the end"));
        std::printf("events: %d statistics fetches, %d controller resets, %d line pulls\n", m_statisticsFetches, m_resets, m_pulls);
        return problems == 0 ? 0 : 1;
    }

    double m_minutes, m_scale;
    Schedule m_schedule;
    Limits m_limits;
    QTemporaryDir m_dir;
    core::QtTimerFactory m_timers;
    std::unique_ptr<runs::SimProcess> m_sim;
    std::unique_ptr<app::Haltron> m_haltron;
    QElapsedTimer m_clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    std::vector<Sample> m_samples;
    QString m_event;
    int m_statisticsFetches = 0, m_resets = 0, m_pulls = 0;
};

}  // namespace

int main(int argc, char **argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    core::useQtEventDispatcher();  // as the program does
    QApplication app(argc, argv);
    const double minutes = argc > 1 ? QByteArray(argv[1]).toDouble() : 60.0;
    const double scale = argc > 2 ? QByteArray(argv[2]).toDouble() : 1.0;
    if (minutes <= 0 || scale <= 0) {
        std::fprintf(stderr, "usage: haltron-soak [minutes (60)] [time scale (1): events come this many times as often]\n");
        return 2;
    }
    return Soak(minutes, scale).run();
}
