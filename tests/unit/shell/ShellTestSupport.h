#pragma once

#include "core/Timer.h"
#include "shell/Configuration.h"
#include "core/Reports.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <memory>

// A temporary working folder with INI files written by the test, a virtual
// clock and a report record of the test's own.
struct ShellFixture : ::testing::Test {
    QTemporaryDir tmp;
    core::VirtualTime time;
    core::ReportSink reports;
    std::unique_ptr<shell::Configuration> config;

    QString path(const QString &name) const { return tmp.filePath(name); }

    void write(const QString &name, const QString &text) const
    {
        QDir().mkpath(QFileInfo(path(name)).absolutePath());
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
    }

    QStringList lines(const QString &name) const
    {
        QFile file(path(name));
        if (!file.open(QIODevice::ReadOnly)) return {};
        QStringList result = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        if (!result.isEmpty() && result.last().isEmpty()) result.removeLast();
        return result;
    }

    shell::StartEnvironment environment(const QStringList &params, const QString &delivered = {}) const
    {
        return shell::StartEnvironment{QStringList{QStringLiteral("/usr/bin/haltron")} + params, tmp.path(),
                                       path(QStringLiteral("home")), delivered};
    }

    shell::Configuration &start(const QStringList &params = {}, const QString &delivered = {})
    {
        config.reset();
        config = std::make_unique<shell::Configuration>(time, reports);
        config->initConfiguration(environment(params, delivered));
        return *config;
    }

    // Writes test.ini with the given body and starts with "/i=test.ini".
    shell::Configuration &startWith(const QString &ini, QStringList params = {})
    {
        write(QStringLiteral("test.ini"), ini);
        params.prepend(QStringLiteral("/i=test.ini"));
        return start(params);
    }
};
