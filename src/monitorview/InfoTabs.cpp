#include "InfoTabs.h"

#include "EepromTab.h"
#include "FaultTab.h"
#include "FunctionBox.h"
#include "IdentityBox.h"
#include "MonitorWindow.h"

#include "core/Bytes.h"
#include "monitor/FaultLog.h"
#include "monitor/MonitorCodes.h"
#include "protocol/CommandLibrary.h"
#include "shell/Configuration.h"

#include <QBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace monitorview {

using monitor::InfoRequest;
using monitor::PollCycle;

namespace {
// A page's own layout, made when the page has none.
QBoxLayout *pageLayout(QWidget *page)
{
    if (auto *layout = qobject_cast<QBoxLayout *>(page->layout())) return layout;
    return new QVBoxLayout(page);
}
}  // namespace

InfoTabs::InfoTabs(MonitorWindow &window, const shell::Configuration &config, monitor::MonitorControl &control,
                   monitor::FaultLog &faultLog, protocol::CommandLibrary &library, protocol::ControllerChannel &channel)
    : m_window(&window), m_config(config), m_control(control), m_faultLog(faultLog), m_library(library), m_channel(channel),
      m_memory(library), m_dump(m_memory)
{
    m_faultTab = new FaultTab(config, faultLog, control);
    pageLayout(window.tabPage(MonitorWindow::FaultTab))->addWidget(m_faultTab);
    m_eepromTab = new EepromTab;
    pageLayout(window.tabPage(MonitorWindow::EepromTab))->addWidget(m_eepromTab);
    m_functionBox = new FunctionBox(config);
    QBoxLayout *function = pageLayout(window.tabPage(MonitorWindow::FunctionTab));
    function->insertWidget(qMax(0, function->count() - 1), m_functionBox);  // above the closing stretch

    IdentityBox *identity = window.identityBox();
    connect(identity, &IdentityBox::infoRequested, this, [this](InfoRequest request) { requestInfo(request); });
    connect(identity, &IdentityBox::newTextEntered, this, [this](InfoRequest request, const QString &text) {
        // Read back at once: the field shows what the controller keeps.
        if (request == InfoRequest::InstallationCode) m_library.setInstallationCode(text);
        else m_library.setTelephone(text);
        requestInfo(request);
    });
    connect(identity, &IdentityBox::memberChosen, this, [this](int member) { chooseMember(member); });
    connect(&window, &MonitorWindow::switchClicked, this, [this](int lamp) { toggleSwitch(lamp); });
    connect(&window, &MonitorWindow::faultCountRaised, this, [this] { stepBackFault(); });

    connect(m_functionBox, &FunctionBox::maintenanceRequested, this, [this] {
        QPointer<FunctionBox> box = m_functionBox;
        monitor::readMaintenanceBits(m_channel, [box](const QByteArray &answer) {
            if (box) box->showMaintenance(monitor::maintenanceBitsText(answer), monitor::decodeMaintenanceBits(answer));
        });
    });
    connect(m_functionBox, &FunctionBox::clockReadRequested, this, [this] {
        QPointer<FunctionBox> box = m_functionBox;
        m_library.getClock([box](const QString &text) { if (box) box->showClock(text); });
    });
    connect(m_functionBox, &FunctionBox::clockSetRequested, this, [this] {
        QPointer<FunctionBox> box = m_functionBox;
        m_library.setClock([box] { if (box) box->clockSet(); });
    });

    connect(m_eepromTab, &EepromTab::dumpRequested, this, [this](int area) { dumpEeprom(area); });
    // The pages may go before the last answer comes.
    connect(&m_dump, &monitor::EepromDump::stepped, m_eepromTab, &EepromTab::setAddressText);
    QPointer<FaultTab> faultTab = m_faultTab;
    connect(&m_dump, &monitor::EepromDump::dumped, this, [this, faultTab](const QStringList &lines) {
        if (faultTab) faultTab->setLines(lines);
        if (m_window) m_window->showTab(MonitorWindow::FaultTab);
    });
}

InfoTabs::~InfoTabs() = default;

IdentityBox *InfoTabs::identityBox() const { return m_window ? m_window->identityBox() : nullptr; }

QString InfoTabs::languageText(const char *section, int number) const
{
    return m_config.languageText(QString::fromLatin1(section), number);
}

void InfoTabs::requestInfo(InfoRequest request)
{
    QPointer<MonitorWindow> window = m_window;
    IdentityBox *box = identityBox();
    if (!box) return;
    const std::weak_ptr<bool> alive = m_alive;
    const auto show = [window, request](const QString &text) {
        if (window) window->identityBox()->showInfo(request, text);
    };
    switch (request) {
    case InfoRequest::Version:
        box->showInfo(request, languageText("monitor_43", 3));
        m_library.getVersion(show);
        break;
    case InfoRequest::TopFloor:
        m_library.getTopFloor([show](const QString &text) {
            show(monitor::topFloorText(text.isEmpty() ? 255 : text.at(0).unicode()));
        });
        break;
    case InfoRequest::Telephone:
        box->clearInfo(request);
        m_library.getTelephone(show);
        break;
    case InfoRequest::InstallationCode:
        box->clearInfo(request);
        m_library.getInstallationCode([this, alive](const QString &text) {
            if (const auto a = alive.lock(); a && *a) showInstallationCode(text);
        });
        break;
    case InfoRequest::GroupAddress:
        box->setGroupButtonText(QStringLiteral("?..."));
        monitor::requestGroupAddress(m_channel, [window](const QByteArray &answer) {
            if (window) window->identityBox()->showGroupAnswer(monitor::decodeGroupAnswer(answer));
        });
        break;
    }
}

void InfoTabs::showInstallationCode(const QString &answer)
{
    const QString code = monitor::printableText(answer.toLatin1());
    if (IdentityBox *box = identityBox()) box->showInfo(InfoRequest::InstallationCode, code);
    const QString label = m_control.installationCodeRead(code);
    emit installationCodeRead(code, label);
}

void InfoTabs::chooseMember(int member)
{
    if (IdentityBox *box = identityBox()) box->setSwitchText(monitor::groupSwitchText(member));
    const std::weak_ptr<bool> alive = m_alive;
    // Routed by hand: the route still points at the member monitored so far.
    monitor::requestGroupAddress(m_channel,
                [this, alive, member](const QByteArray &answer) {
                    const auto a = alive.lock();
                    if (!a || !*a) return;
                    const monitor::GroupAnswerView view = monitor::decodeGroupAnswer(answer);
                    if (IdentityBox *box = identityBox()) box->showGroupAnswer(view);
                    if (!view.enabled) return;
                    // From now on every request goes to this member, and its shaft is built anew.
                    m_channel.setMember(member);
                    m_control.monitorStart();
                },
                member);
}

void InfoTabs::toggleSwitch(int lamp)
{
    QPointer<MonitorWindow> window = m_window;
    if (lamp == 0) {
        m_library.toggleSwitchA([window](const QString &state) { if (window) window->showSwitchState(0, state); });
    } else {
        m_library.toggleSwitchB([window](const QString &state) { if (window) window->showSwitchState(1, state); });
    }
}

void InfoTabs::stepBackFault()
{
    monitor::NewestFaultField &field = m_control.faultField();
    const std::weak_ptr<bool> alive = m_alive;
    m_faultLog.requestErrorEntry(
        [this, alive, &field](const QString &text) {
            if (const auto a = alive.lock(); a && *a) showValue(PollCycle::NewestFault, field.entryText(text));
        },
        field.stepBack());
}

void InfoTabs::showValue(int slot, const QString &text)
{
    if (!m_window || !m_window->valueField(slot)) return;
    m_window->valueField(slot)->setText(text);
    m_window->valueField(slot)->setCursorPosition(0);
}

void InfoTabs::dumpEeprom(int area) { m_dump.start(area); }

}  // namespace monitorview
