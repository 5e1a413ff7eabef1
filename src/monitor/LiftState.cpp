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
