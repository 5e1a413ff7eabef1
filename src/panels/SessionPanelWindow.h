#pragma once

#include "panels/SessionPanel.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;

namespace widgets {
class Lamp;
}

namespace panels {

// The session panel window: shows SessionPanel's state and forwards clicks.
class SessionPanelWindow : public QWidget {
public:
    SessionPanelWindow(core::TimerFactory &timers, TextFn languageText, bool detailsVisible,
              QWidget *parent = nullptr);

    SessionPanel &logic() { return m_logic; }

    // The input dialogue behind the session's AskDialNumber (RemoteSession::InputQuery).
    static bool inputQuery(const QString &caption, const QString &prompt, QString &text);

    void showPanel(std::function<void()> initProc, std::function<void()> hangUpProc,
                   std::function<bool()> dialProc, QWidget *parent, int left, int top, bool floating);
    // ShowPanel with the session's procedures, docked.
    void showSessionPanel(QWidget *parent, int left, int top);

    // The lamps of the remote protocol, the framing layer and the modem, for
    // whoever shows a link on them.
    widgets::Lamp &externZblLamp();
    widgets::Lamp &kavcomLamp();
    widgets::Lamp &modemLamp();

    QPushButton *dialButton() const { return m_dial; }
    QPushButton *initButton() const { return m_init; }
    QPushButton *hangUpButton() const { return m_hangUp; }
    QPushButton *speakerOffButton() const { return m_speakerOff; }
    QLabel *partnerLabel() const { return m_partner; }
    QLabel *statusField() const { return m_state; }
    QLabel *reportField() const { return m_report; }
    unsigned onlineColour() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refresh();
    void dock(QWidget *parent, int left, int top, bool floating);

    SessionPanel m_logic;
    QGroupBox *m_group;
    QPushButton *m_dial, *m_init, *m_hangUp, *m_speakerOff;
    QLabel *m_statusLabel, *m_state, *m_report, *m_partner;
    widgets::Lamp *m_onlineLed, *m_externZbl, *m_framedLink, *m_modem;
    QList<QWidget *> m_details;
};

}  // namespace panels
