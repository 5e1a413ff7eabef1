#include "comlink/PhoneBook.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using comlink::PhoneBook;
using comlink::PhoneEntry;

namespace {

QByteArray fileBytes(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeBytes(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

struct PhoneBookTest : ::testing::Test {
    QString path(const QString &name) const { return dir.filePath(name); }
    QTemporaryDir dir;
    PhoneBook book;
    const QDate today{2026, 12, 10};
};

TEST(PhoneBookLine, SplitsNameAndNumber)
{
    struct Case { QString line, name, number; };
    const Case cases[] = {
        {"Musterhaus(0301234567)", "Musterhaus", "0301234567"},
        {"ohne Klammer", "", "ohne Klammer"},
        {"offen(123", "offen", "123"},
        {"zwei(1)(2)", "zwei", "1"},
        {"zu)früh(5)", "zu)früh", "5"},
        {"(nur Nummer)", "", "nur Nummer"},
        {"leer()", "leer", ""},
        {"", "", ""},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(PhoneBook::parseLine(c.line), (PhoneEntry{c.name, c.number})) << c.line.toStdString();
        EXPECT_EQ(PhoneBook::extractNumber(c.line), c.number);
    }
}

TEST_F(PhoneBookTest, MissingFileIsCreatedWithTwoDefaultEntries)
{
    const QString name = path("neu.txt");
    EXPECT_EQ(book.loadPhoneBook(name, "TelefonBuch vom ", today), "");
    ASSERT_EQ(book.entries().size(), 2);
    EXPECT_EQ(book.entries()[0], (PhoneEntry{"TelefonBuch vom 10.12.2026 ", ""}));
    EXPECT_FALSE(book.entries()[1].number.isEmpty());
    EXPECT_TRUE(fileBytes(name).startsWith("TelefonBuch vom 10.12.2026 ()\r\n"));
    EXPECT_TRUE(fileBytes(name).endsWith(")\r\n"));
}

TEST_F(PhoneBookTest, SaveAndReloadKeepEveryNamedEntry)
{
    const QString name = path("buch.txt");
    const QList<PhoneEntry> rows = {
        {"Bürohaus Seeblick", "07531 987654"},
        {"", "0815"},  // no name: dropped
        {"ohne Nummer", ""},
        {"", ""},
    };
    ASSERT_EQ(book.savePhoneBook(name, rows), "");
    EXPECT_EQ(fileBytes(name), QString("Bürohaus Seeblick(07531 987654)\r\nohne Nummer()\r\n").toUtf8());
    PhoneBook again;
    ASSERT_EQ(again.loadPhoneBook(name, "x", today), "");
    EXPECT_EQ(again.entries(), (QList<PhoneEntry>{rows[0], rows[2]}));
}

TEST_F(PhoneBookTest, ReadsLfEndingsAndLinesWithoutParentheses)
{
    const QString name = path("lf.txt");
    writeBytes(name, "A(1)\nnur text\n\nB(2)");
    ASSERT_EQ(book.loadPhoneBook(name, "x", today), "");
    EXPECT_EQ(book.entries(), (QList<PhoneEntry>{{"A", "1"}, {"", "nur text"}, {"", ""}, {"B", "2"}}));
}

TEST_F(PhoneBookTest, RefusesTextsThatWouldNotSurviveTheFile)
{
    const QString name = path("buch.txt");
    writeBytes(name, "Alt(1)\r\n");
    const QList<PhoneEntry> bad[] = {
        {{"Gut", "2"}, {"Haus (Nord)", "3"}},
        {{"Gut", "2"}, {"Haus", "(3)"}},
        {{"Haus)", "3"}},
        {{"Zeile\numbruch", "3"}},
    };
    for (const auto &rows : bad) {
        const QString error = book.savePhoneBook(name, rows);
        EXPECT_TRUE(error.contains("nicht erlaubt")) << error.toStdString();
        EXPECT_EQ(fileBytes(name), "Alt(1)\r\n") << "nothing written";
    }
    EXPECT_TRUE(book.savePhoneBook(name, bad[0]).startsWith("Zeile 2:"));
    // A row without a name is dropped anyway, whatever its number holds.
    EXPECT_EQ(book.savePhoneBook(name, {{"", "(x)"}, {"Neu", "4"}}), "");
    EXPECT_EQ(fileBytes(name), "Neu(4)\r\n");
}

TEST_F(PhoneBookTest, FailedWriteKeepsTheOldFile)
{
    // A name so long that the temporary file beside it cannot be created.
    const QString name = path(QString(250, u'n'));
    writeBytes(name, "Alt(1)\r\n");
    ASSERT_EQ(book.loadPhoneBook(name, "x", today), "");
    const QString error = book.savePhoneBook(name, {{"Neu", "2"}});
    EXPECT_TRUE(error.contains("nicht gespeichert")) << error.toStdString();
    EXPECT_EQ(fileBytes(name), "Alt(1)\r\n");
    EXPECT_EQ(book.entries(), (QList<PhoneEntry>{{"Alt", "1"}})) << "entries as last read";
}

TEST_F(PhoneBookTest, FailedReadKeepsTheEntries)
{
    const QString good = path("buch.txt");
    writeBytes(good, "A(1)\r\n");
    ASSERT_EQ(book.loadPhoneBook(good, "x", today), "");
    QDir(dir.path()).mkdir("ordner");
    writeBytes(path("gross.txt"), QByteArray(PhoneBook::MaxFileSize + 1, 'x'));
    for (const QString &bad : {path("ordner"), path("gross.txt"), path("fehlt/buch.txt"), QString()}) {
        EXPECT_FALSE(book.loadPhoneBook(bad, "x", today).isEmpty()) << bad.toStdString();
        EXPECT_EQ(book.entries(), (QList<PhoneEntry>{{"A", "1"}}));
    }
}

}  // namespace
