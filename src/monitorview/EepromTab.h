#pragma once

#include <QWidget>

#include <functional>

class QLineEdit;
class QPushButton;

namespace monitorview {

// The "EEprom" tab: one dump button per EEPROM area and the address being read.
class EepromTab : public QWidget {
    Q_OBJECT
public:
    explicit EepromTab(QWidget *parent = nullptr);

    void setAddressText(const QString &text);
    QLineEdit *addressField() const { return m_address; }
    QPushButton *areaButton(int area) const;

signals:
    void dumpRequested(int area);

private:
    QLineEdit *m_address;
    QList<QPushButton *> m_buttons;
};

}  // namespace monitorview
