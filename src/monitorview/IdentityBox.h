#pragma once

#include "monitor/ControllerFunctions.h"
#include "monitor/MonitorControl.h"

#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace monitorview {

// The identity fields of the "MONITOR" tab (version, top floor, installation code and
// telephone text with their "neu" buttons) and the group controller box. A click on a
// field asks for it again.
class IdentityBox : public QWidget {
    Q_OBJECT
public:
    // text: the window's language texts (section "unit43").
    explicit IdentityBox(std::function<QString(int number)> text, QWidget *parent = nullptr);

    void showInfo(monitor::InfoRequest request, const QString &text);
    void clearInfo(monitor::InfoRequest request);
    void clearValues();
    void showGroupAnswer(const monitor::GroupAnswerView &view);
    void setGroupButtonText(const QString &text);
    void setSwitchText(const QString &text);

    QLineEdit *field(monitor::InfoRequest request) const;
    QPushButton *newCodeButton() const { return m_newCode; }
    QPushButton *newTelephoneButton() const { return m_newTelephone; }
    QGroupBox *groupBox() const { return m_groupBox; }
    QPushButton *groupButton() const { return m_groupButton; }
    QRadioButton *memberButton(int member) const { return m_members[size_t(member)]; }
    QLabel *switchLabel() const { return m_switchText; }

    // The "neu" input query: caption and the field's text; empty when cancelled.
    std::function<std::optional<QString>(const QString &caption, const QString &current)> askText;

signals:
    // A click on a field or the group button: ask the controller.
    void infoRequested(monitor::InfoRequest request);
    // A new text for the installation code (InstallationCode) or the telephone (Telephone).
    void newTextEntered(monitor::InfoRequest request, const QString &text);
    // The user chose the monitored member of the group.
    void memberChosen(int member);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static constexpr int FieldCount = 5;

    std::function<QString(int number)> m_text;
    std::array<QLineEdit *, FieldCount> m_fields{};  // by InfoRequest
    QPushButton *m_newCode;
    QPushButton *m_newTelephone;
    QGroupBox *m_groupBox;
    QPushButton *m_groupButton;
    std::array<QRadioButton *, 4> m_members{};
    QLabel *m_switchText;
};

}  // namespace monitorview
