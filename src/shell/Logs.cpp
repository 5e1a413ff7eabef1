#include "Logs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace shell {

QString timeStamp(const core::Clock &clock)
{
    return clock.now().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

void LogFile::close()
{
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_open = false;
}

bool LogFile::openFile(const QString &name, bool append, bool makeFolders)
{
    close();
    m_fileName = name;
    m_failure = {};
    if (makeFolders) QDir().mkpath(QFileInfo(name).absolutePath());
    m_fd = core::openForWriting(QFile::encodeName(name), O_CREAT | (append ? O_APPEND : O_TRUNC));
    if (m_fd < 0) {
        fail(m_texts.createFailed, errno);
        return false;
    }
    m_open = true;
    return true;
}

void LogFile::writeLine(const QString &text)
{
    if (!m_open || !m_failure.ok()) return;
    if (const int error = core::writeAll(m_fd, text.toUtf8() + '\n')) fail(m_texts.writeFailed, error);
}

// Reported once: a full disk stays full, and every later line would say so again.
void LogFile::fail(const QString &textTemplate, int systemError)
{
    if (!m_failure.ok()) return;
    m_failure = core::writeOutcomeOf(systemError);
    const QString text = textTemplate.arg(m_fileName, m_texts.reasons.reason(m_failure));
    std::fprintf(stderr, "%s (%s)\n", qPrintable(text), qPrintable(m_failure.systemText));
    if (onError) onError(text);
}

// Only a regular file is deleted: a device, a folder or whatever a link names
// is not ours to remove; the log is then written in place or refused.
bool MainLogFile::create(const QString &fileName)
{
    struct stat st {};
    const QByteArray name = QFile::encodeName(fileName);
    if (!fileName.isEmpty() && ::lstat(name.constData(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(name.constData());
    return openFile(fileName, false);
}

void MainLogFile::write(const QString &text)
{
    if (!open()) return;
    writeLine(text);
    if (onWrite) onWrite(text);
}

bool LogonLogFile::create(const QString &fileName)
{
    const bool existed = QFileInfo::exists(fileName);
    if (!openFile(fileName, true)) return false;
    if (!existed) writeLine(stamp() + QStringLiteral("- logfile kreiiert"));
    return true;
}

void LogonLogFile::write(const QString &text)
{
    writeLine(stamp() + QLatin1Char(' ') + text);
}

}  // namespace shell
