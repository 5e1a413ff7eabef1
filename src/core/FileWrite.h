#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace core {

// Why a file could not be written, in the words a user can act on.
enum class WriteFault { None, DiskFull, TooLarge, NoPermission, ReadOnly, NotAFile, NoFolder, Other };

struct WriteOutcome {
    WriteFault fault = WriteFault::None;
    QString systemText = {};  // the system's own error text, for the log
    bool ok() const { return fault == WriteFault::None; }
};

// The reasons as the user reads them; the language file may replace them.
struct WriteFaultTexts {
    QString diskFull = QStringLiteral("Datenträger voll");
    QString tooLarge = QStringLiteral("Datei zu groß");
    QString noPermission = QStringLiteral("keine Schreibberechtigung");
    QString readOnly = QStringLiteral("schreibgeschützt");
    QString notAFile = QStringLiteral("keine gewöhnliche Datei");
    QString noFolder = QStringLiteral("Ordner fehlt");
    QString other = QStringLiteral("Schreibfehler");

    QString reason(const WriteOutcome &outcome) const;

    // Section "writefault" of the language file, entries 1 to 7 in the order
    // above; text(number) gives an entry, empty or its own number when missing.
    static WriteFaultTexts fromLanguage(const std::function<QString(const QString &section, int number)> &text);
};

WriteFault writeFaultOf(int systemError);
WriteOutcome writeOutcomeOf(int systemError);

// The pieces below them, shared with the logs that keep their file open:
// every byte to fd, or the system error that stopped it (0 when all went);
// open(2) for writing, again when a signal interrupts it (-1 and errno on failure).
int writeAll(int fd, const QByteArray &content);
int openForWriting(const QByteArray &encodedPath, int flags, int mode = 0666);

// Replaces the file at path with content, or leaves it byte for byte as it
// was: written beside it and renamed over it once every byte is on the disk.
// A path naming a device, a folder or a link to one is refused, never replaced.
WriteOutcome writeFileWhole(const QString &path, const QByteArray &content);

// The lines as a UTF-8 text file, each ended by a line feed, written whole.
WriteOutcome writeLinesWhole(const QString &path, const QStringList &lines);

// Appends content to the file at path (made when missing) in one write; the
// lines already there are never touched.
WriteOutcome appendToFile(const QString &path, const QByteArray &content);

}  // namespace core
