#include "TestTabControls.h"

#include "monitor/MonitorHold.h"
#include "monitor/MonitorHost.h"
#include "monitor/TransferControl.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace monitorview {

namespace {
constexpr int DoorA = 0, DoorB = 1;
constexpr int DoorClosing = 1, DoorOpening = 2;
}  // namespace

TestTabControls::TestTabControls(monitor::SingleCommands &commands, const TestTabPartners &partners, QWidget *parent)
    : QWidget(parent), m_commands(commands), m_partners(partners)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto *linkBox = new QGroupBox(QStringLiteral("Telegramme"));
    auto *link = new QGridLayout(linkBox);
    m_zblTest = button(QStringLiteral("F100"), [this] {
        m_zblTest->setText(QStringLiteral("F100"));
        m_commands.zblTest([this](const QString &hex) { m_zblTest->setText(hex); });
    });
    m_groupField = new QLineEdit;
    m_groupField->setReadOnly(true);
    m_groupTest = button(QStringLiteral("F0105B00"), [this] {
        m_commands.groupTest([this](const QString &hex) { m_groupField->setText(hex); });
    });
    m_burst = button(QStringLiteral("++"), [this] {
        m_commands.burst([this] { m_burst->setText(QString::number(++m_burstAnswers)); });
    });
    link->addWidget(m_zblTest, 0, 0);
    link->addWidget(m_burst, 0, 1);
    link->addWidget(m_groupTest, 1, 0);
    link->addWidget(m_groupField, 1, 1);
    layout->addWidget(linkBox);

    auto *windowBox = new QGroupBox(QStringLiteral("Fenster"));
    auto *windows = new QGridLayout(windowBox);
    windows->addWidget(button(QStringLiteral("Port"), [this] { emit portWindowRequested(); }), 0, 0);
    windows->addWidget(button(QStringLiteral("Protokoll"), [this] { emit queueWindowRequested(); }), 0, 1);
    m_modem = button(QStringLiteral("Modem"), [this] { emit modemWindowRequested(); });
    // The modem session's window is there only once a link mode is chosen; the monitor's first show says.
    m_modem->setEnabled(false);
    windows->addWidget(m_modem, 1, 0);
    windows->addWidget(button(QStringLiteral("ZBL Port"), [this] { emit zblPortWindowRequested(); }), 1, 1);
    windows->addWidget(button(QStringLiteral("LCD"), [this] { emit lcdRequested(); }), 2, 0);
    m_flush = button(QStringLiteral("Flush"), [this] {
        if (m_partners.monitor.hasLinkMode()) m_partners.queue.transferFlush();
    });
    windows->addWidget(m_flush, 2, 1);
    windows->addWidget(button(QStringLiteral("Meldung"), [this] { m_partners.host.showMessageField(QStringLiteral("test-message")); }), 3, 0);
    windows->addWidget(button(QStringLiteral("lange Meldung"), [this] {
        m_partners.host.showMessageField(QStringLiteral("dies ist eine sehr lange test-message"));
    }), 3, 1);
    layout->addWidget(windowBox);

    m_cabinTest = button(QStringLiteral("Kabinen Test"), [this] { m_cabinGroup->setVisible(!m_cabinGroup->isVisible()); });
    layout->addWidget(m_cabinTest, 0, Qt::AlignLeft);
    m_cabinGroup = new QGroupBox(QStringLiteral("KabinenTest"));
    auto *cabin = new QGridLayout(m_cabinGroup);
    const auto door = [this](int which, int state) { return [this, which, state] { emit cabinDoorClicked(which, state); }; };
    cabin->addWidget(new QLabel(QStringLiteral("Tür A")), 0, 0);
    cabin->addWidget(button(QStringLiteral("auf"), door(DoorA, DoorOpening)), 0, 1);
    cabin->addWidget(button(QStringLiteral("zu"), door(DoorA, DoorClosing)), 0, 2);
    cabin->addWidget(new QLabel(QStringLiteral("Tür B")), 1, 0);
    cabin->addWidget(button(QStringLiteral("auf"), door(DoorB, DoorOpening)), 1, 1);
    cabin->addWidget(button(QStringLiteral("zu"), door(DoorB, DoorClosing)), 1, 2);
    m_floor = new QSpinBox;
    m_floor->setRange(0, 39);
    connect(m_floor, &QSpinBox::valueChanged, this, &TestTabControls::cabinFloorChanged);
    cabin->addWidget(new QLabel(QStringLiteral("Etage")), 2, 0);
    cabin->addWidget(m_floor, 2, 1, 1, 2);
    m_cabinGroup->hide();
    layout->addWidget(m_cabinGroup);
}

QPushButton *TestTabControls::button(const QString &caption, std::function<void()> onClick)
{
    auto *b = new QPushButton(caption);
    connect(b, &QPushButton::clicked, this, [onClick = std::move(onClick)] { onClick(); });
    return b;
}

void TestTabControls::setTopFloor(int topFloor) { m_floor->setMaximum(qBound(0, topFloor, 39)); }

TestTripButtons::TestTripButtons(monitor::SingleCommands &commands, QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *box = new QGroupBox(QStringLiteral("Testfahrten"));
    auto *row = new QHBoxLayout(box);
    const std::pair<const char *, int> trips[] = {{"AUS", monitor::SingleCommands::TripsOff},
                                                  {"SEQUENZ", monitor::SingleCommands::TripsSequence},
                                                  {"RANDOM", monitor::SingleCommands::TripsRandom},
                                                  {"I/A", monitor::SingleCommands::TripsEndToEnd}};
    for (const auto &trip : trips) {
        const int mode = trip.second;
        auto *b = new QPushButton(QString::fromLatin1(trip.first));
        b->setProperty("tripMode", mode);
        connect(b, &QPushButton::clicked, this, [&commands, mode] { commands.testTrips(mode); });
        row->addWidget(b);
        m_trips << b;
    }
    layout->addWidget(box);
    m_search = new QPushButton(QStringLiteral("Suchfahrt"));
    m_search->setEnabled(false);  // a search trip moves the cabin without a call: kept for service builds
    connect(m_search, &QPushButton::clicked, this, [&commands] { commands.searchTrip(); });
    layout->addWidget(m_search, 0, Qt::AlignLeft);
}

QPushButton *TestTripButtons::tripButton(int mode) const
{
    for (QPushButton *b : m_trips)
        if (b->property("tripMode").toInt() == mode) return b;
    return nullptr;
}

}  // namespace monitorview
