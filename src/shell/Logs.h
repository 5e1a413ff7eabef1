#pragma once

#include "core/Timer.h"

#include <QFile>
#include <QString>

#include <functional>

namespace shell {

// "dd.MM.yyyy HH:mm:ss" of the clock's current time.
QString TimeStamp(const core::Clock &clock);

// A text log written line by line. Lines reach the disk as they are written,
// so a crash does not lose the last lines of a trace. A file that cannot be
// created or written is reported once through OnError; the program goes on.
class TMyFile {
public:
    explicit TMyFile(const core::Clock &clock) : m_clock(clock) {}
    virtual ~TMyFile() = default;
    TMyFile(const TMyFile &) = delete;
    TMyFile &operator=(const TMyFile &) = delete;

    bool Open() const { return m_open; }
    QString FileName() const { return m_fileName; }
    void Close();

    std::function<void(const QString &)> OnError;

protected:
    // Opens name for writing (appending or truncating); creates missing folders.
    bool openFile(const QString &name, bool append);
    void writeLine(const QString &text);
    QString stamp() const { return TimeStamp(m_clock); }

private:
    void fail(const QString &what);

    const core::Clock &m_clock;
    QFile m_file;
    QString m_fileName;
    bool m_open = false;
    bool m_failed = false;
};

// The main log: rewritten at every start; every line is mirrored to OnWrite.
class TLogFile : public TMyFile {
public:
    using TMyFile::TMyFile;
    // Deletes an existing file of that name and starts an empty one.
    bool Create(const QString &fileName);
    void Write(const QString &text);

    std::function<void(const QString &)> OnWrite;
};

// The logon log: kept across runs; every line carries a time stamp.
class TLogOnFile : public TMyFile {
public:
    using TMyFile::TMyFile;
    // Appends to an existing file; a new one starts with a creation line.
    bool Create(const QString &fileName);
    void Write(const QString &text);
};

}  // namespace shell
