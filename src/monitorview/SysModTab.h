#pragma once

#include "shell/SaveFileChoice.h"

#include <QMessageBox>
#include <QWidget>

#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace core {
class LanguageTexts;
class ReportSink;
}
namespace monitor {
class LinkState;
class MonitorHold;
}
namespace sysmod {
class ParameterSet;
class ParameterSetTransfer;
}

namespace monitorview {

// The monitor's "SysMod" tab: the user's front end to the system module.
// Reads it from the controller, sends it back, opens and saves ".smb" files.
// A transfer holds the monitor until it ends; the image and its file name
// change only when a read succeeds or a file loads.
// Who the tab works with besides the image and its transfer.
struct SysModTabPartners {
    const monitor::LinkState &link;
    monitor::MonitorHold &monitor;  // held while a transfer runs
    const core::LanguageTexts &texts;
    const core::ReportSink &reports;
};

class SysModTab : public QWidget {
    Q_OBJECT
public:
    SysModTab(sysmod::ParameterSet &sysMod, sysmod::ParameterSetTransfer &transfer, const SysModTabPartners &partners,
              QWidget *parent = nullptr);

    // "senden": whether the image may be sent to the controller.
    void setSendAllowed(bool allowed);
    // The tab was selected: the group shows what it is about.
    void tabSelected();
    void readClick();
    void sendClick();
    void openClick();
    void saveClick();
    void breakClick();

    QGroupBox *group() const { return m_group; }
    QProgressBar *gauge() const { return m_gauge; }
    QLineEdit *messageField() const { return m_message; }
    QLabel *nameLabel() const { return m_name; }
    QPushButton *readButton() const { return m_read; }
    QPushButton *sendButton() const { return m_send; }
    QPushButton *openButton() const { return m_open; }
    QPushButton *saveButton() const { return m_save; }
    QPushButton *breakButton() const { return m_break; }

    // The folder the file dialogs start in, read at each click.
    std::function<QString()> filesDirectory;
    // The dialogs the tab asks; each has a working default and a test answers it itself.
    std::function<bool(const QString &question)> confirmConnect;
    // The question names the file and, in a group, the lift it goes to.
    std::function<bool(const QString &question)> confirmSend;
    std::function<QString(const QString &directory)> chooseOpenFile;
    std::function<QString(const QString &title, const QString &proposed)> chooseSaveFile;
    std::function<shell::Overwrite(const QString &question)> askOverwrite;

signals:
    // "Connect now?" was answered yes: the link is to be established as a click on the link lamp does.
    void linkRequested();

private:
    bool prepare(const QString &text);
    void startTransfer(bool write);
    void transferEnded();
    void setBusy(bool busy);
    QString text(const QString &section, int number) const;
    QString fileFilter() const;

    sysmod::ParameterSet &m_sysMod;
    sysmod::ParameterSetTransfer &m_transfer;
    SysModTabPartners m_partners;
    QGroupBox *m_group;
    QProgressBar *m_gauge;
    QLineEdit *m_message;
    QLabel *m_name;
    QPushButton *m_read, *m_send, *m_open, *m_save, *m_break;
    bool m_sendAllowed = false;
    bool m_busy = false;
    QString m_shownName;  // the name shown before a transfer, back after a failed one
};

}  // namespace monitorview
