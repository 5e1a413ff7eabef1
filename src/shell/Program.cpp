#include "Program.h"

#include "VersionWindow.h"
#include "ToolWindow.h"
#include "MainWindow.h"
#include "StartSelectDialog.h"
#include "VersionInfo.h"
#include "core/IniFile.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace shell {

Program::Program(core::TimerFactory &timers, MainPartners partners)
    : m_timers(timers), m_partners(partners), m_config(timers.clock(), core::reports())
{
    setConfig(&m_config);
}

Program::~Program()
{
    m_mainWindow.reset();
    m_controller.reset();
    setConfig(nullptr);
}

bool Program::initModules(const StartEnvironment &env)
{
    m_config.initConfiguration(env);
    return m_config.iniOk();
}

QString Program::noIniMessage() const
{
    return QStringLiteral("Keine INI-Datei gefunden. Gesucht: ") + m_config.searchedIniFiles().join(QStringLiteral(", "));
}

void Program::createWindows()
{
    m_controller = std::make_unique<MainController>(m_config, core::reports(), m_timers, m_partners);
    m_mainWindow = std::make_unique<MainWindow>(*m_controller, m_config);
    const auto endLoop = [this] { if (quitApplication) quitApplication(); };
    QObject::connect(m_controller.get(), &MainController::quitFinished, m_controller.get(), endLoop);
    QObject::connect(m_mainWindow.get(), &MainWindow::closed, m_mainWindow.get(), endLoop);
    const auto showHelp = [form = m_mainWindow.get()](const QString &topic) { form->showHelp(topic); };
    if (createToolWindows) createToolWindows(m_mainWindow.get());

    m_selectDialog = new StartSelectDialog(m_mainWindow.get());
    m_toolWindowBase = new ToolWindow(m_mainWindow->rightPanel(), m_config, showHelp);
    m_toolWindowBase->setTag(99);
    m_toolWindowBase->hide();

    const QString description = descriptionVersion
        ? descriptionVersion()
        : core::IniFile(m_config.getSysModFile()).readString(QStringLiteral("id"), QStringLiteral("version"), QStringLiteral("??"));
    const VersionInfo info = buildVersionInfo(m_config, QCoreApplication::applicationFilePath(), description);
    m_versionWindow = new VersionWindow(m_mainWindow->rightPanel(), m_config, showHelp, info);
    m_versionWindow->hide();
    m_controller->setEditVersion(info.title);
    QObject::connect(m_mainWindow.get(), &MainWindow::infoClicked, m_mainWindow.get(), [this] {
        m_versionWindow->show();
        m_versionWindow->raise();
    });
}

void Program::finalize()
{
    m_mainWindow.reset();
    m_controller.reset();
    m_config.finalizeConfiguration();
}

}  // namespace shell
