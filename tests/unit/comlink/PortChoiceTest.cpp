#include "comlink/PortChoice.h"

#include "core/IniFile.h"

#include "TestApp.h"

#include <QDir>
#include <QFile>
#include <QSerialPortInfo>
#include <QTemporaryDir>

#include <functional>
#include <grp.h>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using comlink::PortEntry;
using comlink::PortState;

namespace {

struct PortChoiceTest : ::testing::Test {
    void SetUp() override
    {
        testsupport::testApp();
        ASSERT_TRUE(dir.isValid());
        QDir().mkpath(lockDir());
        device = dir.filePath(QStringLiteral("ttyFAKE0"));
        QFile f(device);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QString lockDir() const { return dir.filePath(QStringLiteral("lock")); }
    // Named as the serial port library names it: /tmp/x/ttyFAKE0 -> LCK..x_ttyFAKE0.
    QString lockFile() const { return lockDir() + QStringLiteral("/LCK..") + QString(device.mid(5)).replace(QLatin1Char('/'), QLatin1Char('_')); }
    void writeLock(const QByteArray &content)
    {
        QFile f(lockFile());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    QTemporaryDir dir;
    QString device;
};

TEST_F(PortChoiceTest, StateOfAPathWithoutOpeningIt)
{
    EXPECT_EQ(comlink::portState(dir.filePath(QStringLiteral("ttyGONE")), lockDir()), PortState::Missing);
    EXPECT_EQ(comlink::portState(QStringLiteral("  "), lockDir()), PortState::Missing);
    EXPECT_EQ(comlink::portState(device, lockDir()), PortState::Ready);

    const qint32 ownPid = qint32(getpid());
    struct Case { const char *what; QByteArray lock; PortState expected; };
    const QList<Case> cases{
        {"our own pid as text", QByteArray::number(qint64(getpid())).rightJustified(10) + '\n', PortState::Busy},
        {"our own pid binary", QByteArray(reinterpret_cast<const char *>(&ownPid), sizeof ownPid), PortState::Busy},
        {"a dead owner", QByteArray("2147483000\n"), PortState::Ready},
        {"garbage", QByteArray("\xff\xfe garbage that is no pid at all"), PortState::Ready},
        {"empty", QByteArray(), PortState::Ready},
    };
    for (const Case &c : cases) {
        writeLock(c.lock);
        EXPECT_EQ(comlink::portState(device, lockDir()), c.expected) << c.what;
    }

    // A link is judged by the lock of the device it points to.
    writeLock(QByteArray::number(qint64(getpid())));
    const QString link = dir.filePath(QStringLiteral("lift"));
    ASSERT_TRUE(QFile::link(device, link));
    EXPECT_EQ(comlink::portState(link, lockDir()), PortState::Busy);

    QFile::remove(lockFile());
    if (geteuid() != 0) {  // root may open anything
        QFile::setPermissions(device, QFileDevice::ReadOwner);
        EXPECT_EQ(comlink::portState(device, lockDir()), PortState::NoAccess);
    }
}

TEST_F(PortChoiceTest, TypedOrMissingChoiceIsListedNotHidden)
{
    const QList<QSerialPortInfo> found{QSerialPortInfo(QStringLiteral("ttyS0"))};
    ASSERT_EQ(found.first().systemLocation(), QStringLiteral("/dev/ttyS0"));

    // Nothing chosen: only what was found.
    QList<PortEntry> entries = comlink::portEntries(found, QString(), lockDir());
    ASSERT_EQ(entries.size(), 1);
    EXPECT_TRUE(entries[0].listed);

    // A chosen device among those found is not repeated.
    entries = comlink::portEntries(found, QStringLiteral(" /dev/ttyS0 "), lockDir());
    EXPECT_EQ(entries.size(), 1);

    // A typed path that exists (pseudo-terminal, link) is kept at the end.
    entries = comlink::portEntries(found, device, lockDir());
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[1].path, device);
    EXPECT_FALSE(entries[1].listed);
    EXPECT_EQ(entries[1].state, PortState::Ready);

    // An unplugged adapter stays visible as missing.
    entries = comlink::portEntries({}, QStringLiteral("/dev/ttyUSB-haltron-gone"), lockDir());
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].state, PortState::Missing);
}

TEST_F(PortChoiceTest, UserChoiceOverridesTheIniDefaultWithoutTouchingTheIni)
{
    const QByteArray savedXdg = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toLocal8Bit());
    const QString settings = comlink::userSettingsFile();
    EXPECT_EQ(settings, dir.filePath(QStringLiteral("config/haltron/haltron-user.ini")));
    if (savedXdg.isNull()) qunsetenv("XDG_CONFIG_HOME");
    else qputenv("XDG_CONFIG_HOME", savedXdg);

    core::IniFile withDevice, withoutDevice;
    withDevice.parse(QStringLiteral("[comport]\nport=2\ndevice=/dev/ttyUSB3\n"));
    withoutDevice.parse(QStringLiteral("[comport]\nport=2\n"));
    const QString iniText = withDevice.toText();

    // Nothing chosen (no file yet): the INI decides.
    EXPECT_EQ(comlink::readUserPort(settings), QString());
    EXPECT_EQ(comlink::startDevice(withDevice, settings), QStringLiteral("/dev/ttyUSB3"));
    EXPECT_EQ(comlink::startDevice(withoutDevice, settings), QString());

    ASSERT_TRUE(comlink::writeUserPort(QStringLiteral(" /dev/pts/7 "), settings).ok());
    EXPECT_EQ(comlink::readUserPort(settings), QStringLiteral("/dev/pts/7"));
    EXPECT_EQ(comlink::startDevice(withDevice, settings), QStringLiteral("/dev/pts/7"));
    EXPECT_EQ(comlink::startDevice(withoutDevice, settings), QStringLiteral("/dev/pts/7"));

    // Clearing the choice gives the INI back its say.
    ASSERT_TRUE(comlink::writeUserPort(QString(), settings).ok());
    EXPECT_EQ(comlink::startDevice(withDevice, settings), QStringLiteral("/dev/ttyUSB3"));
    EXPECT_EQ(withDevice.toText(), iniText);

    // A settings folder that cannot be made is reported, not ignored.
    EXPECT_EQ(comlink::writeUserPort(QStringLiteral("/dev/ttyS1"), device + QStringLiteral("/sub/haltron-user.ini")).fault,
              core::WriteFault::NoFolder);
}

}  // namespace

namespace {

// Runs check as the unprivileged user nobody in a child, since root passes every
// permission check; returns the child's exit code (0: passed), -1 when no child
// could drop its rights.
int asNobody(const std::function<bool()> &check)
{
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        const uid_t nobody = 65534;
        if (::setgroups(0, nullptr) != 0 || ::setresgid(nobody, nobody, nobody) != 0
            || ::setresuid(nobody, nobody, nobody) != 0)
            ::_exit(2);
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 3;
}

}  // namespace

TEST_F(PortChoiceTest, ProblemTextNamesTheReasonAndTheFix)
{
    using comlink::diagnosePort;
    using comlink::portProblemText;
    // Missing: the path only.
    const QString gone = dir.filePath(QStringLiteral("ttyGONE"));
    EXPECT_EQ(portProblemText(gone, diagnosePort(gone, lockDir())), gone + QStringLiteral(": Gerät fehlt: Kabel und Gerätenamen prüfen"));
    // Busy: the lock file and the live process named in it.
    writeLock(QByteArray::number(qint64(::getpid())) + '\n');
    const comlink::PortDiagnosis busy = diagnosePort(device, lockDir());
    EXPECT_EQ(busy.state, PortState::Busy);
    EXPECT_EQ(portProblemText(device, busy),
              device + QStringLiteral(": belegt von Prozess %1 (Sperrdatei %2)").arg(::getpid()).arg(lockFile()));
    QFile::remove(lockFile());
    // Ready: nothing to say.
    EXPECT_TRUE(portProblemText(device, diagnosePort(device, lockDir())).isEmpty());
    // The texts of the access problems, given a diagnosis.
    comlink::PortDiagnosis denied{PortState::NoAccess};
    denied.group = QStringLiteral("uucp");
    EXPECT_EQ(portProblemText(device, denied, QStringLiteral("anna")),
              device + QStringLiteral(": keine Berechtigung: Benutzer in die Gruppe uucp aufnehmen: sudo usermod -aG uucp anna (danach neu anmelden)"));
    comlink::PortDiagnosis noLock{PortState::LockFolder};
    noLock.lockDir = lockDir();
    EXPECT_EQ(portProblemText(device, noLock),
              device + QStringLiteral(": Sperrordner %1 nicht beschreibbar: Schreibrecht geben: sudo chmod 1777 %1").arg(lockDir()));

    // The language file's words replace the built-in ones; missing entries keep them.
    const auto language = [](const QString &section, const QString &ident) {
        if (section == QStringLiteral("portpicker") && ident == QStringLiteral("20")) return QStringLiteral("%1 fehlt");
        return ident;
    };
    const comlink::PortProblemTexts texts = comlink::PortProblemTexts::fromLanguage(language);
    EXPECT_EQ(portProblemText(gone, diagnosePort(gone, lockDir()), {}, texts), gone + QStringLiteral(" fehlt"));
    EXPECT_EQ(texts.lockFolder, comlink::PortProblemTexts().lockFolder);
}

TEST_F(PortChoiceTest, AccessProblemsFoundAsAnUnprivilegedUser)
{
    // The device node belongs to root and its group, readable by nobody else.
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7777)));
    ASSERT_EQ(::chmod(QFile::encodeName(device).constData(), 0660), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(lockDir()).constData(), 0755), 0);
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to drop to another user";
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(device).constData(), &st), 0);
    const QString dev = device, locks = lockDir();
    // No permission: the node's own group is named.
    const int denied = asNobody([&] {
        const comlink::PortDiagnosis d = comlink::diagnosePort(dev, locks);
        return d.state == PortState::NoAccess && d.lockDir.isEmpty() && !d.group.isEmpty();
    });
    ASSERT_NE(denied, 2) << "could not drop to nobody";
    EXPECT_EQ(denied, 0);
    // Readable device, lock folder owned by root: the folder is named.
    ASSERT_EQ(::chmod(QFile::encodeName(device).constData(), 0666), 0);
    EXPECT_EQ(asNobody([&] {
                  const comlink::PortDiagnosis d = comlink::diagnosePort(dev, locks);
                  return d.state == PortState::LockFolder && d.lockDir == locks;
              }),
              0);
    // Both writable: ready.
    ASSERT_EQ(::chmod(QFile::encodeName(lockDir()).constData(), 0777), 0);
    EXPECT_EQ(asNobody([&] { return comlink::diagnosePort(dev, locks).state == PortState::Ready; }), 0);
}
