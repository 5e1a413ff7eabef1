#pragma once

#include <QString>
#include <QStringList>

namespace core { class IniFile; }

namespace monitor {

// The three text lists of the lift-state block, from the language file: each list is
// the entry names (the text before "=") of its section, in file order; entry i is the
// text for value i.
struct MonitorTextLists {
    QStringList states;   // "unit42_0", state index 0..7 of byte 1
    QStringList safety;   // "unit42_3", safety circuit 0..10 of byte 4
    QStringList faults;   // "unit42_5", operating mode / fault 0..7 of byte 6

    static MonitorTextLists fromLanguage(const core::IniFile &language);
};

// Text of the lift-state block byte index + 1 (index 0..5) for the batch report;
// any other index gives an empty text. A value with no list entry is shown as "[value]".
QString describeMonitorByte(const MonitorTextLists &texts, int index, quint8 value);

// The operating mode of byte 6 (bits 0-2) as the monitor's message field shows it.
struct OperatingMode {
    QString text;
    bool alarm;      // red background
    bool warning;    // yellow background; neither: the window's own colour
};
OperatingMode operatingMode(quint8 byte6);

}  // namespace monitor
