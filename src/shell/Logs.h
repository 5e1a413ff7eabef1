#pragma once

#include "core/Timer.h"

#include <QFile>
#include <QString>

#include <functional>

namespace shell {

// "dd.MM.yyyy HH:mm:ss" of the clock's current time.
QString timeStamp(const core::Clock &clock);

// A text log written line by line. Lines reach the disk as they are written,
// so a crash does not lose the last lines of a trace. A file that cannot be
// created or written is reported once through OnError; the program goes on.
class LogFile {
public:
    explicit LogFile(const core::Clock &clock) : m_clock(clock) {}
    virtual ~LogFile() = default;
    LogFile(const LogFile &) = delete;
    LogFile &operator=(const LogFile &) = delete;

    bool open() const { return m_open; }
    QString fileName() const { return m_fileName; }
    void close();

    std::function<void(const QString &)> onError;

protected:
    // Opens name for writing (appending or truncating); creates missing folders.
    bool openFile(const QString &name, bool append);
    void writeLine(const QString &text);
    QString stamp() const { return timeStamp(m_clock); }

private:
    void fail(const QString &what);

    const core::Clock &m_clock;
    QFile m_file;
    QString m_fileName;
    bool m_open = false;
    bool m_failed = false;
};

// The main log: rewritten at every start; every line is mirrored to OnWrite.
class MainLogFile : public LogFile {
public:
    using LogFile::LogFile;
    // Deletes an existing file of that name and starts an empty one.
    bool create(const QString &fileName);
    void write(const QString &text);

    std::function<void(const QString &)> onWrite;
};

// The logon log: kept across runs; every line carries a time stamp.
class LogonLogFile : public LogFile {
public:
    using LogFile::LogFile;
    // Appends to an existing file; a new one starts with a creation line.
    bool create(const QString &fileName);
    void write(const QString &text);
};

}  // namespace shell
