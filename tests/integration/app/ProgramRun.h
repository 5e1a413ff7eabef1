#pragma once
// Processes for the end-to-end tests: the stand-in controller on a
// pseudo-terminal, a test INI beside it, and the program run against both.
// Every wait is bounded; a missing answer fails the test, never hangs it.

#include "core/IniFile.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <functional>

namespace runs {

// haltron-sim --pty --link <path>: the link name stays when the stand-in restarts.
struct SimProcess {
    SimProcess(QString linkPath, QStringList options) : m_link(std::move(linkPath)), m_options(std::move(options)) {}
    ~SimProcess() { stop(); }

    // True once the stand-in has printed its pseudo-terminal.
    bool start()
    {
        if (!traceFile.isEmpty()) m_process.setStandardErrorFile(traceFile, QIODevice::Append);
        m_process.start(QStringLiteral(HALTRON_SIM),
                        QStringList{QStringLiteral("--pty"), QStringLiteral("--link"), m_link, QStringLiteral("--traffic"),
                                    QStringLiteral("0"), QStringLiteral("--fault-minutes"), QStringLiteral("0")}
                            + m_options);
        return m_process.waitForReadyRead(10000) && m_process.readLine().startsWith("/dev/");
    }
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning) return;
        m_process.kill();
        m_process.waitForFinished(5000);
    }

    // With --trace among the options: every request and its answer goes here.
    QString traceFile;

private:
    QString m_link;
    QStringList m_options;
    QProcess m_process;
};

// The delivered INI with absolute data folders, the device, the start method
// and the logs redirected into dir.
inline QString writeTestIni(const QTemporaryDir &dir, const QString &device, const QString &methode = QStringLiteral("00001"))
{
    core::IniFile ini(QStringLiteral(HALTRON_DATA "/haltron.ini"));
    ini.writeString(QStringLiteral("files"), QStringLiteral("base"), QStringLiteral(HALTRON_DATA));
    ini.writeString(QStringLiteral("comport"), QStringLiteral("device"), device);
    ini.writeString(QStringLiteral("Start"), QStringLiteral("methode"), methode);
    ini.writeString(QStringLiteral("logfiles"), QStringLiteral("logonfile"), dir.filePath(QStringLiteral("logon.log")));
    ini.writeString(QStringLiteral("logfiles"), QStringLiteral("mainlogfile"), dir.filePath(QStringLiteral("haltron.log")));
    // Bits 1 (link trace) and 3 (debug lines).
    ini.writeString(QStringLiteral("logfiles"), QStringLiteral("reports"), QStringLiteral("0101"));
    const QString path = dir.filePath(QStringLiteral("haltron.ini"));
    ini.save(path);
    return path;
}

// One more key in an INI written by writeTestIni.
inline void setIniValue(const QString &path, const QString &section, const QString &key, const QString &value)
{
    core::IniFile ini(path);
    ini.writeString(section, key, value);
    ini.save(path);
}

inline QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Polls until done() or timeoutMs have passed; true when done.
inline bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QThread::msleep(50);
    }
    return true;
}

// Text appears in the file within timeoutMs, at or after position from.
inline bool waitForText(const QString &path, const QString &text, int timeoutMs, qsizetype from = 0)
{
    return waitUntil([&] { return readText(path).indexOf(text, from) >= 0; }, timeoutMs);
}

struct RunResult {
    int exitCode = -1;
    bool finished = false;
    int elapsedMs = 0;
    QString standardError;
};

// Runs build/haltron offscreen with arguments to its end, at most timeoutMs.
inline RunResult runProgram(const QStringList &arguments, int timeoutMs)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(HALTRON_PROGRAM), arguments);
    RunResult result;
    result.finished = process.waitForFinished(timeoutMs);
    if (!result.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    result.elapsedMs = int(clock.elapsed());
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.standardError = QString::fromUtf8(process.readAllStandardError());
    return result;
}

}  // namespace runs
