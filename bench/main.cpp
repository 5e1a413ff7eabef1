// haltron-bench FIGURE DEVICE [COUNT]
// Runs the program's local link stack against the stand-in controller on
// DEVICE (haltron-sim --pty) and prints one table row per figure:
//   throughput [requests, 600]   requests of the command set back to back
//   idle [seconds, 10]           CPU while the line only exchanges idle bytes
//   sysmod                       system module read and write, typical and random image

#include "Figures.h"
#include "LocalStack.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: haltron-bench throughput|idle|sysmod DEVICE [COUNT]\n");
    return 2;
}

void print(const bench::Figure &f)
{
    std::printf("%-30s %10s %10s  %-4s  %s\n", qPrintable(f.name), qPrintable(f.measured), qPrintable(f.target),
                f.met ? "ok" : "MISS", qPrintable(f.detail));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) return usage();
    const QString figure = args.at(1);
    bool countGiven = false;
    const int count = args.size() > 3 ? args.at(3).toInt(&countGiven) : 0;
    if (args.size() > 3 && (!countGiven || count <= 0)) return usage();

    bench::LocalStack stack;
    if (!stack.start(args.at(2))) {
        std::fprintf(stderr, "haltron-bench: %s\n", qPrintable(stack.LastError));
        return 1;
    }
    std::vector<bench::Figure> figures;
    if (figure == QLatin1String("throughput")) figures = bench::throughputFigures(stack, countGiven ? count : 600);
    else if (figure == QLatin1String("idle")) figures = bench::idleCpuFigures(stack, countGiven ? count : 10);
    else if (figure == QLatin1String("sysmod")) figures = bench::sysModFigures(stack);
    else return usage();
    for (const bench::Figure &f : figures) print(f);
    return 0;
}
