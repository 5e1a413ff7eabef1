#pragma once

#include "comlink/PhoneBook.h"

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace comlink {

// The phone book dialog: pick an installation's number to dial, or edit and
// save the list. Every show reloads the file and returns to dial mode.
class PhoneBookWindow : public QDialog {
    Q_OBJECT
public:
    explicit PhoneBookWindow(QWidget *mainWindow = nullptr);

    // The resolved phone book file (files/telefonbuch against the data directory).
    void setFileName(const QString &fileName) { m_fileName = fileName; }
    // The number of the row picked last in dial mode; read after "wählen".
    QString selectedNumber() const { return m_selectedNumber; }
    bool editMode() const { return m_editMode; }

    void loadPhoneBook();
    void savePhoneBook();
    void toggleEditMode();

    // Language texts (section, ident); a missing text falls back to German defaults.
    std::function<QString(const QString &section, const QString &ident)> languageText;
    // Today's date for a newly created file; the system date when unset.
    std::function<QDate()> today;

    QTableWidget *grid() const { return m_grid; }
    QLabel *modeLabel() const { return m_modeLabel; }
    QLabel *promptLabel() const { return m_promptLabel; }
    QLineEdit *numberField() const { return m_numberField; }
    QLabel *messageLabel() const { return m_messageLabel; }
    QPushButton *cancelButton() const { return m_cancelButton; }
    QPushButton *saveButton() const { return m_saveButton; }
    QPushButton *dialButton() const { return m_dialButton; }
    QPushButton *editButton() const { return m_editButton; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    QString text(const QString &ident) const;
    void applyTexts();
    void placeBesideMainWindow();
    void showEntries(const QList<PhoneEntry> &entries);
    QList<PhoneEntry> gridRows() const;
    void setEditMode(bool edit);
    void selectRow(int row);
    void cellChanged(int row);
    void showMessage(const QString &text);

    PhoneBook m_book;
    QString m_fileName;
    QString m_selectedNumber;
    bool m_editMode = false;

    QTableWidget *m_grid = nullptr;
    QLabel *m_modeLabel = nullptr;
    QLabel *m_promptLabel = nullptr;
    QLineEdit *m_numberField = nullptr;
    QLabel *m_messageLabel = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QPushButton *m_saveButton = nullptr;
    QPushButton *m_dialButton = nullptr;
    QPushButton *m_editButton = nullptr;
};

}  // namespace comlink
