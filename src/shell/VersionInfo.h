#pragma once

#include "Configuration.h"

#include <QString>
#include <QStringList>

namespace shell {

// What the version window shows: the caption title and its twelve lines.
struct VersionInfo {
    QString title;
    QStringList lines;
};

// programFile: the program's own file (for its date); descriptionVersion: the
// version of the parameter description file.
VersionInfo buildVersionInfo(const Configuration &config, const QString &programFile, const QString &descriptionVersion);

}  // namespace shell
