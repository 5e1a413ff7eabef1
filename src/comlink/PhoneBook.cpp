#include "PhoneBook.h"

#include <QFile>
#include <QFileInfo>

namespace comlink {

namespace {

bool survivesTheFile(const QString &text)
{
    for (QChar c : text)
        if (c == u'(' || c == u')' || c == u'\r' || c == u'\n') return false;
    return true;
}

}  // namespace

QString PhoneBook::extractNumber(const QString &line)
{
    const qsizetype open = line.indexOf(u'(');
    if (open < 0) return line;
    const qsizetype close = line.indexOf(u')', open + 1);
    return close < 0 ? line.mid(open + 1) : line.mid(open + 1, close - open - 1);
}

PhoneEntry PhoneBook::parseLine(const QString &line)
{
    const qsizetype open = line.indexOf(u'(');
    return {open < 0 ? QString() : line.left(open), extractNumber(line)};
}

QString PhoneBook::entryLine(const PhoneEntry &entry)
{
    return entry.name + u'(' + entry.number + u')';
}

QList<PhoneEntry> PhoneBook::defaultEntries(const QString &firstNamePrefix, const QDate &today)
{
    return {{firstNamePrefix + today.toString(QStringLiteral("dd.MM.yyyy")) + u' ', QString()},
            {QStringLiteral("Testanlage Haltron-Sim"), QStringLiteral("4711")}};
}

QString PhoneBook::loadPhoneBook(const QString &fileName, const QString &firstNamePrefix, const QDate &today)
{
    QFileInfo info(fileName);
    if (fileName.isEmpty() || !info.exists()) {
        const QString error = write(fileName, defaultEntries(firstNamePrefix, today), m_texts.createFailed);
        if (!error.isEmpty()) return error;
        info.refresh();
    }
    QFile file(fileName);
    if (info.isDir()) return m_texts.readFailed.arg(fileName, QStringLiteral("ist ein Verzeichnis"));
    if (info.size() > MaxFileSize) return m_texts.readFailed.arg(fileName, QStringLiteral("Datei zu groß"));
    if (!file.open(QIODevice::ReadOnly)) return m_texts.readFailed.arg(fileName, file.errorString());
    const QByteArray content = file.read(MaxFileSize + 1);
    if (content.size() > MaxFileSize) return m_texts.readFailed.arg(fileName, QStringLiteral("Datei zu groß"));

    QStringList lines = QString::fromUtf8(content).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();  // the last line's ending
    QList<PhoneEntry> entries;
    for (QString line : lines) {
        if (line.endsWith(u'\r')) line.chop(1);
        entries << parseLine(line);
    }
    m_entries = entries;
    return {};
}

QString PhoneBook::savePhoneBook(const QString &fileName, const QList<PhoneEntry> &rows)
{
    QList<PhoneEntry> kept;
    for (int i = 0; i < rows.size(); ++i) {
        if (rows[i].name.isEmpty()) continue;
        if (!survivesTheFile(rows[i].name) || !survivesTheFile(rows[i].number))
            return m_texts.badCharacters.arg(i + 1);
        kept << rows[i];
    }
    const QString error = write(fileName, kept, m_texts.writeFailed);
    if (error.isEmpty()) m_entries = kept;
    return error;
}

QString PhoneBook::write(const QString &fileName, const QList<PhoneEntry> &entries, const QString &failTemplate) const
{
    if (fileName.isEmpty()) return failTemplate.arg(QString(), QStringLiteral("kein Dateiname"));
    QByteArray content;
    for (const PhoneEntry &e : entries) content += entryLine(e).toUtf8() + "\r\n";
    // Written beside the old file and renamed over it, so a failure leaves the old file whole.
    const core::WriteOutcome outcome = core::writeFileWhole(fileName, content);
    return outcome.ok() ? QString() : failTemplate.arg(fileName, m_texts.reasons.reason(outcome));
}

}  // namespace comlink
