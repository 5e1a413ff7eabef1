#pragma once

#include <QString>

#include <vector>

namespace bench {

class LocalStack;

// The line's physical limit: 19200 baud 8N1 moves 1920 bytes a second each
// way, and each line byte we send is answered by one byte, so at most 1920
// exchanges a second. A data byte travels as two nibbles, one exchange each.
constexpr double ExchangesPerSecond = 1920.0;
constexpr double DataBytesPerSecond = ExchangesPerSecond / 2;

// One row of the table.
struct Figure {
    QString name;
    QString measured;
    QString target;
    bool met = false;
    QString detail;
};

// Requests of the command set back to back: data bytes per second against the line's limit.
std::vector<Figure> throughputFigures(LocalStack &stack, int requests);
// Process CPU time against wall time while the line only exchanges idle bytes.
std::vector<Figure> idleCpuFigures(LocalStack &stack, int seconds);
// System module read and write, typical and random image, against the line's own time.
std::vector<Figure> sysModFigures(LocalStack &stack);

}  // namespace bench
