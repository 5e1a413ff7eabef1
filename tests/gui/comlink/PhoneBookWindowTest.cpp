#include "comlink/PhoneBookWindow.h"

#include "TestApp.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using comlink::PhoneBookWindow;

namespace {

QByteArray fileBytes(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct PhoneBookWindowTest : ::testing::Test {
    static void SetUpTestSuite() { testsupport::testApp<QApplication>(); }

    PhoneBookWindowTest()
    {
        file = dir.filePath("telefonbuch.txt");
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.write("Musterhaus(0301234567)\r\nKlinikum Nord(08912345678)\r\n");
        f.close();
        main.setGeometry(100, 50, 800, 600);
        book = new PhoneBookWindow(&main);
        book->setFileName(file);
        book->today = [] { return QDate(2026, 12, 10); };
    }
    ~PhoneBookWindowTest() override { delete book; }

    QString cell(int row, int col) const
    {
        const QTableWidgetItem *item = book->grid()->item(row, col);
        return item ? item->text() : QString();
    }
    void clickCell(int row, int col)
    {
        const QRect rect = book->grid()->visualItemRect(book->grid()->item(row, col));
        QTest::mouseClick(book->grid()->viewport(), Qt::LeftButton, {}, rect.center());
    }
    void editCell(int row, int col, const QString &text) { book->grid()->item(row, col)->setText(text); }

    QTemporaryDir dir;
    QString file;
    QWidget main;
    PhoneBookWindow *book = nullptr;
};

TEST_F(PhoneBookWindowTest, ShowsTheFileInDialModeAndPicksTheNumber)
{
    book->show();
    EXPECT_EQ(book->windowTitle(), "TelefonBuch");
    EXPECT_EQ(book->modeLabel()->text(), "WAHL-MODUS");
    EXPECT_EQ(cell(0, 0), "Musterhaus");
    EXPECT_EQ(cell(1, 1), "08912345678");
    EXPECT_EQ(book->numberField()->text(), "0301234567") << "the first entry is selected";
    EXPECT_EQ(book->selectedNumber(), "0301234567");
    EXPECT_TRUE(book->dialButton()->isEnabled());
    EXPECT_FALSE(book->saveButton()->isEnabled());
    EXPECT_EQ(book->pos(), main.geometry().topLeft() + QPoint(285, 85));

    clickCell(1, 0);
    EXPECT_EQ(book->selectedNumber(), "08912345678");
    QTest::mouseClick(book->dialButton(), Qt::LeftButton);
    EXPECT_EQ(book->result(), QDialog::Accepted);
}

TEST_F(PhoneBookWindowTest, EditModeSavesAndTheNextShowReloads)
{
    book->show();
    QTest::mouseClick(book->editButton(), Qt::LeftButton);
    EXPECT_EQ(book->modeLabel()->text(), "EDIT-MODUS");
    EXPECT_FALSE(book->dialButton()->isEnabled());
    EXPECT_TRUE(book->saveButton()->isEnabled());

    editCell(1, 1, "089999");
    clickCell(1, 1);
    EXPECT_EQ(book->selectedNumber(), "0301234567") << "edits do not pick numbers";
    editCell(2, 0, "Neubau");
    editCell(2, 1, "0711");
    QTest::mouseClick(book->saveButton(), Qt::LeftButton);
    EXPECT_TRUE(book->messageLabel()->text().isEmpty());
    EXPECT_EQ(fileBytes(file), "Musterhaus(0301234567)\r\nKlinikum Nord(089999)\r\nNeubau(0711)\r\n");

    book->hide();
    book->show();
    EXPECT_EQ(book->modeLabel()->text(), "WAHL-MODUS");
    EXPECT_EQ(cell(2, 0), "Neubau");
}

TEST_F(PhoneBookWindowTest, RefusedSaveShowsWhyAndKeepsTheFile)
{
    book->show();
    QTest::mouseClick(book->editButton(), Qt::LeftButton);
    editCell(0, 0, "Musterhaus (alt)");
    QTest::mouseClick(book->saveButton(), Qt::LeftButton);
    EXPECT_TRUE(book->messageLabel()->text().startsWith("Zeile 1:")) << book->messageLabel()->text().toStdString();
    EXPECT_EQ(fileBytes(file), "Musterhaus(0301234567)\r\nKlinikum Nord(08912345678)\r\n");
    EXPECT_EQ(cell(0, 0), "Musterhaus (alt)") << "the user's edit stays for correction";
}

TEST_F(PhoneBookWindowTest, MissingFileIsCreatedAndTextsComeFromTheLanguageFile)
{
    QFile::remove(file);
    book->languageText = [](const QString &section, const QString &ident) {
        if (section == "monitor_49" && ident == "10") return QString("Neu am ");
        if (section == "monitor_49" && ident == "16") return QString("Wählen!");
        return ident;  // missing entries come back as their ident
    };
    book->show();
    EXPECT_EQ(cell(0, 0), "Neu am 10.12.2026 ");
    EXPECT_EQ(cell(0, 1), "");
    EXPECT_FALSE(cell(1, 0).isEmpty());
    EXPECT_EQ(book->dialButton()->text(), "Wählen!");
    EXPECT_EQ(book->saveButton()->text(), "Sichern");
    EXPECT_TRUE(fileBytes(file).startsWith("Neu am 10.12.2026 ()\r\n"));
}

}  // namespace
