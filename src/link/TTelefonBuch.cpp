#include "TTelefonBuch.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace comlink {

namespace {

const QString kSection = QStringLiteral("monitor_49");
constexpr int kVisibleRows = 24;  // the grid's first page; longer books scroll

QString DefaultText(const QString &ident)
{
    static const QHash<QString, QString> texts = {
        {"10", QStringLiteral("TelefonBuch vom ")},
        {"11", QStringLiteral("WAHL")},
        {"12", QStringLiteral("EDIT")},
        {"13", QStringLiteral("Nummer:")},
        {"14", QStringLiteral("abbrechen")},
        {"15", QStringLiteral("Sichern")},
        {"16", QStringLiteral("wählen")},
        {"17", QStringLiteral("editieren")},
        {"18", PhoneBook::Texts().badCharacters},
        {"19", PhoneBook::Texts().writeFailed},
        {"20", PhoneBook::Texts().readFailed},
        {"21", PhoneBook::Texts().createFailed},
    };
    return texts.value(ident);
}

}  // namespace

TTelefonBuch::TTelefonBuch(QWidget *mainWindow) : QDialog(mainWindow)
{
    setWindowTitle(QStringLiteral("TelefonBuch"));
    setModal(true);

    Grid = new QTableWidget(0, 2, this);
    Grid->horizontalHeader()->hide();
    Grid->verticalHeader()->hide();
    Grid->verticalHeader()->setDefaultSectionSize(20);
    Grid->setColumnWidth(0, 262);
    Grid->setColumnWidth(1, 139);
    Grid->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Grid->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->setMinimumSize(262 + 139 + 24, 25 * 20);

    Modus = new QLabel(this);
    Prompt = new QLabel(this);
    Nummer = new QLineEdit(this);
    Meldung = new QLabel(this);
    Meldung->setWordWrap(true);
    Meldung->setStyleSheet(QStringLiteral("color: #FF0000"));
    AbbrechenButton = new QPushButton(this);
    SichernButton = new QPushButton(this);
    WaehlenButton = new QPushButton(this);
    EditierenButton = new QPushButton(this);
    SichernButton->setEnabled(false);
    WaehlenButton->setEnabled(false);
    EditierenButton->setEnabled(false);
    WaehlenButton->setDefault(true);

    auto *layout = new QGridLayout(this);
    layout->addWidget(Modus, 0, 0, 1, 4);
    layout->addWidget(Grid, 1, 0, 1, 4);
    layout->addWidget(Prompt, 2, 0);
    layout->addWidget(Nummer, 2, 1, 1, 3);
    layout->addWidget(Meldung, 3, 0, 1, 4);
    layout->addWidget(WaehlenButton, 4, 0);
    layout->addWidget(EditierenButton, 4, 1);
    layout->addWidget(SichernButton, 4, 2);
    layout->addWidget(AbbrechenButton, 4, 3);

    connect(WaehlenButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(AbbrechenButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(SichernButton, &QPushButton::clicked, this, &TTelefonBuch::SavePhoneBook);
    connect(EditierenButton, &QPushButton::clicked, this, &TTelefonBuch::ToggleEditMode);
    connect(Grid, &QTableWidget::currentCellChanged, this, [this](int row) { SelectRow(row); });
    connect(Grid, &QTableWidget::cellClicked, this, [this](int row) { SelectRow(row); });
    connect(Grid, &QTableWidget::cellChanged, this, [this](int row) { CellChanged(row); });

    ApplyTexts();
    PlaceBesideMainWindow();
}

QString TTelefonBuch::Text(const QString &ident) const
{
    // A missing language entry comes back as its ident; show the default instead.
    const QString text = LanguageText ? LanguageText(kSection, ident) : QString();
    return text.isEmpty() || text == ident ? DefaultText(ident) : text;
}

void TTelefonBuch::ApplyTexts()
{
    Prompt->setText(Text("13"));
    AbbrechenButton->setText(Text("14"));
    SichernButton->setText(Text("15"));
    WaehlenButton->setText(Text("16"));
    EditierenButton->setText(Text("17"));
    m_book.texts = {Text("18"), Text("19"), Text("20"), Text("21")};
}

void TTelefonBuch::PlaceBesideMainWindow()
{
    if (QWidget *main = parentWidget()) move(main->window()->geometry().topLeft() + QPoint(285, 85));
}

void TTelefonBuch::showEvent(QShowEvent *event)
{
    PlaceBesideMainWindow();
    ApplyTexts();
    LoadPhoneBook();
    QDialog::showEvent(event);
}

void TTelefonBuch::LoadPhoneBook()
{
    SetEditMode(false);
    const QDate today = Today ? Today() : QDate::currentDate();
    const QString error = m_book.LoadPhoneBook(m_fileName, Text("10"), today);
    ShowMessage(error);
    if (error.isEmpty()) ShowEntries(m_book.Entries());
    WaehlenButton->setEnabled(true);
    EditierenButton->setEnabled(true);
    Grid->setCurrentCell(0, 0);
    SelectRow(0);
}

void TTelefonBuch::ShowEntries(const QList<PhoneEntry> &entries)
{
    const QSignalBlocker quiet(Grid);
    Grid->clearContents();
    Grid->setRowCount(qMax(kVisibleRows, int(entries.size()) + 1));
    for (int r = 0; r < Grid->rowCount(); ++r) {
        const PhoneEntry entry = r < entries.size() ? entries[r] : PhoneEntry();
        Grid->setItem(r, 0, new QTableWidgetItem(entry.name));
        Grid->setItem(r, 1, new QTableWidgetItem(entry.number));
    }
}

QList<PhoneEntry> TTelefonBuch::GridRows() const
{
    QList<PhoneEntry> rows;
    for (int r = 0; r < Grid->rowCount(); ++r) {
        const QTableWidgetItem *name = Grid->item(r, 0);
        const QTableWidgetItem *number = Grid->item(r, 1);
        rows << PhoneEntry{name ? name->text() : QString(), number ? number->text() : QString()};
    }
    return rows;
}

void TTelefonBuch::SavePhoneBook()
{
    ShowMessage(m_book.SavePhoneBook(m_fileName, GridRows()));
}

void TTelefonBuch::ToggleEditMode()
{
    SetEditMode(!m_editMode);
}

void TTelefonBuch::SetEditMode(bool edit)
{
    m_editMode = edit;
    Grid->setEditTriggers(m_editMode ? QAbstractItemView::AllEditTriggers : QAbstractItemView::NoEditTriggers);
    Modus->setText(Text(m_editMode ? "12" : "11") + QStringLiteral("-MODUS"));
    WaehlenButton->setEnabled(!m_editMode);
    SichernButton->setEnabled(m_editMode);
}

void TTelefonBuch::SelectRow(int row)
{
    // Numbers edited in edit mode count only after switching back to dial mode.
    if (m_editMode || row < 0) return;
    const QTableWidgetItem *number = Grid->item(row, 1);
    m_selectedNumber = number ? number->text() : QString();
    Nummer->setText(m_selectedNumber);
}

void TTelefonBuch::CellChanged(int row)
{
    // Keep one empty row below the last entry for a new one.
    if (row == Grid->rowCount() - 1) {
        const QSignalBlocker quiet(Grid);
        Grid->insertRow(Grid->rowCount());
    }
}

void TTelefonBuch::ShowMessage(const QString &text)
{
    Meldung->setText(text);
    Meldung->setVisible(!text.isEmpty());
}

}  // namespace comlink
