#pragma once

#include "monitor/ControllerFunctions.h"
#include "monitor/EepromDump.h"
#include "monitor/LibraryMemory.h"
#include "monitor/MonitorControl.h"
#include "protocol/ControllerChannel.h"

#include <QObject>
#include <QPointer>

#include <functional>

namespace monitor {
class FaultLog;
}
namespace protocol {
class CommandLibrary;
}

namespace shell {
class Configuration;
}

namespace monitorview {

class EepromTab;
class FaultTab;
class FunctionBox;
class IdentityBox;
class MonitorWindow;

// The monitor window's information pages and fields wired to the controller: the fault
// fields and the "Fehler" tab, identity and group box, switches, maintenance bits, clock
// and EEPROM dumps. Requests go through the library, whose requests go to the group member chosen here.
class InfoTabs : public QObject {
    Q_OBJECT
public:
    InfoTabs(MonitorWindow &window, const shell::Configuration &config, monitor::MonitorControl &control,
             monitor::FaultLog &faultLog, protocol::CommandLibrary &library, protocol::ControllerChannel &channel);
    ~InfoTabs() override;

    // The identity fields the loop's start asks for.
    void requestInfo(monitor::InfoRequest request);
    // The step-back button of the newest fault.
    void stepBackFault();
    // Radio button k: ask member k through the group controller; it is monitored once it answers.
    void chooseMember(int member);
    void toggleSwitch(int lamp);
    void dumpEeprom(int area);

    FaultTab *faultTab() const { return m_faultTab; }
    EepromTab *eepromTab() const { return m_eepromTab; }
    FunctionBox *functionBox() const { return m_functionBox; }
    IdentityBox *identityBox() const;

signals:
    // The installation code was read: its text and the link label made of it (logon log).
    void installationCodeRead(const QString &code, const QString &label);

private:
    QString languageText(const char *section, int number) const;
    void showInstallationCode(const QString &answer);
    void showValue(int slot, const QString &text);

    QPointer<MonitorWindow> m_window;
    const shell::Configuration &m_config;
    monitor::MonitorControl &m_control;
    monitor::FaultLog &m_faultLog;
    protocol::CommandLibrary &m_library;
    protocol::ControllerChannel &m_channel;
    monitor::LibraryMemory m_memory;
    monitor::EepromDump m_dump;
    FaultTab *m_faultTab;
    EepromTab *m_eepromTab;
    FunctionBox *m_functionBox;
    // Answers that arrive after this object has gone are dropped.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

}  // namespace monitorview
