// haltron-bench FIGURE DEVICE [ROUNDS]
// Runs the program's local link stack against the stand-in controller on
// DEVICE (haltron-sim --pty) and prints one table row per figure, the median
// of ROUNDS rounds (3), each round on a freshly opened line:
//   throughput   600 requests of the command set back to back
//   idle         a bare exchange loop on the device for 5 s (the floor),
//                then the program's stack idling for 5 s, 2 x ROUNDS times
//   sysmod       system module read and write, typical and random image

#include "Figures.h"
#include "LocalStack.h"

#include "core/EventLoop.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: haltron-bench throughput|idle|sysmod DEVICE [ROUNDS]\n");
    return 2;
}

void print(const bench::Figure &f)
{
    std::printf("%-26s %9s %10s  %-4s  %s\n", qPrintable(f.name), qPrintable(f.valueText()), qPrintable(f.targetText()),
                f.met() ? "ok" : "MISS", qPrintable(f.detail));
}

// The program's CPU while idling as a multiple of what the device alone costs.
bench::Figure overBareLoop(const bench::Figure &total, const bench::Figure &floor)
{
    bench::Figure factor{.name = QStringLiteral("idle CPU / bare loop"), .asFactor = true,
                         .goal = bench::Figure::Goal::AtMost, .target = 1.5};
    factor.valid = total.valid && floor.valid && floor.value > 0;
    factor.value = factor.valid ? total.value / floor.value : 0;
    factor.detail = QString::asprintf("the program idling %.1f %% against the bare loop's %.1f %% of one core",
                                      100 * total.value, 100 * floor.value);
    return factor;
}

const bench::Figure *named(const std::vector<bench::Figure> &rows, const QString &name)
{
    const auto it = std::find_if(rows.begin(), rows.end(), [&name](const bench::Figure &f) { return f.name == name; });
    return it == rows.end() ? nullptr : &*it;
}

// Rows with a target also go to the file named by HALTRON_BENCH_SUMMARY,
// one per line, for scripts/bench's closing table.
void summarise(const std::vector<bench::Figure> &figures)
{
    const QByteArray file = qgetenv("HALTRON_BENCH_SUMMARY");
    if (file.isEmpty()) return;
    FILE *out = std::fopen(file.constData(), "a");
    if (!out) return;
    for (const bench::Figure &f : figures)
        if (f.goal != bench::Figure::Goal::None)
            std::fprintf(out, "%s\t%s\t%s\t%.2f\t%s\n", qPrintable(f.name), qPrintable(f.valueText()),
                         qPrintable(f.targetText()), f.target > 0 ? f.value / f.target : 0.0, f.met() ? "ok" : "MISS");
    std::fclose(out);
}

}  // namespace

int main(int argc, char **argv)
{
    core::useQtEventDispatcher();  // as the program does
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) return usage();
    const QString figure = args.at(1);
    const QString device = args.at(2);
    bool roundsGiven = false;
    const int rounds = args.size() > 3 ? args.at(3).toInt(&roundsGiven) : 3;
    if (args.size() > 3 && (!roundsGiven || rounds <= 0)) return usage();
    if (figure != QLatin1String("throughput") && figure != QLatin1String("idle") && figure != QLatin1String("sysmod"))
        return usage();

    std::vector<std::vector<bench::Figure>> results;
    // The idle figure alternates short slices of the bare loop and the program, twice as many.
    const int slices = figure == QLatin1String("idle") ? 2 * rounds : rounds;
    for (int round = 0; round < slices; ++round) {
        std::vector<bench::Figure> floor;
        if (figure == QLatin1String("idle")) floor = bench::bareLoopFigures(device, 5);

        bench::LocalStack stack;
        if (!stack.start(device)) {
            std::fprintf(stderr, "haltron-bench: %s\n", qPrintable(stack.lastError));
            return 1;
        }
        std::vector<bench::Figure> measured;
        if (figure == QLatin1String("throughput")) {
            measured = bench::throughputFigures(stack, 600);
        } else if (figure == QLatin1String("sysmod")) {
            measured = bench::sysModFigures(stack);
        } else {
            measured = floor;
            const std::vector<bench::Figure> idle = bench::idleCpuFigures(stack, 5);
            measured.insert(measured.end(), idle.begin(), idle.end());
        }
        results.push_back(measured);
    }
    std::vector<bench::Figure> rows = bench::medians(results);
    // The ratio of the two medians: the machine's other load moves both the
    // same way within a round, and a single round's ratio swings with it.
    if (figure == QLatin1String("idle")) {
        const bench::Figure *floor = named(rows, bench::BareLoopCpu), *idle = named(rows, bench::IdleCpu);
        if (floor && idle) rows.push_back(overBareLoop(*idle, *floor));
    }
    for (const bench::Figure &f : rows) print(f);
    summarise(rows);
    return 0;
}
