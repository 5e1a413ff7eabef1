#pragma once

#include "monitor/SingleCommands.h"

#include <QWidget>

#include <functional>

class QGroupBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace monitorview {

// The monitor's "Test" tab: link tests, the windows of the line, "Flush",
// the message tests, the LCD start and the cabin test.
class TestTabControls : public QWidget {
public:
    explicit TestTabControls(monitor::SingleCommands &commands, QWidget *parent = nullptr);

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

    std::function<void()> showPortWindow, showQueueWindow, showModemWindow, showZblPortWindow;
    std::function<void()> showLcd;
    std::function<int()> linkMode;
    std::function<void()> transferFlush;
    std::function<void(const QString &text)> showMessage;
    std::function<void(int door, int state)> setDoor;
    std::function<void(int floor)> setFloor;

private:
    QPushButton *button(const QString &caption, std::function<void()> onClick);

    monitor::SingleCommands &m_commands;
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
