#pragma once

#include "core/FileWrite.h"

#include <QList>
#include <QString>

#include <functional>

class QSerialPortInfo;

namespace core { class IniFile; }

namespace comlink {

// What the picker can tell about a device path without opening it: a line we
// or another program hold must not be disturbed by a trial open.
enum class PortState { Ready, Missing, Busy, NoAccess, LockFolder };

struct PortEntry {
    QString path;          // system location, e.g. /dev/ttyUSB0
    QString description;
    QString manufacturer;
    QString serialNumber;
    PortState state = PortState::Ready;
    bool listed = true;    // false: typed or remembered, not found by enumeration
};

// The state of a path: missing when it does not exist, busy when a lock file
// names a live process (in lockDir, or where the serial port library keeps its
// locks when empty), no access when we may not read and write it, lock folder
// when no folder for the lock file can be written.
PortState portState(const QString &path, const QString &lockDir = {});

// Why a device cannot be opened, with what the user needs to mend it: the lock
// file and its owner when busy, the device's group when access is denied, the
// lock folder when no lock can be written there.
struct PortDiagnosis {
    PortState state = PortState::Ready;
    QString lockFile = {};   // busy: the lock naming a live process
    qint64 lockPid = 0;      // busy: that process
    QString group = {};      // no access: the group owning the device node
    QString lockDir = {};    // lock folder: the folder that cannot be written
};
PortDiagnosis diagnosePort(const QString &path, const QString &lockDir = {});

// The texts of the problems, German; section "portpicker" of the language
// file may replace them. %1 is the device throughout.
struct PortProblemTexts {
    QString missing = QStringLiteral("%1: Gerät fehlt: Kabel und Gerätenamen prüfen");
    QString busy = QStringLiteral("%1: belegt von Prozess %2 (Sperrdatei %3)");
    QString busyUnknown = QStringLiteral("%1: belegt von einem anderen Programm");
    // %2 the group, %3 the user
    QString noPermission =
        QStringLiteral("%1: keine Berechtigung: Benutzer in die Gruppe %2 aufnehmen: sudo usermod -aG %2 %3 (danach neu anmelden)");
    // %2 the folder
    QString lockFolder = QStringLiteral("%1: Sperrordner %2 nicht beschreibbar: Schreibrecht geben: sudo chmod 1777 %2");

    // Entries 20 to 24 of section "portpicker"; text(section, ident) gives an
    // entry, empty or its own ident when missing.
    static PortProblemTexts fromLanguage(const std::function<QString(const QString &section, const QString &ident)> &text);
};

// One line for the port window and the log: "<device>: <reason>: <fix>".
QString portProblemText(const QString &path, const PortDiagnosis &d, const QString &user = {},
                        const PortProblemTexts &texts = {});

// The devices enumeration found, in order, and then the chosen path when it
// was not among them (a pseudo-terminal, a link, an unplugged adapter): it is
// shown with its state, never hidden.
QList<PortEntry> portEntries(const QList<QSerialPortInfo> &found, const QString &chosen,
                             const QString &lockDir = {});
QList<PortEntry> availablePortEntries(const QString &chosen);

// The user's own settings file: $XDG_CONFIG_HOME/haltron/haltron-user.ini
// (~/.config when unset). The program's INI is never written.
QString userSettingsFile();
QString readUserPort(const QString &settingsFile = userSettingsFile());
core::WriteOutcome writeUserPort(const QString &path, const QString &settingsFile = userSettingsFile());

// The device to open at start: the user's choice, else [comport] device of the
// INI (empty: COM port n of [comport] port).
QString startDevice(const core::IniFile &ini, const QString &settingsFile = userSettingsFile());

}  // namespace comlink
