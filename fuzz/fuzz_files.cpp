// One file the program reads, whatever its bytes: the first byte picks the
// kind (INI or language file, parameter-set description, ".smb" image,
// phone book, fault text file), the rest is the file.

#include "core/IniFile.h"
#include "comlink/PhoneBook.h"
#include "monitor/FaultRecord.h"
#include "sysmod/ParameterSet.h"

#include <QDate>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {

QString writeFile(const QTemporaryDir &dir, const QByteArray &content)
{
    const QString path = dir.filePath(QStringLiteral("input"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(content);
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    if (size == 0) return 0;
    static const QTemporaryDir dir;
    const QByteArray content(reinterpret_cast<const char *>(bytes) + 1, qsizetype(size - 1));
    const QString path = writeFile(dir, content);
    switch (bytes[0] % 5) {
    case 0: {
        core::IniFile ini(path);
        ini.readString(QStringLiteral("comport"), QStringLiteral("device"));
        ini.readInteger(QStringLiteral("monitor"), QStringLiteral("task"), 0);
        break;
    }
    case 1: {
        sysmod::ParameterSet set;
        set.loadDescription(path);
        break;
    }
    case 2: {
        sysmod::ParameterSet set;
        set.loadFromFile(path);
        break;
    }
    case 3: {
        comlink::PhoneBook book;
        book.loadPhoneBook(path, QStringLiteral("Anlage"), QDate(2026, 12, 10));
        break;
    }
    case 4: {
        monitor::FaultTextFile texts(path);
        texts.description(QStringLiteral("ED"), content.size() % 40);
        break;
    }
    }
    return 0;
}
