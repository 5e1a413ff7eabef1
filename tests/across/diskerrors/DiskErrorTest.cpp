// Every file the program writes, against a read-only folder, a full device and
// a write cut short: the failure is said once in the user's words, the earlier
// file stays byte for byte, and nothing is replaced that is not a regular file.

#include "core/FileWrite.h"
#include "core/IniFile.h"
#include "core/Timer.h"
#include "comlink/PhoneBook.h"
#include "comlink/PortChoice.h"
#include "monitor/FaultLog.h"
#include "monitorview/StatisticsWindow.h"
#include "shell/Logs.h"
#include "batch/VisitSummary.h"
#include "sysmod/ParameterSet.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <functional>

#include <gtest/gtest.h>

#include <csignal>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// One writer of the program: writes its new content to path and returns every
// failure it reported (empty: it claims success).
struct Writer {
    const char *name;
    std::function<QStringList(const QString &path)> write;
    bool startsAfresh = false;  // the main log: its earlier content goes by design once it is written
};

QStringList reasonOf(const core::WriteOutcome &outcome)
{
    return outcome.ok() ? QStringList() : QStringList{core::WriteFaultTexts().reason(outcome)};
}

// A log gets three lines: a full disk must be said once, not three times.
template <typename Log>
QStringList writeLog(const QString &path)
{
    core::VirtualTime time;
    Log log(time);
    QStringList errors;
    log.onError = [&errors](const QString &text) { errors << text; };
    if (log.create(path))
        for (int i = 0; i < 3; ++i) log.write(QStringLiteral("Zeile %1 ").arg(i) + QString(40, QLatin1Char('x')));
    return errors;
}

const Writer Writers[] = {
    {"fault list",
     [](const QString &path) {
         return reasonOf(monitor::saveFaultList({QStringLiteral(" 001 : MN-.012 (003)  13:45:10  05.03.07   Notendschalter"),
                                                 QStringLiteral(" 002 : MN-.013 (001)  13:46:00  05.03.07   Tür")},
                                                path));
     }},
    {"parameter set",
     [](const QString &path) {
         sysmod::ParameterSet set;
         return set.saveToFile(path) ? QStringList() : QStringList{set.lastError()};
     }},
    {"phone book",
     [](const QString &path) {
         comlink::PhoneBook book;
         const QString error = book.savePhoneBook(path, {{QStringLiteral("Anlage Nord"), QStringLiteral("0711 4711")},
                                                         {QStringLiteral("Anlage Süd"), QStringLiteral("0711 4712")}});
         return error.isEmpty() ? QStringList() : QStringList{error};
     }},
    {"statistics chart",
     [](const QString &path) {
         QImage picture(16, 16, QImage::Format_RGB32);
         picture.fill(Qt::darkBlue);
         return reasonOf(monitorview::StatisticsWindow::writePng(picture, path));
     }},
    {"port choice",
     [](const QString &path) { return reasonOf(comlink::writeUserPort(QStringLiteral("/dev/ttyUSB0"), path)); }},
    {"main log", [](const QString &path) { return writeLog<shell::MainLogFile>(path); }, true},
    {"logon log", [](const QString &path) { return writeLog<shell::LogonLogFile>(path); }},
    {"batch log", [](const QString &path) { return writeLog<shell::AppendLogFile>(path); }},
    {"visit summary",
     [](const QString &path) {
         QString error;
         return batch::appendSummary(path, QByteArray(R"({"result":"ok","exit":0,"member":null,"trips":12345})") + '\n', &error)
                    ? QStringList()
                    : QStringList{error};
     }},
};

const QByteArray Earlier("earlier content, kept\n");
constexpr rlim_t SizeLimit = 8;  // bytes any file may reach in the cut-short case

// Where the writer is pointed and what it must say.
enum class Place { ReadOnlyFolder, FullDevice, CutShort };
struct Environment {
    const char *name;
    Place place;
    QString reason;  // part of every failure text
};
const Environment Environments[] = {
    {"read-only folder", Place::ReadOnlyFolder, QStringLiteral("keine Schreibberechtigung")},
    {"/dev/full", Place::FullDevice, {}},  // in place: full; replaced whole: refused
    {"write cut short", Place::CutShort, QStringLiteral("Datei zu groß")},
};

// Runs write in a child, so that root can give up its rights (it passes every
// permission check) and a file size limit stays with the child. The child
// sends the failure texts back through a pipe; -1 when it could not run.
int inChild(bool unprivileged, bool sizeLimit, const std::function<QStringList()> &write, QStringList *reported)
{
    int channel[2];
    if (::pipe(channel) != 0) return -1;
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        ::close(channel[0]);
        if (unprivileged && ::geteuid() == 0) {
            const uid_t nobody = 65534;
            if (::setgroups(0, nullptr) != 0 || ::setresgid(nobody, nobody, nobody) != 0
                || ::setresuid(nobody, nobody, nobody) != 0)
                ::_exit(2);
        }
        if (sizeLimit) {
            ::signal(SIGXFSZ, SIG_IGN);  // the write then fails with EFBIG instead of ending the process
            const rlimit limit{SizeLimit, SizeLimit};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(2);
        }
        const QByteArray text = write().join(QLatin1Char('\n')).toUtf8();
        const bool sent = ::write(channel[1], text.constData(), size_t(text.size())) == text.size();
        ::_exit(sent ? 0 : 3);
    }
    ::close(channel[1]);
    QByteArray text;
    char buffer[512];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    *reported = text.isEmpty() ? QStringList() : QString::fromUtf8(text).split(QLatin1Char('\n'));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool isFullDevice()
{
    struct stat st {};
    return ::stat("/dev/full", &st) == 0 && S_ISCHR(st.st_mode);
}

struct DiskErrorTest : ::testing::TestWithParam<std::tuple<Writer, Environment>> {
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        // The unprivileged child must reach the folder.
        ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    }
    void TearDown() override { ::chmod(QFile::encodeName(folder()).constData(), 0755); }
    QString folder() const { return dir.filePath(QStringLiteral("files")); }
    QString target() const { return folder() + QStringLiteral("/target"); }
    void putEarlierFile()
    {
        ASSERT_TRUE(QDir().mkpath(folder()));
        QFile file(target());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(Earlier), Earlier.size());
    }
    QTemporaryDir dir;
};

TEST_P(DiskErrorTest, FailureIsSaidOnceAndNothingIsLost)
{
    ASSERT_TRUE(isFullDevice()) << "this machine has no /dev/full";
    const auto &writer = std::get<0>(GetParam());
    const auto &environment = std::get<1>(GetParam());
    putEarlierFile();
    const QString path = target();
    QStringList entriesBefore{QStringLiteral("target")};

    switch (environment.place) {
    case Place::ReadOnlyFolder:
        // Neither the folder nor the file in it can be changed, as on a read-only medium.
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(folder()).constData(), 0555), 0);
        break;
    case Place::FullDevice:
        ASSERT_TRUE(QFile::remove(path));
        ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), path));
        break;
    case Place::CutShort:
        break;
    }

    QStringList reported;
    const int status = inChild(environment.place == Place::ReadOnlyFolder, environment.place == Place::CutShort,
                               [&] { return writer.write(path); }, &reported);
    ASSERT_EQ(status, 0) << "the writer's child did not finish (2: could not drop its rights or limit its files)";

    ASSERT_EQ(reported.size(), 1) << "reported: " << reported.join(QStringLiteral(" | ")).toStdString();
    const QString &message = reported.first();
    if (environment.place == Place::FullDevice) {
        // Appended or rewritten in place, the device takes the open and refuses the bytes;
        // a file written beside and renamed over must not replace the device.
        EXPECT_TRUE(message.contains(QStringLiteral("Datenträger voll")) || message.contains(QStringLiteral("keine gewöhnliche Datei")))
            << message.toStdString();
        EXPECT_TRUE(QFileInfo(path).isSymLink());
        EXPECT_EQ(QFileInfo(path).symLinkTarget(), QStringLiteral("/dev/full"));
        EXPECT_TRUE(isFullDevice()) << "/dev/full was replaced";
    } else {
        EXPECT_TRUE(message.contains(environment.reason)) << message.toStdString();
        if (!(writer.startsAfresh && environment.place == Place::CutShort)) {
            EXPECT_EQ(contentOf(path), Earlier);
        }
    }
    // No half-written file or temporary left beside it.
    EXPECT_EQ(QDir(folder()).entryList(QDir::Files | QDir::System | QDir::Hidden), entriesBefore);
}

INSTANTIATE_TEST_SUITE_P(EveryWriter, DiskErrorTest, ::testing::Combine(::testing::ValuesIn(Writers), ::testing::ValuesIn(Environments)),
                         [](const auto &info) {
                             QString name = QString::fromLatin1(std::get<0>(info.param).name) + QLatin1Char('_')
                                            + QString::fromLatin1(std::get<1>(info.param).name);
                             for (QChar &c : name)
                                 if (!c.isLetterOrNumber()) c = QLatin1Char('_');
                             return name.toStdString();
                         });

// The main log starts afresh at every start, but only a regular file is
// removed for it: what a link names, a device or a folder stays where it is.
TEST(MainLogStart, RemovesOnlyARegularFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    core::VirtualTime time;

    const QString regular = dir.filePath(QStringLiteral("main.log"));
    {
        QFile file(regular);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("last run\n");
    }
    const QString kept = dir.filePath(QStringLiteral("kept.txt"));
    {
        QFile file(kept);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a log\n");
    }
    const QString link = dir.filePath(QStringLiteral("linked.log"));
    ASSERT_TRUE(QFile::link(kept, link));
    const QString folder = dir.filePath(QStringLiteral("folder.log"));
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/inside")));

    struct Case { QString path; bool opens; };
    for (const Case &c : {Case{regular, true}, Case{link, true}, Case{folder, false}}) {
        shell::MainLogFile log(time);
        QStringList errors;
        log.onError = [&errors](const QString &text) { errors << text; };
        EXPECT_EQ(log.create(c.path), c.opens) << c.path.toStdString();
        EXPECT_EQ(errors.size(), c.opens ? 0 : 1) << c.path.toStdString();
        log.write(QStringLiteral("this run"));
    }
    EXPECT_EQ(contentOf(regular), QByteArray("this run\n"));
    // Through the link the named file is rewritten like a log, the link itself stays.
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(contentOf(kept), QByteArray("this run\n"));
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/inside")).isDir());
}

// The delivered language file gives every reason, in the words the program
// falls back on when the file is missing.
TEST(WriteFaultWords, DeliveredLanguageFileHasEveryReason)
{
    const core::IniFile language(QStringLiteral(HALTRON_DATA_DIR "/haltron_de.lng"));
    QStringList missing;
    const core::WriteFaultTexts texts = core::WriteFaultTexts::fromLanguage([&](const QString &section, int number) {
        const QString text = language.readString(section, QString::number(number));
        if (text.isEmpty()) missing << QString::number(number);
        return text;
    });
    EXPECT_TRUE(missing.isEmpty()) << missing.join(QLatin1Char(' ')).toStdString();
    const core::WriteFaultTexts builtIn;
    for (const core::WriteFault fault : {core::WriteFault::DiskFull, core::WriteFault::TooLarge, core::WriteFault::NoPermission,
                                         core::WriteFault::ReadOnly, core::WriteFault::NotAFile, core::WriteFault::NoFolder,
                                         core::WriteFault::Other})
        EXPECT_EQ(texts.reason({fault}), builtIn.reason({fault})) << int(fault);
}

}  // namespace
