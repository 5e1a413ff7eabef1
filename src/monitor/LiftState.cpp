#include "LiftState.h"

#include "core/IniFile.h"

namespace monitor {

namespace {

QString entry(const QStringList &list, int i)
{
    return i >= 0 && i < list.size() ? list[i].toLower() : QStringLiteral("[%1]").arg(i);
}

QString describeState(const MonitorTextLists &texts, quint8 v)
{
    static const char *const directions[] = {", keine Richtung", ", Richtung-AUF", ", Richtung-AB", ""};
    return QStringLiteral("Zustand=") + entry(texts.states, v & 7) + QString::fromUtf8(directions[(v >> 3) & 3])
           + ((v & 0x20) ? QStringLiteral(", Adr-gesperrt") : QStringLiteral(", Adr-frei"));
}

QString describeDoorsAndDrive(quint8 v)
{
    static const char *const doorA[] = {"Tür.A-ist-zu", "Tür.A-fährt-auf", "Tür.A-fährt-zu", "Tür.A-ist-auf"};
    static const char *const doorB[] = {", Tür.B-ist-zu", ", Tür.B-fährt-auf", ", Tür.B-fährt-zu", ", Tür.B-ist-auf"};
    static const char *const drive[] = {", Antrieb-ist-aus", ", Antrieb-AUF", ", Antrieb-AB", ""};
    QString text = QString::fromUtf8(doorA[v & 3]) + QString::fromUtf8(doorB[(v >> 2) & 3])
                   + QString::fromUtf8(drive[(v >> 4) & 3]);
    if (v & 0x40) text += QStringLiteral(", Vollast!");
    return text;
}

}  // namespace

MonitorTextLists MonitorTextLists::fromLanguage(const core::IniFile &language)
{
    return {language.keys(QStringLiteral("unit42_0")), language.keys(QStringLiteral("unit42_3")),
            language.keys(QStringLiteral("unit42_5"))};
}

QString describeMonitorByte(const MonitorTextLists &texts, int index, quint8 value)
{
    switch (index) {
    case 0: return describeState(texts, value);
    case 1: return QStringLiteral("Standetage=%1").arg(value);
    case 2: return QStringLiteral("Zieletage=%1").arg(value);
    case 3: return QStringLiteral("Sicherheitskreis: ") + entry(texts.safety, value);
    case 4: return describeDoorsAndDrive(value);
    case 5:
        if ((value & 7) == 0) return QStringLiteral("keine Störung");
        return QStringLiteral("Störung: ") + entry(texts.faults, value & 7);
    default: return {};
    }
}

OperatingMode operatingMode(quint8 byte6)
{
    static const OperatingMode modes[] = {
        {QStringLiteral("Normal"), false, false},
        {QStringLiteral("Fernabschaltung"), false, true},
        {QStringLiteral("LSU"), true, false},
        {QStringLiteral("Störmeldezeit abgelaufen"), true, false},
        {QStringLiteral("Nothalt im Schacht"), true, false},
        {QStringLiteral("Riegelstörung"), true, false},
        {QStringLiteral("Zwangshalt"), false, true},
        {QStringLiteral("Zonenfehler"), true, false},
    };
    return modes[byte6 & 7];
}

}  // namespace monitor

namespace monitor {

namespace {
// Door bits of the block (0 closed, 1 opening, 2 closing, 3 open) in the shaft's counting.
constexpr int ShaftDoorState[] = {0, 2, 1, 3};

QString listEntry(const QStringList &list, int i) { return i >= 0 && i < list.size() ? list[i] : QString(); }
}  // namespace

std::optional<LiftStateView> decodeLiftState(const MonitorTextLists &texts, const QByteArray &answer)
{
    const auto byte = [&answer](int i) { return i < answer.size() ? quint8(answer[i]) : quint8(0); };
    if (byte(0) == 0) return std::nullopt;
    LiftStateView v;
    const quint8 state = byte(1);
    v.stateIndex = state & 7;
    v.stateText = listEntry(texts.states, v.stateIndex);
    static constexpr int pictures[] = {0, 2, 1, -1};  // none, upward, downward, unused
    v.directionPicture = pictures[(state >> 3) & 3];
    v.addressLocked = state & 0x20;
    v.indicator = state & 0x40;
    v.floor = byte(2);
    v.target = answer.size() > 3 ? byte(3) : 255;
    if (byte(4) < 11) {
        v.safety = byte(4);
        v.safetyText = listEntry(texts.safety, v.safety);
    }
    const quint8 doors = byte(5);
    v.doorA = ShaftDoorState[doors & 3];
    v.doorB = ShaftDoorState[(doors >> 2) & 3];
    v.travelBits = doors & 0x30;
    v.mode = operatingMode(byte(6));
    v.remoteSwitchOff = (byte(6) & 7) == 1;
    return v;
}

QList<CallLamp> decodeAckLamps(const QByteArray &answer)
{
    QList<CallLamp> lamps;
    if (answer.isEmpty() || quint8(answer[0]) == 0) return lamps;
    // Bit order of a floor byte: A up, A down, A car, B up, B down, B car.
    static constexpr int which[] = {1, 0, 2};
    for (int floor = 0; floor < 8; ++floor) {
        const int i = floor + 2;
        const quint8 b = i < answer.size() ? quint8(answer[i]) : 0;
        for (int bit = 0; bit < 6; ++bit)
            lamps.append({floor, bit / 3, which[bit % 3], (b & (1 << bit)) == 0});
    }
    return lamps;
}

QByteArray callTelegram(int floor, int side, int mode)
{
    return QByteArray::fromRawData("\xF5\x55\x1E", 3) + QByteArray(1, char(mode)) + QByteArray(1, char(floor))
           + QByteArray(1, char(side));
}

}  // namespace monitor
