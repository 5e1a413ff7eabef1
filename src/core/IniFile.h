#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace core {

// The whole of an INI file in memory. Section and key names match without
// regard to case; sections and keys keep their file order; a missing file is
// an empty object. Values are kept exactly as written after the "=" (trimmed),
// so ";" inside a value is part of it, as on the controller's home platform.
class IniFile {
public:
    IniFile() = default;
    explicit IniFile(const QString &fileName) { load(fileName); }

    static constexpr qint64 MaxFileSize = 4 * 1024 * 1024;

    // Replaces the contents with the file's; false when it could not be read
    // or is longer than MaxFileSize (the contents are then empty).
    bool load(const QString &fileName);
    void parse(const QString &text);

    QString readString(const QString &section, const QString &key, const QString &def = {}) const;
    int readInteger(const QString &section, const QString &key, int def) const;
    bool readBool(const QString &section, const QString &key, bool def) const;
    bool sectionExists(const QString &section) const;
    bool valueExists(const QString &section, const QString &key) const;
    QStringList sections() const;
    QStringList keys(const QString &section) const;
    // "key=value" lines of a section, in file order.
    QStringList sectionValues(const QString &section) const;

    void writeString(const QString &section, const QString &key, const QString &value);
    QString toText() const;
    // Writes through a temporary file, so a failed write leaves the old file whole.
    bool save(const QString &fileName) const;

private:
    struct Entry { QString key, value; };
    struct Section { QString name; std::vector<Entry> entries; };
    const Section *find(const QString &section) const;
    const Entry *find(const QString &section, const QString &key) const;

    std::vector<Section> m_sections;
};

}  // namespace core
