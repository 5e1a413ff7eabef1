#include "Program.h"

#include "TForm3.h"
#include "TForm99.h"
#include "TMainForm.h"
#include "TSelectForm.h"
#include "VersionInfo.h"
#include "core/IniFile.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace shell {

Program::Program(core::TimerFactory &timers) : m_timers(timers), m_config(timers.clock(), Reports())
{
    SetConfig(&m_config);
}

Program::~Program()
{
    m_mainForm.reset();
    m_controller.reset();
    SetConfig(nullptr);
}

bool Program::InitModules(const StartEnvironment &env)
{
    m_config.InitConfiguration(env);
    return m_config.IniOK;
}

QString Program::NoIniMessage() const
{
    return QStringLiteral("Keine INI-Datei gefunden. Gesucht: ") + m_config.SearchedIniFiles.join(QStringLiteral(", "));
}

void Program::CreateWindows()
{
    m_controller = std::make_unique<MainController>(m_config, Reports(), m_timers);
    m_mainForm = std::make_unique<TMainForm>(*m_controller, m_config);
    m_controller->view.quitApplication = [this] { if (QuitApplication) QuitApplication(); };
    m_mainForm->OnClosed = m_controller->view.quitApplication;
    const auto showHelp = [form = m_mainForm.get()](const QString &topic) { form->ShowHelp(topic); };
    if (CreateToolWindows) CreateToolWindows(m_mainForm.get());

    m_selectForm = new TSelectForm(m_mainForm.get());
    m_toolBase = new TForm99(m_mainForm->Panel1, m_config, showHelp);
    m_toolBase->Tag = 99;
    m_toolBase->hide();

    const QString description = DescriptionVersion
        ? DescriptionVersion()
        : core::IniFile(m_config.GetSysModFile()).readString(QStringLiteral("id"), QStringLiteral("version"), QStringLiteral("??"));
    const VersionInfo info = BuildVersionInfo(m_config, QCoreApplication::applicationFilePath(), description);
    m_versionWindow = new TForm3(m_mainForm->Panel1, m_config, showHelp, info);
    m_versionWindow->hide();
    m_controller->SetEditVersion(info.Title);
    m_mainForm->OnInfoClick = [this] {
        m_versionWindow->show();
        m_versionWindow->raise();
    };
}

void Program::Finalize()
{
    m_mainForm.reset();
    m_controller.reset();
    m_config.FinalizeConfiguration();
}

}  // namespace shell
