#include "VersionInfo.h"

#include "core/IniFile.h"

#include <QFileInfo>

namespace shell {

VersionInfo buildVersionInfo(const Configuration &config, const QString &programFile, const QString &descriptionVersion)
{
    const core::IniFile &ini = config.mainIni();
    const QString keys = QStringLiteral("Version Info Keys");
    const QString version = ini.readString(keys, QStringLiteral("FileVersion"));
    const QString prefix = ini.readString(QStringLiteral("machine"), QStringLiteral("name"), QStringLiteral("Haltron-"));

    const QFileInfo program(programFile);
    const QString fileDate = program.exists() ? program.lastModified().toString(QStringLiteral("dd.MM.yyyy")) : QString();
    const QString errorFile = config.getErrorFile();
    const QString faultVersion = QFileInfo(errorFile).isFile()
        ? core::IniFile(errorFile).readString(QStringLiteral("Id"), QStringLiteral("version")) : QString();

    VersionInfo info;
    info.title = prefix + version.left(3);
    info.lines = {
        QLatin1Char(' ') + info.title,
        QString(14, QLatin1Char(' ')) + ini.readString(keys, QStringLiteral("FileDescription")),
        QStringLiteral(" fileversion: ") + version,
        QStringLiteral(" filedate   : ") + fileDate,
        QStringLiteral(" release    : ") + ini.readString(keys, QStringLiteral("Comments")),
        // The folder $(BASE) stands for, as resolved at start.
        QStringLiteral(" base       : ") + config.baseDir(),
        QStringLiteral(" files      : ") + config.getFilesDir(),
        QStringLiteral(" data       : ") + config.getDataDir(),
        QStringLiteral(" system     : ") + config.getSystemDir(),
        QStringLiteral(" sysmod     : ") + descriptionVersion,
        QStringLiteral(" sprache    : ") + config.languageText(QStringLiteral("Id"), QStringLiteral("version")),
        QStringLiteral(" fehler     : ") + faultVersion,
    };
    return info;
}

}  // namespace shell
