#include "PortChoice.h"

#include "core/IniFile.h"
#include "core/LanguageEntries.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <cerrno>
#include <cstring>
#include <csignal>
#include <algorithm>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace comlink {

namespace {
const QString Group = QStringLiteral("portpicker");
const QString Key = QStringLiteral("device");

// A lock file holds the owner's pid on its first line (as text, or as a
// binary int in old UUCP locks); a stale lock (dead owner) is no hold.
qint64 lockHolder(const QString &lockFile)
{
    QFile file(lockFile);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    const QByteArray data = file.read(64);
    bool ok = false;
    qint64 pid = data.left(data.indexOf('\n') < 0 ? data.size() : data.indexOf('\n')).trimmed().toLongLong(&ok);
    if (!ok && data.size() == int(sizeof(qint32))) {
        qint32 binary = 0;
        memcpy(&binary, data.constData(), sizeof binary);
        pid = binary;
        ok = true;
    }
    if (!ok || pid <= 0 || pid > 0x7fffffff) return 0;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM ? pid : 0;
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
const QStringList LockDirs{QStringLiteral("/var/lock"), QStringLiteral("/etc/locks"), QStringLiteral("/var/spool/locks"),
                            QStringLiteral("/var/spool/uucp"), QStringLiteral("/tmp"), QStringLiteral("/var/lock/lockdev"),
                            QStringLiteral("/run/lock")};

bool writableDir(const QString &dir)
{
    return ::access(QFile::encodeName(dir).constData(), W_OK | X_OK) == 0;
}

QString groupOf(const QString &path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
    if (const struct group *g = ::getgrgid(st.st_gid)) return QString::fromLocal8Bit(g->gr_name);
    return QString::number(st.st_gid);
}
}  // namespace

PortDiagnosis diagnosePort(const QString &path, const QString &lockDir)
{
    PortDiagnosis d;
    const QFileInfo info(path);
    if (path.trimmed().isEmpty() || !info.exists()) {
        d.state = PortState::Missing;
        return d;
    }
    QStringList names{lockName(info.absoluteFilePath())};
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty() && !names.contains(lockName(canonical))) names << lockName(canonical);
    const QStringList dirs = lockDir.isEmpty() ? LockDirs : QStringList{lockDir};
    for (const QString &dir : dirs)
        for (const QString &name : names) {
            const QString file = dir + QLatin1Char('/') + name;
            if (const qint64 pid = lockHolder(file)) {
                d.state = PortState::Busy;
                d.lockFile = file;
                d.lockPid = pid;
                return d;
            }
        }
    if (::access(QFile::encodeName(path).constData(), R_OK | W_OK) != 0) {
        d.state = PortState::NoAccess;
        d.group = groupOf(path);
        return d;
    }
    // The serial port library locks in the first writable folder; with none it cannot open.
    if (std::none_of(dirs.begin(), dirs.end(), writableDir)) {
        d.state = PortState::LockFolder;
        d.lockDir = dirs.first();
    }
    return d;
}

PortState portState(const QString &path, const QString &lockDir)
{
    return diagnosePort(path, lockDir).state;
}

PortProblemTexts PortProblemTexts::fromLanguage(const std::function<QString(const QString &section, const QString &ident)> &text)
{
    PortProblemTexts texts;
    if (!text) return texts;
    core::takeLanguageEntries([&text](int number) { return text(QStringLiteral("portpicker"), QString::number(number)); },
                              {{20, &texts.missing}, {21, &texts.busy}, {22, &texts.busyUnknown}, {23, &texts.noPermission},
                               {24, &texts.lockFolder}});
    return texts;
}

QString portProblemText(const QString &path, const PortDiagnosis &d, const QString &user, const PortProblemTexts &texts)
{
    switch (d.state) {
    case PortState::Ready: return {};
    case PortState::Missing: return texts.missing.arg(path);
    case PortState::Busy:
        if (d.lockFile.isEmpty()) return texts.busyUnknown.arg(path);
        return texts.busy.arg(path).arg(d.lockPid).arg(d.lockFile);
    case PortState::LockFolder: return texts.lockFolder.arg(path, d.lockDir);
    case PortState::NoAccess: break;
    }
    const QString group = d.group.isEmpty() ? QStringLiteral("dialout") : d.group;
    const QString who = user.isEmpty() ? qEnvironmentVariable("USER", QStringLiteral("$USER")) : user;
    return texts.noPermission.arg(path, group, who);
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
    return core::IniFile(settingsFile).readString(Group, Key).trimmed();
}

core::WriteOutcome writeUserPort(const QString &path, const QString &settingsFile)
{
    const QString folder = QFileInfo(settingsFile).absolutePath();
    errno = 0;
    if (!QDir().mkpath(folder)) return core::writeOutcomeOf(errno != 0 ? errno : ENOTDIR);
    // Whatever else the file holds stays; an empty value gives the INI back its say.
    core::IniFile settings(settingsFile);
    settings.writeString(Group, Key, path.trimmed());
    return core::writeFileWhole(settingsFile, settings.toText().toUtf8());
}

QString startDevice(const core::IniFile &ini, const QString &settingsFile)
{
    const QString user = readUserPort(settingsFile);
    if (!user.isEmpty()) return user;
    return ini.readString(QStringLiteral("comport"), QStringLiteral("device"));
}

}  // namespace comlink
