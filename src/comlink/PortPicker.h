#pragma once

#include "comlink/PortChoice.h"

#include <QDialog>
#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace comlink {

// Lists the serial devices found (refreshed each time it is shown) with their
// state, and takes a typed path; pseudo-terminals and links are only typed.
class PortPicker : public QWidget {
public:
    explicit PortPicker(QWidget *parent = nullptr);

    // Language texts of section [portpicker]; German defaults when unset or missing.
    std::function<QString(const QString &section, const QString &ident)> languageText;
    // The devices to show for a chosen path; enumeration by default (tests give their own).
    std::function<QList<PortEntry>(const QString &chosen)> listPorts = availablePortEntries;
    // "übernehmen": the path (empty: the INI's default); false with a reason when it could not be kept.
    std::function<bool(const QString &path, QString *why)> onChosen;
    // The choice in force, read again whenever the picker is shown.
    std::function<QString()> currentChoice;

    void setChosen(const QString &path);   // fills the field and the list
    QString typedPath() const;
    void refresh();
    void apply();

    QTreeWidget *list() const { return m_list; }
    QLineEdit *pathField() const { return m_path; }
    QPushButton *applyButton() const { return m_apply; }
    QLabel *stateLabel() const { return m_state; }
    QString stateText(PortState state) const;
    QString problemText(const QString &path, PortState state) const;
    QString text(int number) const;

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    void showTypedState();

    QTreeWidget *m_list = nullptr;
    QLineEdit *m_path = nullptr;
    QPushButton *m_apply = nullptr;
    QPushButton *m_refresh = nullptr;
    QLabel *m_state = nullptr;
    QLabel *m_pathLabel = nullptr;
};

// The small settings dialog of the main window around a picker.
class PortPickerDialog : public QDialog {
public:
    explicit PortPickerDialog(QWidget *parent = nullptr);
    PortPicker *picker() const { return m_picker; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    PortPicker *m_picker;
    QPushButton *m_close = nullptr;
};

class ComPort;

// Wires a picker to the port: shows the user's choice, keeps a new one in the
// user's settings and uses it for the port's next open; an empty choice falls
// back to the INI's [comport] device.
void bindPortPicker(PortPicker &picker, ComPort &port, const QString &iniDevice,
                    const QString &settingsFile = userSettingsFile());

}  // namespace comlink
