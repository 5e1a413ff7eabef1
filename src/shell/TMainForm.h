#pragma once

#include "Configuration.h"
#include "MainController.h"
#include "TLinkPanel.h"

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
class TMainForm : public QMainWindow {
public:
    TMainForm(MainController &controller, const Configuration &config, QWidget *parent = nullptr);
    ~TMainForm() override;

    // Shows the window centred, or filling the screen on a small desktop.
    void ShowStartWindow();
    void ShowHelp(const QString &topic);
    QString PanelText(int panel) const;

    std::function<void()> OnInfoClick;  // Info_Button: shows the version window
    std::function<void()> OnClosed;     // closed through the window frame: ends the message loop

    QFrame *Panel2;
    QLabel *Banner;
    QToolButton *Info_Button;
    QToolButton *LinkButton;
    QToolButton *SpeedButton3;
    QFrame *Panel3;
    QPlainTextEdit *ReportMemo;
    QWidget *Panel1;
    QLabel *MyMessageField;
    QProgressBar *Gauge1;
    std::array<QLabel *, StatusPanelCount> StatusPanels{};
    TLinkPanel *LineLamp;
    TLinkPanel *LinkLamp;
    TLinkPanel *ModeLamp;
    HelpViewer *Help;

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
