#pragma once
// The whole program in this process (offscreen windows, real time) started as
// the user starts it, against a stand-in on a pseudo-terminal.

#include "ProgramRun.h"
#include "TestApp.h"

#include "app/Haltron.h"
#include "shell/MainWindow.h"

#include <memory>

namespace runs {

// An INI for the monitor beside dir's stand-in link: every slot polled, every tab shown.
inline QString writeMonitorIni(const QTemporaryDir &dir, const QString &link)
{
    const QString ini = writeTestIni(dir, link);
    setIniValue(ini, QStringLiteral("unit43"), QStringLiteral("task"), QStringLiteral("63"));
    setIniValue(ini, QStringLiteral("unit43"), QStringLiteral("tabsheets"), QStringLiteral("511"));
    return ini;
}

// Modules, windows and start settings as main() makes them, the main window shown;
// null without an INI.
inline std::unique_ptr<app::Haltron> startProgram(core::TimerFactory &timers, const QTemporaryDir &dir, const QString &ini)
{
    auto haltron = std::make_unique<app::Haltron>(timers);
    shell::StartEnvironment env{{QStringLiteral("haltron"), QStringLiteral("/i=") + ini}, dir.path(), dir.path(), {}};
    if (!haltron->initModules(env)) return nullptr;
    haltron->createWindows();
    haltron->applyStartSettings();
    haltron->program().mainWindow().showStartWindow();
    return haltron;
}

// The program's end as a user's quit runs it.
inline void stopProgram(std::unique_ptr<app::Haltron> &haltron)
{
    if (!haltron) return;
    haltron->program().quit();
    testsupport::waitFor([] { return false; }, 300);
    haltron->program().finalize();
    haltron.reset();
}

}  // namespace runs
