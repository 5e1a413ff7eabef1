#pragma once

#include "Configuration.h"
#include "MainController.h"
#include "core/Timer.h"

#include <functional>
#include <memory>

class QWidget;

namespace shell {

class VersionWindow;
class ToolWindow;
class MainWindow;
class StartSelectDialog;

// The program's run in its fixed order: module initialisation, window
// creation, start settings, (message loop), Quit, finalisation.
class Program {
public:
    // partners: what the main window drives, built before it (none in a window test).
    explicit Program(core::TimerFactory &timers, MainPartners partners = {});
    ~Program();

    // Module initialisation; false when no INI file was found.
    bool initModules(const StartEnvironment &env);
    QString noIniMessage() const;
    void createWindows();
    void applyStartSettings() { m_controller->applyStartSettings(); }
    void quit() { m_controller->quit(); }
    // Windows go first, then the logs get their closing lines.
    void finalize();

    Configuration &config() { return m_config; }
    MainController &controller() { return *m_controller; }
    MainWindow &mainWindow() { return *m_mainWindow; }
    StartSelectDialog &selectDialog() { return *m_selectDialog; }
    ToolWindow &toolBase() { return *m_toolWindowBase; }
    VersionWindow &versionWindow() { return *m_versionWindow; }

    // Version of the parameter description file; the system module object
    // supplies it once it exists. Until then [id] version of the file is read.
    std::function<QString()> descriptionVersion;
    // Ends the message loop.
    std::function<void()> quitApplication;
    // Creates the windows that come between the main window and the start
    // selection (port, line, queue, phone book), with the main window as parent.
    std::function<void(QWidget *mainWindow)> createToolWindows;

private:
    core::TimerFactory &m_timers;
    MainPartners m_partners;
    Configuration m_config;
    std::unique_ptr<MainController> m_controller;
    std::unique_ptr<MainWindow> m_mainWindow;
    StartSelectDialog *m_selectDialog = nullptr;
    ToolWindow *m_toolWindowBase = nullptr;
    VersionWindow *m_versionWindow = nullptr;
};

}  // namespace shell
