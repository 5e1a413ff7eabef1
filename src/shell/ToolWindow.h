#pragma once

#include "Configuration.h"

#include <QWidget>

#include <functional>

class QFrame;
class QLabel;
class QTabWidget;
class QToolButton;

namespace shell {

// Base of the tool windows that live in the main window's right-hand panel:
// heading, picture, help button, text label, a line under the heading, and a
// page control. Texts come from the language section (default "Unit99").
class ToolWindow : public QWidget {
public:
    // host: the main window's Panel1; showHelp opens a help topic.
    ToolWindow(QWidget *host, const Configuration &config, std::function<void(const QString &)> showHelp);

    QString text(int number) const { return m_config.languageText(sectionName, number); }

    QString sectionName = QStringLiteral("Unit99");
    int tag = 0;

    QLabel *formLabel;
    QLabel *picture;
    QToolButton *helpButton;
    QLabel *textLabel;
    QFrame *strich;
    QWidget *orientierung;
    QTabWidget *pageControl1;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    const Configuration &m_config;
    std::function<void(const QString &)> m_showHelp;
};

}  // namespace shell
