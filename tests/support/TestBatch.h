#pragma once

// A batch visit's texts from the delivered language file and its parameters
// with the log in a temporary folder. Needs HALTRON_DATA.

#include "core/IniFile.h"
#include "protocol/TransferQueue.h"
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

// A local visit's link: the queue's start delay, a port that is open and no modem.
struct QueueBatchLink final : batch::BatchLink {
    explicit QueueBatchLink(protocol::TransferQueue &queue) : queue(queue) {}
    void transferStart(int delayMs) override { queue.transferStart(delayMs); }
    void dial(const QString &) override {}
    QString portError() const override { return {}; }
    protocol::TransferQueue &queue;
};

inline batch::BatchParams batchParams(const QTemporaryDir &dir)
{
    batch::BatchParams params;
    params.logFile = dir.filePath(QStringLiteral("visit.log"));
    params.iniVersion = QStringLiteral("test");
    return params;
}

}  // namespace testsupport
