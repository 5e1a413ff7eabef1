#pragma once

#include "Configuration.h"
#include "MainController.h"
#include "widgets/Lamp.h"

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
class MainWindow : public QMainWindow, public MainView {
    Q_OBJECT
public:
    MainWindow(MainController &controller, const Configuration &config, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Shows the window centred, or filling the screen on a small desktop.
    void showStartWindow();
    void showHelp(const QString &topic);
    QString panelText(int panel) const;

    // The batch countdown, shown from its first step on.
    void showGauge(int maximum, int position);

    // MainView: the connection report.
    bool reportVisible() const override;
    void setReportVisible(bool visible) override;

    QFrame *buttonBar() const { return m_buttonBar; }
    QLabel *banner() const { return m_banner; }
    QToolButton *infoButton() const { return m_infoButton; }
    QToolButton *linkButton() const { return m_linkButton; }
    QToolButton *exitButton() const { return m_exitButton; }
    QFrame *reportPanel() const { return m_reportPanel; }
    QPlainTextEdit *reportView() const { return m_reportView; }
    QWidget *rightPanel() const { return m_rightPanel; }
    QLabel *messageField() const { return m_messageField; }
    QProgressBar *batchGauge() const { return m_batchGauge; }
    std::array<QLabel *, StatusPanelCount> statusPanels() const { return m_statusPanels; }
    // The group member every request goes to, at the right of the status bar; hidden when empty.
    void setMemberText(const QString &text);
    QLabel *memberLabel() const { return m_memberLabel; }
    widgets::Lamp *lineLamp() const { return m_lineLamp; }
    widgets::Lamp *linkLamp() const { return m_linkLamp; }
    widgets::Lamp *modeLamp() const { return m_modeLamp; }
    HelpViewer *helpViewer() const { return m_helpViewer; }

signals:
    void infoClicked();  // Info_Button: shows the version window
    void portClicked();  // the port picker of the user's settings
    void closed();       // closed through the window frame: ends the message loop

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

    QFrame *m_buttonBar;
    QLabel *m_banner;
    QToolButton *m_infoButton;
    QToolButton *m_linkButton;
    QToolButton *m_portButton;
    QToolButton *m_exitButton;
    QFrame *m_reportPanel;
    QPlainTextEdit *m_reportView;
    QWidget *m_rightPanel;
    QLabel *m_messageField;
    QProgressBar *m_batchGauge;
    std::array<QLabel *, StatusPanelCount> m_statusPanels{};
    QLabel *m_memberLabel = nullptr;
    widgets::Lamp *m_lineLamp;
    widgets::Lamp *m_linkLamp;
    widgets::Lamp *m_modeLamp;
    HelpViewer *m_helpViewer;
};

}  // namespace shell
