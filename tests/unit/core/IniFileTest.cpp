#include "core/IniFile.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using core::IniFile;

TEST(IniFile, NamesMatchWithoutCaseAndKeysKeepFileOrder)
{
    IniFile ini;
    ini.parse("[Files]\nbase=/opt/h\nDataDir = $(BASE)/data \n; comment\n[logfiles]\nreports=0101;x\nzeta=1\nalpha=2\n");
    EXPECT_EQ(ini.readString("files", "BASE"), "/opt/h");
    EXPECT_EQ(ini.readString("FILES", "datadir"), "$(BASE)/data");
    EXPECT_EQ(ini.readString("Logfiles", "reports"), "0101;x");  // ';' inside a value is kept
    EXPECT_EQ(ini.keys("logfiles"), (QStringList{"reports", "zeta", "alpha"}));
    EXPECT_EQ(ini.readString("logfiles", "missing", "?"), "?");
    EXPECT_EQ(ini.readString("nosection", "x", "d"), "d");
}

TEST(IniFile, IntegersAndBooleansFallBackToDefaults)
{
    IniFile ini;
    ini.parse("[comport]\nport=2\nbad=x2\nhex=$1F\n[a]\nflag=0\n");
    EXPECT_EQ(ini.readInteger("comport", "port", 1), 2);
    EXPECT_EQ(ini.readInteger("comport", "bad", 7), 7);
    EXPECT_EQ(ini.readInteger("comport", "hex", 0), 31);
    EXPECT_EQ(ini.readInteger("comport", "none", 1), 1);
    EXPECT_FALSE(ini.readBool("a", "flag", true));
    EXPECT_TRUE(ini.readBool("a", "none", true));
}

TEST(IniFile, MissingFileIsEmptyAndRepeatedSectionsMerge)
{
    IniFile missing(QStringLiteral("/nonexistent/haltron.ini"));
    EXPECT_TRUE(missing.sections().isEmpty());

    IniFile ini;
    ini.parse("[a]\nx=1\n[A]\ny=2\nx=3\n");
    EXPECT_EQ(ini.sections(), QStringList{"a"});
    EXPECT_EQ(ini.readString("a", "x"), "3");
    EXPECT_EQ(ini.readString("a", "y"), "2");
}

TEST(IniFile, AnEndlessDeviceIsRefusedNotReadOn)
{
    IniFile ini;
    ini.parse("[a]\nx=1\n");
    EXPECT_FALSE(ini.load(QStringLiteral("/dev/zero")));
    EXPECT_TRUE(ini.sections().isEmpty());
}

TEST(IniFile, SaveAndLoadRoundTripUtf8)
{
    QTemporaryDir dir;
    const QString name = dir.filePath("t.ini");
    IniFile ini;
    ini.writeString("main", "32", QStringLiteral("nicht verbunden – Größe"));
    ASSERT_TRUE(ini.save(name));
    IniFile back(name);
    EXPECT_EQ(back.readString("MAIN", "32"), QStringLiteral("nicht verbunden – Größe"));
}
