#pragma once

#include "BatchProcess.h"
#include "shell/Configuration.h"
#include "shell/MainController.h"
#include "shell/MainWindow.h"

#include <QObject>
#include <QPlainTextEdit>

#include <cstdio>

namespace batch {

// A batch visit in the main window: the controller's start sequence hands
// over to it and its link-state texts go into the batch log; the visit's
// lines, caption and watchdog show in the window and reach the logs; its end
// ends the program.
inline void wireBatch(BatchProcess &run, shell::MainController &controller, shell::MainWindow &window,
                      shell::Configuration &config, std::function<void()> quitProgram)
{
    using shell::MainController;
    QObject::connect(&controller, &MainController::batchStartRequested, &run, &BatchProcess::startBatch);
    QObject::connect(&controller, &MainController::linkStateText, &run,
                     [&run](const QString &text) { run.statusText(1, text); });
    // Ended from outside (signal, window closed): the log keeps what was read.
    controller.registerShutdownProc([&run] { run.halt(); });

    QObject::connect(&run, &BatchProcess::reportLine, &window, [&window, &controller](const QString &line) {
        window.reportView()->appendPlainText(line);
        controller.linkTrace(line);
    });
    QObject::connect(&run, &BatchProcess::mainLogMirrorOff, &run, [&config] {
        if (shell::MainLogFile *log = config.mainLog()) log->onWrite = nullptr;
    });
    QObject::connect(&run, &BatchProcess::reportReset, &window, [&window] {
        QPlainTextEdit *report = window.reportView();
        report->clear();
        report->setStyleSheet(QStringLiteral("QPlainTextEdit { background: yellow }"));
    });
    QObject::connect(&run, &BatchProcess::captionChanged, &window, &QWidget::setWindowTitle);
    QObject::connect(&run, &BatchProcess::gaugeChanged, &window, &shell::MainWindow::showGauge);
    QObject::connect(&run, &BatchProcess::logonLine, &run, [&config](const QString &line) {
        if (shell::LogonLogFile *log = config.logOnLog()) log->write(line);
    });
    QObject::connect(&run, &BatchProcess::errorMessage, &run,
                     [](const QString &message) { std::fprintf(stderr, "haltron: %s\n", qPrintable(message)); });
    QObject::connect(&run, &BatchProcess::finished, &run, std::move(quitProgram));
}

}  // namespace batch
