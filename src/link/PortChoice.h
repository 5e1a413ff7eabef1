#pragma once

#include <QList>
#include <QString>

class QSerialPortInfo;

namespace core { class IniFile; }

namespace comlink {

// What the picker can tell about a device path without opening it: a line we
// or another program hold must not be disturbed by a trial open.
enum class PortState { Ready, Missing, Busy, NoAccess };

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
// locks when empty), no access when we may not read and write it.
PortState portState(const QString &path, const QString &lockDir = {});

// Why a device cannot be opened, with what the user needs to mend it: the lock
// file and its owner when busy, the device's group when access is denied, the
// lock folder when no lock can be written there.
struct PortDiagnosis {
    PortState state = PortState::Ready;
    QString lockFile = {};   // busy: the lock naming a live process
    qint64 lockPid = 0;      // busy: that process
    QString group = {};      // no access: the group owning the device node
    QString lockDir = {};    // the lock folder that cannot be written (else empty)
};
PortDiagnosis diagnosePort(const QString &path, const QString &lockDir = {});

// One line for the port window and the log: "<device>: <reason>: <fix>".
QString portProblemText(const QString &path, const PortDiagnosis &d, const QString &user = {});

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
bool writeUserPort(const QString &path, const QString &settingsFile = userSettingsFile());

// The device to open at start: the user's choice, else [comport] device of the
// INI (empty: COM port n of [comport] port).
QString startDevice(const core::IniFile &ini, const QString &settingsFile = userSettingsFile());

}  // namespace comlink
