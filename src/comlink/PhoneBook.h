#pragma once

#include "core/FileWrite.h"

#include <QDate>
#include <QList>
#include <QString>

namespace comlink {

struct PhoneEntry {
    QString name;
    QString number;
    bool operator==(const PhoneEntry &) const = default;
};

// The phone book file: one entry a line, name directly followed by
// "(" number ")", lines ended by CR LF, UTF-8. Failures come back as texts;
// a failed read keeps the entries, a failed write keeps the old file.
class PhoneBook {
public:
    // Message templates; the dialog may replace them with its language texts.
    struct Texts {
        QString badCharacters = QStringLiteral(
            "Zeile %1: \"(\", \")\" und Zeilenumbrüche sind in Name und Nummer nicht erlaubt - nichts gespeichert");
        QString writeFailed = QStringLiteral("Telefonbuch %1 nicht gespeichert: %2");
        QString readFailed = QStringLiteral("Telefonbuch %1 nicht gelesen: %2");
        QString createFailed = QStringLiteral("Telefonbuch %1 nicht angelegt: %2");
        core::WriteFaultTexts reasons = {};
    };
    static constexpr qint64 MaxFileSize = 1024 * 1024;

    // The text between the first "(" and the following ")"; without "(" the
    // whole line, without ")" everything after "(".
    static QString extractNumber(const QString &line);
    // Name: the text before the first "(" (empty without one).
    static PhoneEntry parseLine(const QString &line);
    static QString entryLine(const PhoneEntry &entry);
    // The two lines of a new file: a dated first entry without number and a sample.
    static QList<PhoneEntry> defaultEntries(const QString &firstNamePrefix, const QDate &today);

    // Reads the file, creating it with the default entries when it is
    // missing. Empty on success, else the error text.
    QString loadPhoneBook(const QString &fileName, const QString &firstNamePrefix, const QDate &today);
    // Writes every row that has a name. Refuses the whole save when a name or
    // number would not survive the file format. Empty on success, else the error text.
    QString savePhoneBook(const QString &fileName, const QList<PhoneEntry> &rows);

    const QList<PhoneEntry> &entries() const { return m_entries; }
    const Texts &texts() const { return m_texts; }
    void setTexts(const comlink::PhoneBook::Texts &value) { m_texts = value; }

private:
    QString write(const QString &fileName, const QList<PhoneEntry> &entries, const QString &failTemplate) const;

    QList<PhoneEntry> m_entries;

    Texts m_texts;
};

}  // namespace comlink
