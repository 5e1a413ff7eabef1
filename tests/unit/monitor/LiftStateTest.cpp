#include "monitor/LiftState.h"

#include "core/IniFile.h"

#include <gtest/gtest.h>

using namespace monitor;

namespace {

MonitorTextLists smallLists()
{
    core::IniFile language;
    language.parse(QStringLiteral("[unit42_0]\nNormal=\nInspektion=\nRückholung=\nBrandfall=\n"
                                  "[unit42_3]\nGeschlossen=\nNotendschalter=\nSchachttür Offen=\n"
                                  "[unit42_5]\nNormal=\nFernabschaltung=\nLSU=\nStörmeldezeit abgelaufen=\n"));
    return MonitorTextLists::fromLanguage(language);
}

}  // namespace

TEST(LiftState, ListsAreTheEntryNamesInFileOrder)
{
    const MonitorTextLists lists = smallLists();
    EXPECT_EQ(lists.states, QStringList({"Normal", "Inspektion", "Rückholung", "Brandfall"}));
    EXPECT_EQ(lists.safety.value(2), "Schachttür Offen");
    EXPECT_EQ(lists.faults.size(), 4);
}

TEST(LiftState, DescribeMonitorByteForEveryIndex)
{
    const MonitorTextLists lists = smallLists();
    const struct { int index; int value; const char *text; } cases[] = {
        // State 0x2B: index 3, upward, address locked.
        {0, 0x2B, "Zustand=brandfall, Richtung-AUF, Adr-gesperrt"},
        {0, 0x00, "Zustand=normal, keine Richtung, Adr-frei"},
        {0, 0x51, "Zustand=inspektion, Richtung-AB, Adr-frei"},  // bit 6 is not described
        {0, 0x18, "Zustand=normal, Adr-frei"},                   // direction 24: no text
        {0, 0x07, "Zustand=[7], keine Richtung, Adr-frei"},      // list too short
        {1, 12, "Standetage=12"},
        {2, 255, "Zieletage=255"},  // no target
        {3, 2, "Sicherheitskreis: schachttür offen"},
        {3, 11, "Sicherheitskreis: [11]"},
        // Doors 0x16: A closing, B opening, drive upward.
        {4, 0x16, "Tür.A-fährt-zu, Tür.B-fährt-auf, Antrieb-AUF"},
        {4, 0x00, "Tür.A-ist-zu, Tür.B-ist-zu, Antrieb-ist-aus"},
        {4, 0x6D, "Tür.A-fährt-auf, Tür.B-ist-auf, Antrieb-AB, Vollast!"},
        {4, 0x73, "Tür.A-ist-auf, Tür.B-ist-zu, Vollast!"},  // drive 48: no text
        {5, 0x00, "keine Störung"},
        {5, 0x08, "keine Störung"},  // only bits 0-2 count
        {5, 0x03, "Störung: störmeldezeit abgelaufen"},
        {5, 0x0F, "Störung: [7]"},
        {6, 0x01, ""},
        {-1, 0x01, ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(describeMonitorByte(lists, c.index, quint8(c.value)), QString::fromUtf8(c.text))
            << "index " << c.index << " value " << c.value;
}

TEST(LiftState, OperatingModeTextsAndColours)
{
    EXPECT_EQ(operatingMode(0).text, "Normal");
    EXPECT_FALSE(operatingMode(0).alarm || operatingMode(0).warning);
    EXPECT_EQ(operatingMode(8).text, "Normal");  // byte 6 = 8 is code 0
    EXPECT_TRUE(operatingMode(1).warning);
    EXPECT_TRUE(operatingMode(6).warning);
    for (int code : {2, 3, 4, 5, 7}) EXPECT_TRUE(operatingMode(code).alarm) << code;
    EXPECT_EQ(operatingMode(5).text, QString::fromUtf8("Riegelstörung"));
}

// The delivered language entries: enough texts for every value, and the fault list's labels.
TEST(LiftState, DeliveredLanguageEntriesCoverEveryValue)
{
    core::IniFile language;
    ASSERT_TRUE(language.load(QStringLiteral(HALTRON_DATA_DIR "/haltron_de.lng")));
    const MonitorTextLists lists = MonitorTextLists::fromLanguage(language);
    EXPECT_EQ(lists.states.size(), 8);
    EXPECT_EQ(lists.safety.size(), 11);
    EXPECT_EQ(lists.faults.size(), 8);
    for (const QString &key : {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")})
        EXPECT_FALSE(language.readString(QStringLiteral("unit45"), key).isEmpty()) << ::testing::PrintToString(key);
    for (int v = 0; v < 256; ++v)
        for (int index = 0; index < 6; ++index) {
            if (index == 3 && v > 10) continue;  // safety values above 10 have no text
            EXPECT_FALSE(describeMonitorByte(lists, index, quint8(v)).contains('[')) << index << " " << v;
        }
}

TEST(LiftStateView, DecodesTheBlockForTheScreen)
{
    const monitor::MonitorTextLists texts{{"normal", "s1", "s2", "Steuerung aus"}, {"zu", "offen"}, {"ok"}};
    // State 0x2B: index 3, upward, address locked; doors 0x16; safety 11 ignored; mode 8 is code 0.
    const auto v = monitor::decodeLiftState(texts, QByteArray::fromHex("F62B0407" "0B" "16" "08"));
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->stateIndex, 3);
    EXPECT_EQ(v->stateText, QStringLiteral("Steuerung aus"));
    EXPECT_EQ(v->directionPicture, 2);
    EXPECT_TRUE(v->addressLocked);
    EXPECT_FALSE(v->indicator);
    EXPECT_EQ(v->floor, 4);
    EXPECT_EQ(v->target, 7);
    EXPECT_EQ(v->safety, -1);
    EXPECT_EQ(v->doorA, 1);  // closing
    EXPECT_EQ(v->doorB, 2);  // opening
    EXPECT_EQ(v->travelBits, 16);
    EXPECT_EQ(v->mode.text, QStringLiteral("Normal"));
    EXPECT_FALSE(v->remoteSwitchOff);

    struct { quint8 state; int picture; } directions[] = {{0x00, 0}, {0x10, 1}, {0x18, -1}};
    for (const auto &d : directions)
        EXPECT_EQ(monitor::decodeLiftState(texts, QByteArray::fromHex("F6") + char(d.state))->directionPicture, d.picture);
    EXPECT_FALSE(monitor::decodeLiftState(texts, QByteArray::fromHex("00")).has_value());
    EXPECT_FALSE(monitor::decodeLiftState(texts, QByteArray()).has_value());
    const auto shortBlock = monitor::decodeLiftState(texts, QByteArray::fromHex("F640"));
    EXPECT_TRUE(shortBlock->indicator);
    EXPECT_EQ(shortBlock->target, 255);
}

TEST(LiftStateView, AckLampsAndCallTelegram)
{
    EXPECT_TRUE(monitor::decodeAckLamps(QByteArray::fromHex("00FF")).isEmpty());
    const auto lamps = monitor::decodeAckLamps(QByteArray::fromHex("F900" "21"));  // floor 0: A up, B car call
    ASSERT_EQ(lamps.size(), 48);
    QList<int> registered;
    for (const auto &l : lamps)
        if (!l.enabled) registered << l.floor * 100 + l.side * 10 + l.which;
    EXPECT_EQ(registered, (QList<int>{1, 12}));
    EXPECT_EQ(monitor::callTelegram(5, 1, 1), QByteArray::fromHex("F5551E010501"));
}
