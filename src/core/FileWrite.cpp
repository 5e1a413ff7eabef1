#include "FileWrite.h"
#include "LanguageEntries.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace core {

QString WriteFaultTexts::reason(const WriteOutcome &outcome) const
{
    switch (outcome.fault) {
    case WriteFault::None: return {};
    case WriteFault::DiskFull: return diskFull;
    case WriteFault::TooLarge: return tooLarge;
    case WriteFault::NoPermission: return noPermission;
    case WriteFault::ReadOnly: return readOnly;
    case WriteFault::NotAFile: return notAFile;
    case WriteFault::NoFolder: return noFolder;
    case WriteFault::Other: break;
    }
    return outcome.systemText.isEmpty() ? other : other + QStringLiteral(" (") + outcome.systemText + QLatin1Char(')');
}

WriteFaultTexts WriteFaultTexts::fromLanguage(const std::function<QString(const QString &section, int number)> &text)
{
    WriteFaultTexts texts;
    if (!text) return texts;
    takeLanguageEntries([&text](int number) { return text(QStringLiteral("writefault"), number); },
                        {{1, &texts.diskFull}, {2, &texts.tooLarge}, {3, &texts.noPermission}, {4, &texts.readOnly},
                         {5, &texts.notAFile}, {6, &texts.noFolder}, {7, &texts.other}});
    return texts;
}

WriteFault writeFaultOf(int systemError)
{
    switch (systemError) {
    case 0: return WriteFault::None;
    case ENOSPC:
    case EDQUOT: return WriteFault::DiskFull;
    case EFBIG: return WriteFault::TooLarge;
    case EACCES:
    case EPERM: return WriteFault::NoPermission;
    case EROFS: return WriteFault::ReadOnly;
    case EISDIR:
    case ENXIO:
    case ENODEV: return WriteFault::NotAFile;
    case ENOENT:
    case ENOTDIR: return WriteFault::NoFolder;
    default: return WriteFault::Other;
    }
}

WriteOutcome writeOutcomeOf(int systemError)
{
    WriteOutcome outcome;
    outcome.fault = writeFaultOf(systemError);
    if (systemError != 0) outcome.systemText = QString::fromLocal8Bit(std::strerror(systemError));
    return outcome;
}

int writeAll(int fd, const QByteArray &content)
{
    const char *data = content.constData();
    qsizetype left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return EIO;
        data += n;
        left -= n;
    }
    return 0;
}

int openForWriting(const QByteArray &encodedPath, int flags, int mode)
{
    int fd = -1;
    do fd = ::open(encodedPath.constData(), O_WRONLY | O_CLOEXEC | flags, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

WriteOutcome writeFileWhole(const QString &path, const QByteArray &content)
{
    if (path.isEmpty()) return writeOutcomeOf(ENOENT);
    // Through a link: the file it names is replaced, the link stays.
    const QFileInfo info(path);
    const QString target = info.isSymLink() ? info.symLinkTarget() : path;
    const QByteArray targetName = QFile::encodeName(target);

    struct stat st {};
    const bool existed = ::stat(targetName.constData(), &st) == 0;
    if (!existed && errno != ENOENT) return writeOutcomeOf(errno);
    if (existed && !S_ISREG(st.st_mode)) return {WriteFault::NotAFile, QStringLiteral("not a regular file")};
    // A file its owner made read-only is not replaced behind the owner's back.
    if (existed && ::access(targetName.constData(), W_OK) != 0) return writeOutcomeOf(errno);

    QByteArray tempName;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        tempName = targetName + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".new";
        fd = openForWriting(tempName, O_CREAT | O_EXCL, existed ? 0600 : 0666);
        if (fd < 0 && errno != EEXIST) return writeOutcomeOf(errno);
    }
    if (fd < 0) return writeOutcomeOf(EEXIST);

    int error = writeAll(fd, content);
    if (error == 0 && existed && ::fchmod(fd, st.st_mode & 07777) != 0) error = errno;
    // Some file systems report a full disk only when the data is flushed.
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(tempName.constData(), targetName.constData()) != 0) error = errno;
    if (error != 0) ::unlink(tempName.constData());
    return writeOutcomeOf(error);
}

WriteOutcome writeLinesWhole(const QString &path, const QStringList &lines)
{
    QByteArray content;
    for (const QString &line : lines) content += line.toUtf8() + '\n';
    return writeFileWhole(path, content);
}

WriteOutcome appendToFile(const QString &path, const QByteArray &content)
{
    if (path.isEmpty()) return writeOutcomeOf(ENOENT);
    const int fd = openForWriting(QFile::encodeName(path), O_CREAT | O_APPEND);
    if (fd < 0) return writeOutcomeOf(errno);
    int error = writeAll(fd, content);
    if (::close(fd) != 0 && error == 0) error = errno;
    return writeOutcomeOf(error);
}

}  // namespace core
