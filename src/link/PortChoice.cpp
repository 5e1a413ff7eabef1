#include "PortChoice.h"

#include "core/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QSettings>

#include <cerrno>
#include <cstring>
#include <csignal>
#include <unistd.h>

namespace comlink {

namespace {
const QString kGroup = QStringLiteral("portpicker");
const QString kKey = QStringLiteral("device");

// A lock file holds the owner's pid on its first line (as text, or as a
// binary int in old UUCP locks); a stale lock (dead owner) is no hold.
bool lockHeldByLiveProcess(const QString &lockFile)
{
    QFile file(lockFile);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray data = file.read(64);
    bool ok = false;
    qint64 pid = data.left(data.indexOf('\n') < 0 ? data.size() : data.indexOf('\n')).trimmed().toLongLong(&ok);
    if (!ok && data.size() == int(sizeof(qint32))) {
        qint32 binary = 0;
        memcpy(&binary, data.constData(), sizeof binary);
        pid = binary;
        ok = true;
    }
    if (!ok || pid <= 0 || pid > 0x7fffffff) return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

// The lock file's name as the serial port library makes it: /dev/pts/3 ->
// LCK..pts_3 (it drops the first five characters of any absolute path).
QString lockName(const QString &path)
{
    QString name = path;
    if (name.startsWith(QLatin1Char('/'))) name.remove(0, 5);
    return QStringLiteral("LCK..") + name.replace(QLatin1Char('/'), QLatin1Char('_'));
}

// Where the serial port library puts its locks: the first writable of these.
const QStringList kLockDirs{QStringLiteral("/var/lock"), QStringLiteral("/etc/locks"), QStringLiteral("/var/spool/locks"),
                            QStringLiteral("/var/spool/uucp"), QStringLiteral("/tmp"), QStringLiteral("/var/lock/lockdev"),
                            QStringLiteral("/run/lock")};
}  // namespace

PortState portState(const QString &path, const QString &lockDir)
{
    const QFileInfo info(path);
    if (path.trimmed().isEmpty() || !info.exists()) return PortState::Missing;
    QStringList names{lockName(info.absoluteFilePath())};
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty() && !names.contains(lockName(canonical))) names << lockName(canonical);
    for (const QString &dir : lockDir.isEmpty() ? kLockDirs : QStringList{lockDir})
        for (const QString &name : names)
            if (lockHeldByLiveProcess(dir + QLatin1Char('/') + name)) return PortState::Busy;
    if (::access(QFile::encodeName(path).constData(), R_OK | W_OK) != 0) return PortState::NoAccess;
    return PortState::Ready;
}

QList<PortEntry> portEntries(const QList<QSerialPortInfo> &found, const QString &chosen, const QString &lockDir)
{
    QList<PortEntry> entries;
    const QString typed = chosen.trimmed();
    bool chosenListed = typed.isEmpty();
    for (const QSerialPortInfo &info : found) {
        PortEntry e;
        e.path = info.systemLocation();
        e.description = info.description();
        e.manufacturer = info.manufacturer();
        e.serialNumber = info.serialNumber();
        e.state = portState(e.path, lockDir);
        if (e.path == typed) chosenListed = true;
        entries << e;
    }
    if (!chosenListed) {
        PortEntry e;
        e.path = typed;
        e.state = portState(typed, lockDir);
        e.listed = false;
        entries << e;
    }
    return entries;
}

QList<PortEntry> availablePortEntries(const QString &chosen)
{
    return portEntries(QSerialPortInfo::availablePorts(), chosen);
}

QString userSettingsFile()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/haltron/haltron-user.ini");
}

QString readUserPort(const QString &settingsFile)
{
    if (!QFileInfo::exists(settingsFile)) return {};
    QSettings settings(settingsFile, QSettings::IniFormat);
    return settings.value(kGroup + QLatin1Char('/') + kKey).toString().trimmed();
}

bool writeUserPort(const QString &path, const QString &settingsFile)
{
    if (!QDir().mkpath(QFileInfo(settingsFile).absolutePath())) return false;
    QSettings settings(settingsFile, QSettings::IniFormat);
    const QString key = kGroup + QLatin1Char('/') + kKey;
    if (path.trimmed().isEmpty()) settings.remove(key);  // back to the INI's default
    else settings.setValue(key, path.trimmed());
    settings.sync();
    return settings.status() == QSettings::NoError;
}

QString startDevice(const core::IniFile &ini, const QString &settingsFile)
{
    const QString user = readUserPort(settingsFile);
    if (!user.isEmpty()) return user;
    return ini.readString(QStringLiteral("comport"), QStringLiteral("device"));
}

}  // namespace comlink
