#include "IniFile.h"
#include "FileWrite.h"

#include <QFile>
#include <QStringConverter>
#include <QTextStream>

namespace core {

bool IniFile::load(const QString &fileName)
{
    m_sections.clear();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return false;
    // A device such as /dev/zero never ends: what is longer than any INI is refused, not read on.
    QByteArray data = file.read(MaxFileSize + 1);
    if (data.size() > MaxFileSize) return false;
    // Older files were written in the Windows code page; take them as Latin-1.
    auto decoder = QStringDecoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(data);
    if (decoder.hasError()) text = QString::fromLatin1(data);
    parse(text);
    return true;
}

void IniFile::parse(const QString &text)
{
    m_sections.clear();
    Section *current = nullptr;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        line = line.trimmed();
        if (line.startsWith(QChar(0xFEFF))) line.remove(0, 1);
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            const int close = line.indexOf(QLatin1Char(']'));
            const QString name = line.mid(1, close < 0 ? -1 : close - 1).trimmed();
            current = const_cast<Section *>(find(name));
            if (!current) {
                m_sections.push_back(Section{name, {}});
                current = &m_sections.back();
            }
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (!current || eq <= 0) continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        writeString(current->name, key, value);
    }
}

const IniFile::Section *IniFile::find(const QString &section) const
{
    for (const auto &s : m_sections)
        if (s.name.compare(section, Qt::CaseInsensitive) == 0) return &s;
    return nullptr;
}

const IniFile::Entry *IniFile::find(const QString &section, const QString &key) const
{
    const Section *s = find(section);
    if (!s) return nullptr;
    for (const auto &e : s->entries)
        if (e.key.compare(key, Qt::CaseInsensitive) == 0) return &e;
    return nullptr;
}

QString IniFile::readString(const QString &section, const QString &key, const QString &def) const
{
    const Entry *e = find(section, key);
    return e ? e->value : def;
}

int IniFile::readInteger(const QString &section, const QString &key, int def) const
{
    bool ok = false;
    const QString text = readString(section, key).trimmed();
    const int v = text.startsWith(QLatin1String("$")) ? text.mid(1).toInt(&ok, 16) : text.toInt(&ok, 10);
    return ok ? v : def;
}

bool IniFile::readBool(const QString &section, const QString &key, bool def) const
{
    return readInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::sectionExists(const QString &section) const { return find(section) != nullptr; }

bool IniFile::valueExists(const QString &section, const QString &key) const { return find(section, key) != nullptr; }

QStringList IniFile::sections() const
{
    QStringList out;
    for (const auto &s : m_sections) out << s.name;
    return out;
}

QStringList IniFile::keys(const QString &section) const
{
    QStringList out;
    if (const Section *s = find(section))
        for (const auto &e : s->entries) out << e.key;
    return out;
}

QStringList IniFile::sectionValues(const QString &section) const
{
    QStringList out;
    if (const Section *s = find(section))
        for (const auto &e : s->entries) out << e.key + QLatin1Char('=') + e.value;
    return out;
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    auto *s = const_cast<Section *>(find(section));
    if (!s) {
        m_sections.push_back(Section{section, {}});
        s = &m_sections.back();
    }
    for (auto &e : s->entries)
        if (e.key.compare(key, Qt::CaseInsensitive) == 0) { e.value = value; return; }
    s->entries.push_back(Entry{key, value});
}

QString IniFile::toText() const
{
    QString out;
    for (const auto &s : m_sections) {
        out += QLatin1Char('[') + s.name + QLatin1String("]\n");
        for (const auto &e : s.entries) out += e.key + QLatin1Char('=') + e.value + QLatin1Char('\n');
        out += QLatin1Char('\n');
    }
    return out;
}

bool IniFile::save(const QString &fileName) const
{
    return writeFileWhole(fileName, toText().toUtf8()).ok();
}

}  // namespace core
