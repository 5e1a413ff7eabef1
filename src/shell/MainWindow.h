#pragma once

#include "Configuration.h"
#include "MainController.h"
#include "StatusLamp.h"

#include <QMainWindow>

#include <array>
#include <functional>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QToolButton;

namespace shell {

class HelpViewer;

// The program's frame: button bar, connection report, host panel for the tool
// windows, message field, batch gauge and the status bar with three lamps.
// It only shows what MainController decides.
class MainWindow : public QMainWindow {
public:
    MainWindow(MainController &controller, const Configuration &config, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Shows the window centred, or filling the screen on a small desktop.
    void showStartWindow();
    void showHelp(const QString &topic);
    QString panelText(int panel) const;

    std::function<void()> onInfoClick;  // Info_Button: shows the version window
    std::function<void()> onClosed;     // closed through the window frame: ends the message loop

    QFrame *panel2;
    QLabel *banner;
    QToolButton *infoButton;
    QToolButton *linkButton;
    QToolButton *speedButton3;
    QFrame *panel3;
    QPlainTextEdit *reportMemo;
    QWidget *panel1;
    QLabel *myMessageField;
    QProgressBar *gauge1;
    std::array<QLabel *, StatusPanelCount> statusPanels{};
    StatusLamp *lineLamp;
    StatusLamp *linkLamp;
    StatusLamp *modeLamp;
    HelpViewer *help;

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildButtonBar(QWidget *client);
    void buildReport(QWidget *client);
    void buildStatusBar();
    void connectView();

    MainController &m_controller;
    const Configuration &m_config;
};

}  // namespace shell
