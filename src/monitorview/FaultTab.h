#pragma once

#include "shell/SaveFileChoice.h"

#include <QStringList>
#include <QWidget>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace monitor {
class FaultLog;
class MonitorControl;
}

namespace shell {
class Configuration;
}

namespace monitorview {


// The "Fehler" tab: the fault list with fetch (the monitor held meanwhile), stop, save
// and delete. EEPROM dumps and other lists are shown in the same list.
class FaultTab : public QWidget {
public:
    using Overwrite = shell::Overwrite;

    FaultTab(const shell::Configuration &config, monitor::FaultLog &log, monitor::MonitorControl &control, QWidget *parent = nullptr);
    ~FaultTab() override;

    QStringList lines() const;
    void setLines(const QStringList &lines);
    void appendLine(const QString &line);

    void fetch();
    void stop();
    void save();
    void deleteLog();

    QPlainTextEdit *list() const { return m_list; }
    QProgressBar *progress() const { return m_progress; }
    QPushButton *fetchButton() const { return m_fetchButton; }
    QPushButton *stopButton() const { return m_stopButton; }
    QPushButton *saveButton() const { return m_saveButton; }
    QPushButton *deleteButton() const { return m_deleteButton; }
    QLabel *statusLabel() const { return m_status; }

    // The dialogs; tests answer them without a modal loop.
    std::function<QString(const QString &dir)> chooseSaveFile;  // empty: cancelled
    std::function<shell::Overwrite(const QString &fileName)> askOverwrite;
    std::function<bool()> confirmDelete;  // true only for an explicit Yes

private:
    QString text(int number) const;

    const shell::Configuration &m_config;
    monitor::FaultLog &m_log;
    monitor::MonitorControl &m_control;
    QPlainTextEdit *m_list;
    QProgressBar *m_progress;
    QPushButton *m_fetchButton;
    QPushButton *m_stopButton;
    QPushButton *m_saveButton;
    QPushButton *m_deleteButton;
    QLabel *m_status;
};

}  // namespace monitorview
