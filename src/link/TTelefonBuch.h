#pragma once

#include "link/PhoneBook.h"

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace comlink {

// The phone book dialog: pick an installation's number to dial, or edit and
// save the list. Every show reloads the file and returns to dial mode.
class TTelefonBuch : public QDialog {
    Q_OBJECT
public:
    explicit TTelefonBuch(QWidget *mainWindow = nullptr);

    // The resolved phone book file (files/telefonbuch against the data directory).
    void SetFileName(const QString &fileName) { m_fileName = fileName; }
    // The number of the row picked last in dial mode; read after "wählen".
    QString SelectedNumber() const { return m_selectedNumber; }
    bool EditMode() const { return m_editMode; }

    void LoadPhoneBook();
    void SavePhoneBook();
    void ToggleEditMode();

    // Language texts (section, ident); a missing text falls back to German defaults.
    std::function<QString(const QString &section, const QString &ident)> LanguageText;
    // Today's date for a newly created file; the system date when unset.
    std::function<QDate()> Today;

    QTableWidget *Grid = nullptr;
    QLabel *Modus = nullptr;
    QLabel *Prompt = nullptr;
    QLineEdit *Nummer = nullptr;
    QLabel *Meldung = nullptr;
    QPushButton *AbbrechenButton = nullptr;
    QPushButton *SichernButton = nullptr;
    QPushButton *WaehlenButton = nullptr;
    QPushButton *EditierenButton = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QString Text(const QString &ident) const;
    void ApplyTexts();
    void PlaceBesideMainWindow();
    void ShowEntries(const QList<PhoneEntry> &entries);
    QList<PhoneEntry> GridRows() const;
    void SetEditMode(bool edit);
    void SelectRow(int row);
    void CellChanged(int row);
    void ShowMessage(const QString &text);

    PhoneBook m_book;
    QString m_fileName;
    QString m_selectedNumber;
    bool m_editMode = false;
};

}  // namespace comlink
