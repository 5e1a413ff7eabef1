#include "Logs.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace shell {

QString timeStamp(const core::Clock &clock)
{
    return clock.now().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

void LogFile::close()
{
    if (m_open) m_file.close();
    m_open = false;
}

bool LogFile::openFile(const QString &name, bool append)
{
    close();
    m_fileName = name;
    m_file.setFileName(name);
    QDir().mkpath(QFileInfo(name).absolutePath());
    const auto mode = QIODevice::WriteOnly | QIODevice::Text | (append ? QIODevice::Append : QIODevice::Truncate);
    if (!m_file.open(mode)) {
        fail(QStringLiteral("cannot create"));
        return false;
    }
    m_open = true;
    return true;
}

void LogFile::writeLine(const QString &text)
{
    if (!m_open) return;
    const QByteArray line = text.toUtf8() + '\n';
    if (m_file.write(line) != line.size() || !m_file.flush()) fail(QStringLiteral("cannot write"));
}

void LogFile::fail(const QString &what)
{
    if (m_failed) return;
    m_failed = true;
    const QString text = QStringLiteral("Logdatei %1: %2 (%3)").arg(what, m_fileName, m_file.errorString());
    std::fprintf(stderr, "%s\n", qPrintable(text));
    if (onError) onError(text);
}

bool MainLogFile::create(const QString &fileName)
{
    if (QFileInfo::exists(fileName)) QFile::remove(fileName);
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
