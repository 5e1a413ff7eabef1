#include "PhoneBookWindow.h"

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

QString defaultText(const QString &ident)
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

PhoneBookWindow::PhoneBookWindow(QWidget *mainWindow) : QDialog(mainWindow)
{
    setWindowTitle(QStringLiteral("TelefonBuch"));
    setModal(true);

    grid = new QTableWidget(0, 2, this);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(20);
    grid->setColumnWidth(0, 262);
    grid->setColumnWidth(1, 139);
    grid->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setMinimumSize(262 + 139 + 24, 25 * 20);

    modus = new QLabel(this);
    prompt = new QLabel(this);
    nummer = new QLineEdit(this);
    meldung = new QLabel(this);
    meldung->setWordWrap(true);
    meldung->setStyleSheet(QStringLiteral("color: #FF0000"));
    abbrechenButton = new QPushButton(this);
    sichernButton = new QPushButton(this);
    waehlenButton = new QPushButton(this);
    editierenButton = new QPushButton(this);
    sichernButton->setEnabled(false);
    waehlenButton->setEnabled(false);
    editierenButton->setEnabled(false);
    waehlenButton->setDefault(true);

    auto *layout = new QGridLayout(this);
    layout->addWidget(modus, 0, 0, 1, 4);
    layout->addWidget(grid, 1, 0, 1, 4);
    layout->addWidget(prompt, 2, 0);
    layout->addWidget(nummer, 2, 1, 1, 3);
    layout->addWidget(meldung, 3, 0, 1, 4);
    layout->addWidget(waehlenButton, 4, 0);
    layout->addWidget(editierenButton, 4, 1);
    layout->addWidget(sichernButton, 4, 2);
    layout->addWidget(abbrechenButton, 4, 3);

    connect(waehlenButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(abbrechenButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(sichernButton, &QPushButton::clicked, this, &PhoneBookWindow::savePhoneBook);
    connect(editierenButton, &QPushButton::clicked, this, &PhoneBookWindow::toggleEditMode);
    connect(grid, &QTableWidget::currentCellChanged, this, [this](int row) { selectRow(row); });
    connect(grid, &QTableWidget::cellClicked, this, [this](int row) { selectRow(row); });
    connect(grid, &QTableWidget::cellChanged, this, [this](int row) { cellChanged(row); });

    applyTexts();
    placeBesideMainWindow();
}

QString PhoneBookWindow::text(const QString &ident) const
{
    // A missing language entry comes back as its ident; show the default instead.
    const QString text = languageText ? languageText(kSection, ident) : QString();
    return text.isEmpty() || text == ident ? defaultText(ident) : text;
}

void PhoneBookWindow::applyTexts()
{
    prompt->setText(text("13"));
    abbrechenButton->setText(text("14"));
    sichernButton->setText(text("15"));
    waehlenButton->setText(text("16"));
    editierenButton->setText(text("17"));
    m_book.texts = {text("18"), text("19"), text("20"), text("21")};
}

void PhoneBookWindow::placeBesideMainWindow()
{
    if (QWidget *main = parentWidget()) move(main->window()->geometry().topLeft() + QPoint(285, 85));
}

void PhoneBookWindow::showEvent(QShowEvent *event)
{
    placeBesideMainWindow();
    applyTexts();
    loadPhoneBook();
    QDialog::showEvent(event);
}

void PhoneBookWindow::loadPhoneBook()
{
    setEditMode(false);
    const QDate date = today ? today() : QDate::currentDate();
    const QString error = m_book.loadPhoneBook(m_fileName, text("10"), date);
    showMessage(error);
    if (error.isEmpty()) showEntries(m_book.entries());
    waehlenButton->setEnabled(true);
    editierenButton->setEnabled(true);
    grid->setCurrentCell(0, 0);
    selectRow(0);
}

void PhoneBookWindow::showEntries(const QList<PhoneEntry> &entries)
{
    const QSignalBlocker quiet(grid);
    grid->clearContents();
    grid->setRowCount(qMax(kVisibleRows, int(entries.size()) + 1));
    for (int r = 0; r < grid->rowCount(); ++r) {
        const PhoneEntry entry = r < entries.size() ? entries[r] : PhoneEntry();
        grid->setItem(r, 0, new QTableWidgetItem(entry.name));
        grid->setItem(r, 1, new QTableWidgetItem(entry.number));
    }
}

QList<PhoneEntry> PhoneBookWindow::gridRows() const
{
    QList<PhoneEntry> rows;
    for (int r = 0; r < grid->rowCount(); ++r) {
        const QTableWidgetItem *name = grid->item(r, 0);
        const QTableWidgetItem *number = grid->item(r, 1);
        rows << PhoneEntry{name ? name->text() : QString(), number ? number->text() : QString()};
    }
    return rows;
}

void PhoneBookWindow::savePhoneBook()
{
    showMessage(m_book.savePhoneBook(m_fileName, gridRows()));
}

void PhoneBookWindow::toggleEditMode()
{
    setEditMode(!m_editMode);
}

void PhoneBookWindow::setEditMode(bool edit)
{
    m_editMode = edit;
    grid->setEditTriggers(m_editMode ? QAbstractItemView::AllEditTriggers : QAbstractItemView::NoEditTriggers);
    modus->setText(text(m_editMode ? "12" : "11") + QStringLiteral("-MODUS"));
    waehlenButton->setEnabled(!m_editMode);
    sichernButton->setEnabled(m_editMode);
}

void PhoneBookWindow::selectRow(int row)
{
    // Numbers edited in edit mode count only after switching back to dial mode.
    if (m_editMode || row < 0) return;
    const QTableWidgetItem *number = grid->item(row, 1);
    m_selectedNumber = number ? number->text() : QString();
    nummer->setText(m_selectedNumber);
}

void PhoneBookWindow::cellChanged(int row)
{
    // Keep one empty row below the last entry for a new one.
    if (row == grid->rowCount() - 1) {
        const QSignalBlocker quiet(grid);
        grid->insertRow(grid->rowCount());
    }
}

void PhoneBookWindow::showMessage(const QString &text)
{
    meldung->setText(text);
    meldung->setVisible(!text.isEmpty());
}

}  // namespace comlink
