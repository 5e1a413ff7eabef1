#include "FaultRecord.h"

#include "core/Bytes.h"
#include "protocol/Codes.h"

namespace monitor {

namespace {
constexpr int RecordLength = 8;
}

bool isFaultRecord(const QByteArray &record)
{
    return record.size() >= RecordLength && core::byteAt(record, 0) == 0xF7;
}

QString FaultTextFile::description(const QString &category, int number)
{
    if (!m_loaded) {
        m_loaded = true;
        if (!m_fileName.isEmpty()) m_texts.load(m_fileName);
    }
    return m_texts.readString(category, QString::asprintf("%3.3d", number));
}

QString faultCategoryName(const QByteArray &record)
{
    switch (core::byteAt(record, 1)) {
    case 0: return QStringLiteral("MN");
    case 1: return QStringLiteral("ED");
    case 2: return QStringLiteral("RD");
    case 3: return QStringLiteral("IP");
    case 4: return QStringLiteral("KB");
    case 5: return QStringLiteral("TA");
    case 6: return QStringLiteral("BG");
    case 7: return QStringLiteral("NC");
    case 16: return QStringLiteral("GST");
    case 30: return QStringLiteral("KOP/INFO[30]");
    default: {
        QString raw;
        for (int i = 1; i <= 3; ++i) raw += QChar(core::byteAt(record, i));
        return raw;
    }
    }
}

FaultRecordText formatFaultRecord(const QByteArray &record, FaultTextFile &texts)
{
    const QString category = faultCategoryName(record);
    const int number = core::byteAt(record, 2);
    const quint16 date = core::byteAt(record, 4) + 256 * core::byteAt(record, 5);
    const quint16 time = core::byteAt(record, 6) + 256 * core::byteAt(record, 7);
    return {
        category + QString::asprintf("-.%3.3d (%3.3d) ", number, int(core::byteAt(record, 3))),
        QStringLiteral(" ") + protocol::timeText(time) + QStringLiteral("  ") + protocol::dateText(date),
        texts.description(category, number),
    };
}

QString faultEntryText(const QByteArray &record, FaultTextFile &texts)
{
    if (!isFaultRecord(record)) return QStringLiteral("LeseFehler");
    const FaultRecordText text = formatFaultRecord(record, texts);
    return (text.head + text.description).toUpper();
}

QString faultListLine(const QByteArray &record, int number, FaultTextFile &texts)
{
    if (!isFaultRecord(record)) return QString::fromLatin1(UnreadableRecordText);
    const FaultRecordText text = formatFaultRecord(record, texts);
    return QString::asprintf(" %3.3d : ", number) + text.head + text.timeStamp + QStringLiteral("   ")
           + text.description;
}

}  // namespace monitor
