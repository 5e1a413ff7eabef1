#pragma once

// A batch visit's texts from the delivered language file and its parameters
// with the log in a temporary folder. Needs HALTRON_DATA.

#include "core/IniFile.h"
#include "batch/BatchProcess.h"

#include <QTemporaryDir>

namespace testsupport {

inline batch::BatchTexts deliveredBatchTexts()
{
    core::IniFile language;
    language.load(QStringLiteral(HALTRON_DATA "/haltron_de.lng"));
    return {monitor::MonitorTextLists::fromLanguage(language), monitor::FaultListTexts::fromLanguage(language),
            QStringLiteral(HALTRON_DATA "/fehler.txt")};
}

inline batch::BatchParams batchParams(const QTemporaryDir &dir)
{
    batch::BatchParams params;
    params.logFile = dir.filePath(QStringLiteral("visit.log"));
    params.iniVersion = QStringLiteral("test");
    return params;
}

}  // namespace testsupport
