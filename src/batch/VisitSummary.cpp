#include "VisitSummary.h"

#include "core/FileWrite.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

namespace batch {

namespace {

QJsonValue textOrNull(const QString &text) { return text.isEmpty() ? QJsonValue() : QJsonValue(text); }

// A counter the controller gave as digits; null for the unreadable marks.
QJsonValue counterOrNull(const QString &text)
{
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok);
    return ok && value >= 0 && text.trimmed() != QLatin1String("999999") ? QJsonValue(value) : QJsonValue();
}

QString resultText(const RunSummary &run)
{
    if (!run.reachedEnd) return QStringLiteral("abgebrochen");
    return run.exitStatus == 0 ? QStringLiteral("ok") : QStringLiteral("fehler");
}

}  // namespace

QByteArray summaryLines(const RunSummary &run, const QList<MemberVisit> &visits)
{
    QList<MemberVisit> rows = visits;
    if (rows.isEmpty()) rows.append(MemberVisit{});
    QByteArray out;
    for (const MemberVisit &visit : rows) {
        QJsonObject line{
            {QStringLiteral("time"), run.started},
            {QStringLiteral("number"), textOrNull(run.dialNumber)},
            {QStringLiteral("log"), run.logFile},
            {QStringLiteral("member"), visit.member < 0 ? QJsonValue() : QJsonValue(visit.member)},
            {QStringLiteral("installation"), textOrNull(visit.installationCode)},
            {QStringLiteral("version"), textOrNull(visit.version)},
            {QStringLiteral("trips"), counterOrNull(visit.tripCounter)},
            {QStringLiteral("faults"), visit.faultCount < 0 ? QJsonValue() : QJsonValue(visit.faultCount)},
            {QStringLiteral("member_ok"), !visit.failed && !visits.isEmpty()},
            {QStringLiteral("result"), resultText(run)},
            {QStringLiteral("exit"), run.exitStatus},
        };
        out += QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
    }
    return out;
}

bool appendSummary(const QString &path, const QByteArray &lines, QString *error)
{
    const core::WriteOutcome outcome = core::appendToFile(path, lines);
    if (!outcome.ok() && error) *error = core::WriteFaultTexts().reason(outcome);
    return outcome.ok();
}

}  // namespace batch
