#include "monitor/FaultRecord.h"

#include "core/Bytes.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using core::bytes;
using namespace monitor;

namespace {

// Category 0, fault 12, value 3, 05.03.07 (day 2621), 13:45:10 (code 24755).
const QByteArray exampleRecord = bytes({0xF7, 0x00, 0x0C, 0x03, 0x3D, 0x0A, 0xB3, 0x60});

struct FaultTexts : ::testing::Test {
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QFile file(dir.filePath("fehler.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[MN]\n012=Türkontakt überbrückt\n[GST]\n005=Gruppe ohne Antwort\n");
    }
    QString fileName() const { return dir.filePath("fehler.txt"); }
    QTemporaryDir dir;
};

}  // namespace

TEST(FaultRecord, CategoryNames)
{
    const struct { int code; const char *name; } known[] = {
        {0, "MN"}, {1, "ED"}, {2, "RD"}, {3, "IP"}, {4, "KB"},
        {5, "TA"}, {6, "BG"}, {7, "NC"}, {16, "GST"}, {30, "KOP/INFO[30]"},
    };
    for (const auto &k : known)
        EXPECT_EQ(faultCategoryName(bytes({0xF7, k.code, 0x41, 0x42})), k.name) << k.code;
    // Any other code: the three characters of bytes 1 to 3, control characters included.
    EXPECT_EQ(faultCategoryName(bytes({0xF7, 0x09, 0x41, 0x42})), QStringLiteral("\tAB"));
    EXPECT_EQ(faultCategoryName(bytes({0xF7, 0x58, 0x59})), QString(QStringLiteral("XY")) + QChar(0));
    EXPECT_EQ(faultCategoryName(bytes({0xF7, 0xC4, 0x20, 0x20})), QString::fromLatin1("\xC4  "));
}

TEST_F(FaultTexts, ExampleLineNumbered017)
{
    FaultTextFile texts(fileName());
    EXPECT_EQ(faultListLine(exampleRecord, 17, texts),
              QString::fromUtf8(" 017 : MN-.012 (003)  13:45:10  05.03.07   Türkontakt überbrückt"));
    EXPECT_EQ(faultEntryText(exampleRecord, texts), QString::fromUtf8("MN-.012 (003) TÜRKONTAKT ÜBERBRÜCKT"));

    const FaultRecordText parts = formatFaultRecord(bytes({0xF7, 16, 5, 0, 0x3D, 0x0A, 0, 0}), texts);
    EXPECT_EQ(parts.head, "GST-.005 (000) ");
    EXPECT_EQ(parts.timeStamp, " 00:00:00  05.03.07");
    EXPECT_EQ(parts.description, "Gruppe ohne Antwort");
}

TEST_F(FaultTexts, MissingDescriptionEndsAfterTheBlanks)
{
    FaultTextFile texts(fileName());
    const QByteArray other = bytes({0xF7, 0x01, 0xFF, 0xFF, 0x01, 0x00, 0xFF, 0xFF});
    EXPECT_EQ(faultListLine(other, 1234, texts), " 1234 : ED-.255 (255)  36:24:30  01.01.00   ");
    EXPECT_EQ(faultEntryText(other, texts), "ED-.255 (255) ");

    FaultTextFile missingFile(dir.filePath("nowhere.txt"));
    EXPECT_EQ(faultListLine(exampleRecord, 1, missingFile), " 001 : MN-.012 (003)  13:45:10  05.03.07   ");
}

TEST_F(FaultTexts, FileIsReadOnceOnFirstUse)
{
    FaultTextFile texts(fileName());
    EXPECT_EQ(texts.description("MN", 12), QString::fromUtf8("Türkontakt überbrückt"));
    QFile::remove(fileName());
    EXPECT_EQ(texts.description("GST", 5), "Gruppe ohne Antwort");
}

TEST(FaultRecord, AnswersThatAreNoRecords)
{
    FaultTextFile none;
    const QByteArray bad[] = {
        bytes({0xF4, 0x00, 0x0C, 0x03, 0x3D, 0x0A, 0xB3, 0x60}),  // wrong marker
        bytes({0xF7, 0x00, 0x0C}),                                // short
        QByteArray(8, '\0'),                                      // zero-filled after a time-out
        QByteArray(),
    };
    for (const QByteArray &answer : bad) {
        EXPECT_EQ(faultListLine(answer, 5, none), "error") << ::testing::PrintToString(answer);
        EXPECT_EQ(faultEntryText(answer, none), "LeseFehler") << ::testing::PrintToString(answer);
    }
    // A long answer is a record all the same; the extra bytes are not read.
    EXPECT_EQ(faultListLine(exampleRecord + QByteArray(40, 'x'), 2, none),
              " 002 : MN-.012 (003)  13:45:10  05.03.07   ");
}
