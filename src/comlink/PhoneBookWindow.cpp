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

const QString Section = QStringLiteral("monitor_49");
constexpr int VisibleRows = 24;  // the grid's first page; longer books scroll

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

    m_grid = new QTableWidget(0, 2, this);
    m_grid->horizontalHeader()->hide();
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setDefaultSectionSize(20);
    m_grid->setColumnWidth(0, 262);
    m_grid->setColumnWidth(1, 139);
    m_grid->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setMinimumSize(262 + 139 + 24, 25 * 20);

    m_modeLabel = new QLabel(this);
    m_promptLabel = new QLabel(this);
    m_numberField = new QLineEdit(this);
    m_messageLabel = new QLabel(this);
    m_messageLabel->setWordWrap(true);
    m_messageLabel->setStyleSheet(QStringLiteral("color: #FF0000"));
    m_cancelButton = new QPushButton(this);
    m_saveButton = new QPushButton(this);
    m_dialButton = new QPushButton(this);
    m_editButton = new QPushButton(this);
    m_saveButton->setEnabled(false);
    m_dialButton->setEnabled(false);
    m_editButton->setEnabled(false);
    m_dialButton->setDefault(true);

    auto *layout = new QGridLayout(this);
    layout->addWidget(m_modeLabel, 0, 0, 1, 4);
    layout->addWidget(m_grid, 1, 0, 1, 4);
    layout->addWidget(m_promptLabel, 2, 0);
    layout->addWidget(m_numberField, 2, 1, 1, 3);
    layout->addWidget(m_messageLabel, 3, 0, 1, 4);
    layout->addWidget(m_dialButton, 4, 0);
    layout->addWidget(m_editButton, 4, 1);
    layout->addWidget(m_saveButton, 4, 2);
    layout->addWidget(m_cancelButton, 4, 3);

    connect(m_dialButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_saveButton, &QPushButton::clicked, this, &PhoneBookWindow::savePhoneBook);
    connect(m_editButton, &QPushButton::clicked, this, &PhoneBookWindow::toggleEditMode);
    connect(m_grid, &QTableWidget::currentCellChanged, this, [this](int row) { selectRow(row); });
    connect(m_grid, &QTableWidget::cellClicked, this, [this](int row) { selectRow(row); });
    connect(m_grid, &QTableWidget::cellChanged, this, [this](int row) { cellChanged(row); });

    applyTexts();
    placeBesideMainWindow();
}

QString PhoneBookWindow::text(const QString &ident) const
{
    // A missing language entry comes back as its ident; show the default instead.
    const QString text = languageText ? languageText(Section, ident) : QString();
    return text.isEmpty() || text == ident ? defaultText(ident) : text;
}

void PhoneBookWindow::applyTexts()
{
    m_promptLabel->setText(text("13"));
    m_cancelButton->setText(text("14"));
    m_saveButton->setText(text("15"));
    m_dialButton->setText(text("16"));
    m_editButton->setText(text("17"));
    const auto reasonText = [this](const QString &section, int number) {
        return languageText ? languageText(section, QString::number(number)) : QString();
    };
    m_book.setTexts({text("18"), text("19"), text("20"), text("21"), core::WriteFaultTexts::fromLanguage(reasonText)});
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
    m_dialButton->setEnabled(true);
    m_editButton->setEnabled(true);
    m_grid->setCurrentCell(0, 0);
    selectRow(0);
}

void PhoneBookWindow::showEntries(const QList<PhoneEntry> &entries)
{
    const QSignalBlocker quiet(m_grid);
    m_grid->clearContents();
    m_grid->setRowCount(qMax(VisibleRows, int(entries.size()) + 1));
    for (int r = 0; r < m_grid->rowCount(); ++r) {
        const PhoneEntry entry = r < entries.size() ? entries[r] : PhoneEntry();
        m_grid->setItem(r, 0, new QTableWidgetItem(entry.name));
        m_grid->setItem(r, 1, new QTableWidgetItem(entry.number));
    }
}

QList<PhoneEntry> PhoneBookWindow::gridRows() const
{
    QList<PhoneEntry> rows;
    for (int r = 0; r < m_grid->rowCount(); ++r) {
        const QTableWidgetItem *name = m_grid->item(r, 0);
        const QTableWidgetItem *number = m_grid->item(r, 1);
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
    m_grid->setEditTriggers(m_editMode ? QAbstractItemView::AllEditTriggers : QAbstractItemView::NoEditTriggers);
    m_modeLabel->setText(text(m_editMode ? "12" : "11") + QStringLiteral("-MODUS"));
    m_dialButton->setEnabled(!m_editMode);
    m_saveButton->setEnabled(m_editMode);
}

void PhoneBookWindow::selectRow(int row)
{
    // Numbers edited in edit mode count only after switching back to dial mode.
    if (m_editMode || row < 0) return;
    const QTableWidgetItem *number = m_grid->item(row, 1);
    m_selectedNumber = number ? number->text() : QString();
    m_numberField->setText(m_selectedNumber);
}

void PhoneBookWindow::cellChanged(int row)
{
    // Keep one empty row below the last entry for a new one.
    if (row == m_grid->rowCount() - 1) {
        const QSignalBlocker quiet(m_grid);
        m_grid->insertRow(m_grid->rowCount());
    }
}

void PhoneBookWindow::showMessage(const QString &text)
{
    m_messageLabel->setText(text);
    m_messageLabel->setVisible(!text.isEmpty());
}

}  // namespace comlink
