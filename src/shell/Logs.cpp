#include "Logs.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace shell {

QString TimeStamp(const core::Clock &clock)
{
    return clock.now().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

void TMyFile::Close()
{
    if (m_open) m_file.close();
    m_open = false;
}

bool TMyFile::openFile(const QString &name, bool append)
{
    Close();
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

void TMyFile::writeLine(const QString &text)
{
    if (!m_open) return;
    const QByteArray line = text.toUtf8() + '\n';
    if (m_file.write(line) != line.size() || !m_file.flush()) fail(QStringLiteral("cannot write"));
}

void TMyFile::fail(const QString &what)
{
    if (m_failed) return;
    m_failed = true;
    const QString text = QStringLiteral("Logdatei %1: %2 (%3)").arg(what, m_fileName, m_file.errorString());
    std::fprintf(stderr, "%s\n", qPrintable(text));
    if (OnError) OnError(text);
}

bool TLogFile::Create(const QString &fileName)
{
    if (QFileInfo::exists(fileName)) QFile::remove(fileName);
    return openFile(fileName, false);
}

void TLogFile::Write(const QString &text)
{
    if (!Open()) return;
    writeLine(text);
    if (OnWrite) OnWrite(text);
}

bool TLogOnFile::Create(const QString &fileName)
{
    const bool existed = QFileInfo::exists(fileName);
    if (!openFile(fileName, true)) return false;
    if (!existed) writeLine(stamp() + QStringLiteral("- logfile kreiiert"));
    return true;
}

void TLogOnFile::Write(const QString &text)
{
    writeLine(stamp() + QLatin1Char(' ') + text);
}

}  // namespace shell
