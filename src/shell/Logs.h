#pragma once

#include "core/FileWrite.h"
#include "core/Timer.h"

#include <QString>

#include <functional>

namespace shell {

// "dd.MM.yyyy HH:mm:ss" of the clock's current time.
QString timeStamp(const core::Clock &clock);

// A text log written line by line. Lines reach the disk as they are written,
// so a crash does not lose the last lines of a trace. A file that cannot be
// created or written (a full disk, a read-only folder) is reported once
// through OnError; the program goes on and later lines are dropped quietly.
class LogFile {
public:
    // The message templates: %1 the file, %2 the reason.
    struct Texts {
        QString createFailed = QStringLiteral("Logdatei %1 nicht angelegt: %2");
        QString writeFailed = QStringLiteral("Logdatei %1 nicht geschrieben: %2");
        core::WriteFaultTexts reasons;
    };

    explicit LogFile(const core::Clock &clock) : m_clock(clock) {}
    virtual ~LogFile() { close(); }
    LogFile(const LogFile &) = delete;
    LogFile &operator=(const LogFile &) = delete;

    bool open() const { return m_open; }
    QString fileName() const { return m_fileName; }
    void close();
    // The first failure, or none.
    const core::WriteOutcome &failure() const { return m_failure; }
    void setTexts(const Texts &value) { m_texts = value; }

    std::function<void(const QString &)> onError;

protected:
    // Opens name for writing (appending or truncating); creates missing folders when asked.
    bool openFile(const QString &name, bool append, bool makeFolders = true);
    void writeLine(const QString &text);
    QString stamp() const { return timeStamp(m_clock); }

private:
    void fail(const QString &textTemplate, int systemError);

    const core::Clock &m_clock;
    Texts m_texts;
    int m_fd = -1;
    QString m_fileName;
    bool m_open = false;
    core::WriteOutcome m_failure;
};

// The main log: rewritten at every start; every line is mirrored to OnWrite.
class MainLogFile : public LogFile {
public:
    using LogFile::LogFile;
    // Starts the file empty: a regular file of that name is deleted first;
    // anything else there (a device, a folder, a link) is left in place.
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

// A log kept across runs without time stamps of its own (the batch log).
class AppendLogFile : public LogFile {
public:
    using LogFile::LogFile;
    // The folder must exist: a mistyped path is said, not made.
    bool create(const QString &fileName) { return openFile(fileName, true, false); }
    void write(const QString &text) { writeLine(text); }
};

}  // namespace shell
