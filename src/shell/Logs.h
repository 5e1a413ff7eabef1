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
class TMyFile {
public:
    explicit TMyFile(const core::Clock &clock) : m_clock(clock) {}
    virtual ~TMyFile() = default;
    TMyFile(const TMyFile &) = delete;
    TMyFile &operator=(const TMyFile &) = delete;

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
class TLogFile : public TMyFile {
public:
    using TMyFile::TMyFile;
    // Deletes an existing file of that name and starts an empty one.
    bool create(const QString &fileName);
    void write(const QString &text);

    std::function<void(const QString &)> onWrite;
};

// The logon log: kept across runs; every line carries a time stamp.
class TLogOnFile : public TMyFile {
public:
    using TMyFile::TMyFile;
    // Appends to an existing file; a new one starts with a creation line.
    bool create(const QString &fileName);
    void write(const QString &text);
};

}  // namespace shell
