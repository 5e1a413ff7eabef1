#pragma once

#include <QString>

#include <vector>

namespace bench {

struct LocalStack;

// The line's physical limit: 19200 baud 8N1 moves 1920 bytes a second each
// way, and each line byte we send is answered by one byte, so at most 1920
// exchanges a second. A data byte travels as two nibbles, one exchange each.
constexpr double ExchangesPerSecond = 1920.0;
constexpr double DataBytesPerSecond = ExchangesPerSecond / 2;

// One measured value, one row of the table.
struct Figure {
    enum class Goal { None, AtLeast, AtMost };
    QString name{};
    double value = 0;  // a ratio: shown as percent or as a factor
    bool asFactor = false;
    Goal goal = Goal::None;
    double target = 0;
    bool valid = true;  // false when the run itself failed
    QString detail{};

    bool met() const;
    QString valueText() const { return text(value); }
    QString targetText() const;
    QString text(double v) const;
};

// The floor for the figures below: a bare loop on the device (write an idle
// byte, wait for the reply, read it) without Qt or the program's logic.
// The two rows the idle figure divides.
inline const QString BareLoopCpu = QStringLiteral("bare loop: CPU");
inline const QString IdleCpu = QStringLiteral("CPU while the line idles");

std::vector<Figure> bareLoopFigures(const QString &device, int seconds);
// Requests of the command set back to back: data bytes per second against the line's limit.
std::vector<Figure> throughputFigures(LocalStack &stack, int requests);
// Process CPU time against wall time while the line only exchanges idle bytes.
std::vector<Figure> idleCpuFigures(LocalStack &stack, int seconds);
// System module read and write, typical and random image, against the line's own time.
std::vector<Figure> sysModFigures(LocalStack &stack);

// Several rounds of the same figures in one row each: the median value, the
// range of the rounds in the detail, the median round's detail; not met
// when any round failed.
std::vector<Figure> medians(const std::vector<std::vector<Figure>> &rounds);

}  // namespace bench
