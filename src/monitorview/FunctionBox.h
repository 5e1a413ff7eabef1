#pragma once

#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace shell {
class Configuration;
}

namespace monitorview {


// The maintenance byte and the controller clock of the "Funktion" tab.
class FunctionBox : public QWidget {
    Q_OBJECT
public:
    explicit FunctionBox(const shell::Configuration &config, QWidget *parent = nullptr);

    // The "Wbyte" text and, when the answer was read, the bits to check.
    void showMaintenance(const QString &text, std::optional<int> bits);
    void showClock(const QString &text);
    void clockSet();

    QPushButton *maintenanceButton() const { return m_maintenanceButton; }
    QCheckBox *maintenanceBox(int index) const { return m_bits[size_t(index)]; }
    QLabel *maintenanceText() const { return m_wbyte; }
    QPushButton *readClockButton() const { return m_readClock; }
    QPushButton *setClockButton() const { return m_setClock; }
    QLabel *clockLabel() const { return m_clock; }
    QGroupBox *clockBox() const { return m_clockBox; }

signals:
    void maintenanceRequested();
    void clockReadRequested();
    void clockSetRequested();

private:
    QPushButton *m_maintenanceButton;
    std::array<QCheckBox *, 5> m_bits{};
    QLabel *m_wbyte;
    QGroupBox *m_clockBox;
    QPushButton *m_readClock;
    QPushButton *m_setClock;
    QLabel *m_clock;
};

}  // namespace monitorview
