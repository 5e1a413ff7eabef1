#pragma once

#include "core/FileWrite.h"
#include "monitor/PortReader.h"
#include "shell/SaveFileChoice.h"

#include <QWidget>

#include <array>
#include <functional>

class QPushButton;
class QTabWidget;

namespace core {
class Clock;
}

namespace widgets {
class Lamp;
}

namespace shell {
class Configuration;
}

namespace monitorview {

class PortGroupBox;

// The "Ports" tab: the thirteen ports on tabs of their own, read with one
// request and saved to a text file, which the fault list then shows.
class PortsTab : public QWidget {
    Q_OBJECT
public:
    PortsTab(monitor::PortReader &reader, const shell::Configuration &config, core::Clock &clock, QWidget *parent = nullptr);
    ~PortsTab() override;

    PortGroupBox *portBox(int port) const;
    QTabWidget *portPages() const { return m_pages; }
    QPushButton *readButton() const { return m_readButton; }
    QPushButton *saveButton() const { return m_saveButton; }
    widgets::Lamp *blinkLamp() const { return m_blink; }

    // Writes the port file (through a temporary file); false when it could not
    // be written, and lastWrite() says why.
    bool savePorts(const QString &fileName);
    const core::WriteOutcome &lastWrite() const { return m_lastWrite; }
    // "sichern": asks for the file, saves, and shows the file in the fault list.
    void save();

    // Asks for the file name; empty: cancelled. Unset: a save dialog in the data folder.
    std::function<QString()> chooseFile;
    // Asked when the chosen file exists: Yes overwrites, No asks again, Cancel stops.
    std::function<shell::Overwrite(const QString &fileName)> confirmOverwrite;

signals:
    // The port file was written; its lines go to the fault list ("Fehler" tab).
    void portFileSaved(const QStringList &lines);

private:
    void showValues();

    monitor::PortReader &m_reader;
    core::WriteOutcome m_lastWrite;
    const shell::Configuration &m_config;
    core::Clock &m_clock;
    QTabWidget *m_pages = nullptr;
    std::array<PortGroupBox *, monitor::PortReader::PortCount> m_boxes{};
    QPushButton *m_readButton = nullptr;
    QPushButton *m_saveButton = nullptr;
    widgets::Lamp *m_blink = nullptr;
};

}  // namespace monitorview
