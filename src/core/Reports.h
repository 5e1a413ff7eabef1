#pragma once

#include <QString>

#include <functional>

namespace core {

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
struct ReportSink {
    std::function<void(const QString &)> reportWrite;
    std::function<void(const QString &)> reportDebug;
    QString reportsText;
    quint32 reportFlags = 0;

    bool flag(int bit) const { return bit >= 0 && bit < 32 && (reportFlags >> bit) & 1u; }
    void setFlag(int bit, bool on = true)
    {
        if (on) reportFlags |= 1u << bit;
        else reportFlags &= ~(1u << bit);
    }
    void write(const QString &text) const { if (reportWrite) reportWrite(text); }
    void debug(const QString &text) const { if (reportDebug) reportDebug(text); }
    // Writes text only when the flag bit is set.
    void writeIf(int bit, const QString &text) const { if (flag(bit)) write(text); }
    void reset() { *this = ReportSink(); }
};

// The one record of the program.
ReportSink &reports();

}  // namespace core
