#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

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

namespace monitor {

// A lift-state block (answer to F1 60) as the monitor and the shaft show it.
struct LiftStateView {
    int stateIndex = 0;        // 0..7; not 0 shows the state field red
    QString stateText;
    int directionPicture = -1; // shaft picture: 0 none, 1 downward, 2 upward; -1 leaves it
    bool addressLocked = false;
    bool indicator = false;    // bit 6 of the state byte
    int floor = 0;
    int target = 255;          // 255: no target
    int safety = -1;           // 0..10, or -1 when the value is to be ignored
    QString safetyText;
    int doorA = 0;             // in the shaft's counting: 0 closed, 1 closing, 2 opening, 3 open
    int doorB = 0;
    int travelBits = 0;        // 0, 16 upward, 32 downward
    OperatingMode mode;
    bool remoteSwitchOff = false;  // mode 1
};

// Empty when byte 0 is missing or 0: such an answer is not decoded.
std::optional<LiftStateView> decodeLiftState(const MonitorTextLists &texts, const QByteArray &answer);

// One call lamp of the acknowledge block: side 0 A / 1 B, which 0 down / 1 up / 2 car call,
// enabled false when the controller has registered the call.
struct CallLamp { int floor; int side; int which; bool enabled; };
// The 48 lamps of floors 0..7 in the block's bit order; empty when byte 0 is missing or 0.
QList<CallLamp> decodeAckLamps(const QByteArray &answer);

// The call telegram F5 55 1E mode floor side.
QByteArray callTelegram(int floor, int side, int mode);

}  // namespace monitor
