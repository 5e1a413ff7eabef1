#pragma once

#include "core/IniFile.h"

#include <QByteArray>
#include <QString>

namespace monitor {

// Fault record (answer to F3 55 07 n): F7, category, fault number, additional value,
// date code (bytes 4-5), time code (bytes 6-7).
bool isFaultRecord(const QByteArray &record);

// The fault text file: an INI file with one section per category name and the fault
// number ("%3.3d") as key. Read on the first lookup and kept; a missing file gives no texts.
class FaultTextFile {
public:
    explicit FaultTextFile(QString fileName = {}) : m_fileName(std::move(fileName)) {}
    QString description(const QString &category, int number);

private:
    QString m_fileName;
    bool m_loaded = false;
    core::IniFile m_texts;
};

// The category name of byte 1, or the three characters of bytes 1 to 3 for an unknown one.
QString faultCategoryName(const QByteArray &record);

struct FaultRecordText {
    QString head;         // "MN-.012 (003) "
    QString timeStamp;    // " 13:45:10  05.03.07"
    QString description;  // from the fault text file, empty when missing
};
FaultRecordText formatFaultRecord(const QByteArray &record, FaultTextFile &texts);

// The fault list's line for an answer that is not a fault record.
inline const char *const UnreadableRecordText = "error";

// The monitor's newest-fault field: head and description in upper case, or "LeseFehler".
QString faultEntryText(const QByteArray &record, FaultTextFile &texts);
// A line of the fault list: " 017 : " + head + time stamp + three blanks + description,
// or "error" (UnreadableRecordText) for an answer that is not a fault record.
QString faultListLine(const QByteArray &record, int number, FaultTextFile &texts);

}  // namespace monitor
