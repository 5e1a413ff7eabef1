#pragma once

#include <QString>

#include <functional>

namespace shell {

// Report flag bits read from [logfiles] reports.
enum ReportBit {
    ReportConfig = 0,
    ReportLink = 1,
    ReportDebugBit = 3,
    ReportSysModTransfer = 5,
    ReportPortTraffic = 9,
    ReportQueueTraffic = 10,
    ReportMonitor = 14,
};

// The two report hooks through which every unit writes to the main log,
// without knowing the log objects. Unset hooks write nothing.
struct ReportsRecord {
    std::function<void(const QString &)> ReportWrite;
    std::function<void(const QString &)> ReportDebug;
    QString ReportsText;
    quint32 ReportFlags = 0;

    bool flag(int bit) const { return bit >= 0 && bit < 32 && (ReportFlags >> bit) & 1u; }
    void setFlag(int bit, bool on = true)
    {
        if (on) ReportFlags |= 1u << bit;
        else ReportFlags &= ~(1u << bit);
    }
    void write(const QString &text) const { if (ReportWrite) ReportWrite(text); }
    void debug(const QString &text) const { if (ReportDebug) ReportDebug(text); }
    // Writes text only when the flag bit is set.
    void writeIf(int bit, const QString &text) const { if (flag(bit)) write(text); }
    void reset() { *this = ReportsRecord(); }
};

// The one record of the program.
ReportsRecord &Reports();

}  // namespace shell
