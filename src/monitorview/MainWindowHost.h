#pragma once

#include "monitor/MonitorHost.h"

#include <QPointer>
#include <QWidget>

namespace shell {
class Configuration;
class MainController;
class MainView;
}

namespace monitorview {

// The main window as the monitor uses it: its message field, its report, the
// question before connecting and its link display.
class MainWindowHost : public monitor::MonitorHost {
public:
    MainWindowHost(shell::MainController &controller, shell::MainView &view, const shell::Configuration &config);
    // The window the question is asked over.
    void setDialogParent(QWidget *parent) { m_dialogParent = parent; }

    void showMessageField(const QString &text) override;
    void setReportVisible(bool visible) override;
    bool confirmConnect() override;
    void clickLinkDisplay() override;

private:
    shell::MainController &m_controller;
    shell::MainView &m_view;
    const shell::Configuration &m_config;
    QPointer<QWidget> m_dialogParent;
};

}  // namespace monitorview
