#include "MainWindowHost.h"

#include "shell/Configuration.h"
#include "shell/MainController.h"
#include "shell/MainPartners.h"

#include <QMessageBox>

namespace monitorview {

MainWindowHost::MainWindowHost(shell::MainController &controller, shell::MainView &view, const shell::Configuration &config)
    : m_controller(controller), m_view(view), m_config(config)
{
}

void MainWindowHost::showMessageField(const QString &text) { m_controller.showMessageField(text); }

void MainWindowHost::setReportVisible(bool visible) { m_view.setReportVisible(visible); }

bool MainWindowHost::confirmConnect()
{
    return QMessageBox::question(m_dialogParent, m_config.languageText(QStringLiteral("Unit99"), 1),
                                 m_config.languageText(QStringLiteral("monitor_43"), 2)) == QMessageBox::Yes;
}

void MainWindowHost::clickLinkDisplay() { m_controller.linkAction(); }

}  // namespace monitorview
