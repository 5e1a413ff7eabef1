#pragma once

// The objects of a file with one JSON object per line; every line must parse.

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QList>

#include <gtest/gtest.h>

namespace testsupport {

inline QList<QJsonObject> jsonLines(const QString &path)
{
    QList<QJsonObject> objects;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return objects;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.isEmpty()) continue;
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
        objects << doc.object();
    }
    return objects;
}

}  // namespace testsupport
