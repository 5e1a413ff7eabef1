#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace batch {

// What one visited member of a batch run gave; empty texts and -1 where it gave nothing.
struct MemberVisit {
    int member = -1;  // group member 0..3; -1: the linked controller itself
    QString installationCode;
    QString version;
    QString tripCounter;
    int faultCount = -1;
    bool failed = false;  // an error line or an unreadable value in this member's part
};

// The run as a whole, written with each member's line.
struct RunSummary {
    QString started;  // "dd.MM.yyyy HH:mm:ss", as the batch log's head
    QString dialNumber;
    QString logFile;
    bool reachedEnd = false;
    int exitStatus = 0;
};

// One JSON object per member, one per line (a run that visited nobody gives
// one line without member values), so scripts can collect many runs into one file.
QByteArray summaryLines(const RunSummary &run, const QList<MemberVisit> &visits);

// Appends the lines in one write, so runs that end at the same time do not
// interleave; false with the reason in error when the file cannot take them.
bool appendSummary(const QString &path, const QByteArray &lines, QString *error);

}  // namespace batch
