#pragma once

#include "ToolWindow.h"
#include "VersionInfo.h"

class QPlainTextEdit;
class QPushButton;

namespace shell {

// The version window: program title, versions of the data files and the
// folders in use. Docked into the main window's panel; "schliessen" hides it.
class VersionWindow : public ToolWindow {
public:
    VersionWindow(QWidget *host, const Configuration &config, std::function<void(const QString &)> showHelp,
           const VersionInfo &info);

    QPushButton *closeButton() const { return m_closeButton; }
    QPlainTextEdit *versionLines() const { return m_versionLines; }

private:
    QPushButton *m_closeButton;
    QPlainTextEdit *m_versionLines;
};

}  // namespace shell
