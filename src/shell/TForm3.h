#pragma once

#include "TForm99.h"
#include "VersionInfo.h"

class QPlainTextEdit;
class QPushButton;

namespace shell {

// The version window: program title, versions of the data files and the
// folders in use. Docked into the main window's panel; "schliessen" hides it.
class TForm3 : public TForm99 {
public:
    TForm3(QWidget *host, const Configuration &config, std::function<void(const QString &)> showHelp,
           const VersionInfo &info);

    QPushButton *closeButton;
    QPlainTextEdit *memo1;
};

}  // namespace shell
