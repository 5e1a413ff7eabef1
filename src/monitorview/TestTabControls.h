#pragma once

#include "monitor/SingleCommands.h"

#include <QWidget>

#include <functional>

class QGroupBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace monitor {
class MonitorHold;
class MonitorHost;
class TransferControl;
}

namespace monitorview {

// Who the "Test" tab works with besides the single commands.
struct TestTabPartners {
    const monitor::MonitorHold &monitor;  // "Flush" acts only once a link mode is chosen
    monitor::TransferControl &queue;
    monitor::MonitorHost &host;           // the message tests write the main window's message field
};

// The monitor's "Test" tab: link tests, the windows of the line, "Flush",
// the message tests, the LCD start and the cabin test.
class TestTabControls : public QWidget {
    Q_OBJECT
public:
    TestTabControls(monitor::SingleCommands &commands, const TestTabPartners &partners, QWidget *parent = nullptr);

    QPushButton *zblTestButton() const { return m_zblTest; }
    QPushButton *groupTestButton() const { return m_groupTest; }
    QLineEdit *groupTestField() const { return m_groupField; }
    QPushButton *burstButton() const { return m_burst; }
    QPushButton *flushButton() const { return m_flush; }
    QPushButton *modemButton() const { return m_modem; }
    QPushButton *cabinTestButton() const { return m_cabinTest; }
    QGroupBox *cabinTestGroup() const { return m_cabinGroup; }
    QSpinBox *cabinFloor() const { return m_floor; }
    // The cabin test's floor range follows the shaft.
    void setTopFloor(int topFloor);

signals:
    // The buttons of the line's windows and the LCD start.
    void portWindowRequested();
    void queueWindowRequested();
    void modemWindowRequested();
    void zblPortWindowRequested();
    void lcdRequested();
    // The cabin test: a door of the shaft drawing opens or closes (0 door A, 1 door B; 1 closing, 2 opening),
    // the cabin stands at another floor.
    void cabinDoorClicked(int door, int state);
    void cabinFloorChanged(int floor);

private:
    QPushButton *button(const QString &caption, std::function<void()> onClick);

    monitor::SingleCommands &m_commands;
    TestTabPartners m_partners;
    QPushButton *m_zblTest, *m_groupTest, *m_burst, *m_flush, *m_cabinTest, *m_modem;
    QLineEdit *m_groupField;
    QGroupBox *m_cabinGroup;
    QSpinBox *m_floor;
    int m_burstAnswers = 0;
};

// The test-trip buttons and the search trip of the "Funktion" tab.
class TestTripButtons : public QWidget {
public:
    explicit TestTripButtons(monitor::SingleCommands &commands, QWidget *parent = nullptr);
    QPushButton *tripButton(int mode) const;
    QPushButton *searchTripButton() const { return m_search; }

private:
    QList<QPushButton *> m_trips;
    QPushButton *m_search;
};

}  // namespace monitorview
