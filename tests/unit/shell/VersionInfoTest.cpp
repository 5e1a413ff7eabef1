#include "ShellTestSupport.h"

#include "shell/VersionInfo.h"

class VersionInfoTest : public ShellFixture {};

TEST_F(VersionInfoTest, TwelveLinesWithTitleFromPrefixAndVersion)
{
    write(QStringLiteral("data/faults.txt"), QStringLiteral("[Id]\nversion=2.3\n"));
    write(QStringLiteral("data/de.lng"), QStringLiteral("[Id]\nversion=1.7\n"));
    write(QStringLiteral("program"), QStringLiteral("x"));
    startWith(QStringLiteral("[files]\nbase=/b\nDataDir=data\nSystemDir=data\nFilesDir=$(BASE)/f\nlanguage=de.lng\n"
                             "[Files]\nFehler=faults.txt\n"
                             "[Version Info Keys]\nFileVersion=1.6.1.0\nComments=Frühjahr\nFileDescription=Service\n"));
    const auto info = shell::buildVersionInfo(*config, path(QStringLiteral("program")), QStringLiteral("4.2"));
    EXPECT_EQ(info.title, QStringLiteral("Haltron-1.6"));
    const QString today = QFileInfo(path(QStringLiteral("program"))).lastModified().toString(QStringLiteral("dd.MM.yyyy"));
    EXPECT_EQ(info.lines, (QStringList{
        QStringLiteral(" Haltron-1.6"),
        QStringLiteral("              Service"),
        QStringLiteral(" fileversion: 1.6.1.0"),
        QStringLiteral(" filedate   : ") + today,
        QStringLiteral(" release    : Frühjahr"),
        QStringLiteral(" base       : /b"),
        QStringLiteral(" files      : /b/f"),
        QStringLiteral(" data       : ") + path(QStringLiteral("data")),
        QStringLiteral(" system     : ") + path(QStringLiteral("data")),
        QStringLiteral(" sysmod     : 4.2"),
        QStringLiteral(" sprache    : 1.7"),
        QStringLiteral(" fehler     : 2.3"),
    }));
}

TEST_F(VersionInfoTest, MissingFilesLeaveTheirLinesAtTheLabel)
{
    startWith(QStringLiteral("[machine]\nname=Lift-\n[Version Info Keys]\nFileVersion=2\n"));
    const auto info = shell::buildVersionInfo(*config, path(QStringLiteral("nothing")), QStringLiteral("??"));
    EXPECT_EQ(info.title, QStringLiteral("Lift-2"));
    EXPECT_EQ(info.lines.value(10), QStringLiteral(" sprache    : version"));
    EXPECT_EQ(info.lines.value(11), QStringLiteral(" fehler     : "));
    EXPECT_EQ(info.lines.value(3), QStringLiteral(" filedate   : "));
}
