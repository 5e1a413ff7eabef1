#pragma once

#include "Configuration.h"
#include "MainController.h"
#include "core/Timer.h"

#include <functional>
#include <memory>

class QWidget;

namespace shell {

class TForm3;
class TForm99;
class TMainForm;
class TSelectForm;

// The program's run in its fixed order: module initialisation, window
// creation, start settings, (message loop), Quit, finalisation.
class Program {
public:
    explicit Program(core::TimerFactory &timers);
    ~Program();

    // Module initialisation; false when no INI file was found.
    bool InitModules(const StartEnvironment &env);
    QString NoIniMessage() const;
    void CreateWindows();
    void ApplyStartSettings() { m_controller->ApplyStartSettings(); }
    void Quit() { m_controller->Quit(); }
    // Windows go first, then the logs get their closing lines.
    void Finalize();

    Configuration &Config() { return m_config; }
    MainController &Controller() { return *m_controller; }
    TMainForm &MainForm() { return *m_mainForm; }
    TSelectForm &SelectForm() { return *m_selectForm; }
    TForm99 &ToolBase() { return *m_toolBase; }
    TForm3 &VersionWindow() { return *m_versionWindow; }

    // Version of the parameter description file; the system module object
    // supplies it once it exists. Until then [id] version of the file is read.
    std::function<QString()> DescriptionVersion;
    // Ends the message loop.
    std::function<void()> QuitApplication;
    // Creates the windows that come between the main window and the start
    // selection (port, line, queue, phone book), with the main window as parent.
    std::function<void(QWidget *mainWindow)> CreateToolWindows;

private:
    core::TimerFactory &m_timers;
    Configuration m_config;
    std::unique_ptr<MainController> m_controller;
    std::unique_ptr<TMainForm> m_mainForm;
    TSelectForm *m_selectForm = nullptr;
    TForm99 *m_toolBase = nullptr;
    TForm3 *m_versionWindow = nullptr;
};

}  // namespace shell
