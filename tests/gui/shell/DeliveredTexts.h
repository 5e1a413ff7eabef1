#pragma once

// A configuration read from a test INI in the given folder, with the delivered
// German language file: the texts the monitor's windows show.

#include "GuiTestSupport.h"

#include "core/Reports.h"
#include "shell/Configuration.h"

#include <QTemporaryDir>

#include <memory>

inline std::unique_ptr<shell::Configuration> deliveredTextsConfiguration(const core::Clock &clock, const QTemporaryDir &dir)
{
    writeText(dir.filePath(QStringLiteral("test.ini")), testIni(QStringLiteral("00001")));
    QFile::copy(QStringLiteral(HALTRON_DATA_DIR "/haltron_de.lng"), dir.filePath(QStringLiteral("de.lng")));
    auto config = std::make_unique<shell::Configuration>(clock, core::reports());
    config->initConfiguration({{QStringLiteral("haltron"), QStringLiteral("/i=test.ini")}, dir.path(), dir.path(), {}});
    return config;
}
