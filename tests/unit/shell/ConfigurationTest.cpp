#include "ShellTestSupport.h"

using shell::Configuration;

namespace {

struct SwitchCase {
    QStringList params;
    const char *switchText;
    const char *expected;
};

}  // namespace

class ConfigurationTest : public ShellFixture {};

TEST_F(ConfigurationTest, ParamValueMatchesSwitchAtStartOfParameterFromTheFirstOn)
{
    const SwitchCase cases[] = {
        {{"/batch"}, "/b", "atch"},
        {{"/Batch"}, "/b", ""},
        {{"/batchx"}, "/b", "atchx"},
        {{"/bx", "/batch"}, "/b", "x"},                   // the first match decides
        {{"/f=/var/log/batch.log", "/batch"}, "/b", "atch"},  // a path value does not count
        {{"/t=0815", "/c=Wartung Mai"}, "/c=", "Wartung Mai"},
        {{"/m=hpz"}, "/i=", ""},
        {{}, "/b", ""},
        {{"/i="}, "/i=", ""},
    };
    for (const auto &c : cases) {
        const Configuration &cfg = start(c.params);
        EXPECT_EQ(cfg.paramValue(QLatin1String(c.switchText)), QLatin1String(c.expected))
            << c.params.join(' ').toStdString() << " " << c.switchText;
    }
}

TEST_F(ConfigurationTest, ParamValueIgnoresTheProgramPathAndCutsLongValues)
{
    config = std::make_unique<Configuration>(time, reports);
    const QString longValue(300, QLatin1Char('x'));
    config->initConfiguration({{QStringLiteral("/bin/haltron"), QStringLiteral("/c=") + longValue}, tmp.path(), {}, {}});
    EXPECT_EQ(config->paramValue(QStringLiteral("/b")), QString());
    EXPECT_EQ(config->paramValue(QStringLiteral("/c=")).size(), 255);
}

TEST_F(ConfigurationTest, IniFileIsLookedForInWorkingDirThenUserConfigThenDelivered)
{
    write(QStringLiteral("delivered/haltron.ini"), QStringLiteral("[machine]\ntype=delivered\n"));
    const QString delivered = path(QStringLiteral("delivered/haltron.ini"));

    EXPECT_EQ(start({}, delivered).iniFileName(), delivered);
    write(QStringLiteral("home/.config/haltron/haltron.ini"), QStringLiteral("[machine]\ntype=home\n"));
    EXPECT_EQ(start({}, delivered).iniFileName(), path(QStringLiteral("home/.config/haltron/haltron.ini")));
    write(QStringLiteral("haltron.ini"), QStringLiteral("[machine]\ntype=work\n"));
    const Configuration &cfg = start({}, delivered);
    EXPECT_EQ(cfg.iniFileName(), path(QStringLiteral("haltron.ini")));
    EXPECT_EQ(cfg.iniMachine(), QStringLiteral("WORK"));
}

TEST_F(ConfigurationTest, RelativeIniSwitchIsTakenFromWorkingDir)
{
    write(QStringLiteral("sub/my.ini"), QStringLiteral("[machine]\ntype=hpz\n"));
    const Configuration &cfg = start({QStringLiteral("/i=sub/my.ini")});
    EXPECT_TRUE(cfg.iniOk());
    EXPECT_EQ(cfg.iniFileName(), path(QStringLiteral("sub/my.ini")));
}

TEST_F(ConfigurationTest, WithoutIniEverythingIsEmptyAndTheSearchIsNamed)
{
    write(QStringLiteral("haltron.ini"), QStringLiteral("[machine]\ntype=HPZ\n"));
    const Configuration &cfg = start({QStringLiteral("/i=missing.ini")});
    EXPECT_FALSE(cfg.iniOk());
    EXPECT_EQ(cfg.iniFileName(), QString());
    EXPECT_EQ(cfg.searchedIniFiles(), QStringList{path(QStringLiteral("missing.ini"))});
    EXPECT_EQ(cfg.iniMachine(), QString());
    EXPECT_EQ(cfg.dataDir(), QString());
    EXPECT_EQ(cfg.languageText(QStringLiteral("main"), QStringLiteral("32")), QString());
    EXPECT_EQ(cfg.mainLog(), nullptr);
    EXPECT_FALSE(reports.reportWrite);
}

TEST_F(ConfigurationTest, MachineTypeFromSwitchThenKeyThenDefault)
{
    EXPECT_EQ(startWith(QStringLiteral("[machine]\ntype=QRX\n"), {QStringLiteral("/m=hpz")}).iniMachine(), QStringLiteral("HPZ"));
    EXPECT_EQ(startWith(QStringLiteral("[MACHINE]\nTYPE=hpz\n")).iniMachine(), QStringLiteral("HPZ"));
    EXPECT_EQ(startWith(QStringLiteral("[files]\n")).iniMachine(), QStringLiteral("QRX"));
}

TEST_F(ConfigurationTest, BaseIsTheIniFoldersUnlessAbsolute)
{
    write(QStringLiteral("conf/a.ini"), QStringLiteral("[files]\nbase=\nDataDir=$(BASE)/data\n"));
    const Configuration &empty = start({QStringLiteral("/i=conf/a.ini")});
    EXPECT_EQ(empty.baseDir(), path(QStringLiteral("conf")));
    EXPECT_EQ(empty.getDataDir(), path(QStringLiteral("conf/data")));

    write(QStringLiteral("conf/a.ini"), QStringLiteral("[files]\nbase=../shared\nDataDir=$(BASE)\n"));
    EXPECT_EQ(start({QStringLiteral("/i=conf/a.ini")}).baseDir(), path(QStringLiteral("shared")));

    write(QStringLiteral("conf/a.ini"), QStringLiteral("[files]\nbase=/opt/lift\nDataDir=$(BASE)/d\nSystemDir=sys\n"));
    const Configuration &abs = start({QStringLiteral("/i=conf/a.ini")});
    EXPECT_EQ(abs.baseDir(), QStringLiteral("/opt/lift"));
    EXPECT_EQ(abs.getDataDir(), QStringLiteral("/opt/lift/d"));
    // A directory without $(BASE) is taken from the working folder.
    EXPECT_EQ(abs.getSystemDir(), path(QStringLiteral("sys")));
}

TEST_F(ConfigurationTest, ExpandBaseReplacesTheFirstMarkerInAnyCase)
{
    const Configuration &cfg = startWith(QStringLiteral("[files]\nbase=/b\n"));
    EXPECT_EQ(cfg.expandBase(QStringLiteral("$(base)/x")), QStringLiteral("/b/x"));
    EXPECT_EQ(cfg.expandBase(QStringLiteral("$(BASE)/x/$(BASE)")), QStringLiteral("/b/x/$(BASE)"));
    EXPECT_EQ(cfg.expandBase(QStringLiteral("a$(Base)")), QStringLiteral("a/b"));
    EXPECT_EQ(cfg.expandBase(QStringLiteral("/plain/x")), QStringLiteral("/plain/x"));
    EXPECT_EQ(cfg.expandBase(QString()), QString());
}

TEST_F(ConfigurationTest, TestAbsoluteJoinsRelativeNamesToTheDirectory)
{
    const Configuration &cfg = startWith(QStringLiteral("[files]\nbase=/b\n[logfiles]\nmainlogfile=main.log\nreports=1\n"));
    struct { const char *dir, *name, *expected; } cases[] = {
        {"/sys", "lang.ini", "/sys/lang.ini"},
        {"/sys", "/x/lang.ini", "/x/lang.ini"},
        {"/sys", "", "/sys/"},
        {"$(BASE)/sys", "$(base)/y", "/b/y"},
        {"$(BASE)/sys", "z", "/b/sys/z"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(cfg.testAbsolute(QLatin1String(c.dir), QLatin1String(c.name)), QLatin1String(c.expected)) << c.dir << " " << c.name;
    // Without a directory a relative name stays in the working folder, never at the root.
    EXPECT_EQ(cfg.testAbsolute(QString(), QStringLiteral("f.txt")), path(QStringLiteral("f.txt")));
    EXPECT_TRUE(lines(QStringLiteral("main.log")).contains(QStringLiteral("*** TestAbsolute: /sys/lang.ini")));
}

TEST_F(ConfigurationTest, SectionsAndKeysMatchWithoutRegardToCase)
{
    const Configuration &cfg = startWith(QStringLiteral(
        "[FILES]\nDATADIR=/d\nfehler=faults.txt\nTELEFONBUCH=book.txt\n[LOGFILES]\nLogOnFile=logon.log\n[COMPORT]\nPORT=3\n"));
    EXPECT_EQ(cfg.getErrorFile(), QStringLiteral("/d/faults.txt"));
    EXPECT_EQ(cfg.getPhoneBookFile(), QStringLiteral("/d/book.txt"));
    EXPECT_EQ(cfg.getComPort(), 3);
    ASSERT_NE(cfg.logOnLog(), nullptr);
    EXPECT_TRUE(cfg.logOnLog()->open());
}

TEST_F(ConfigurationTest, FileGettersUseTheirDirectoriesAndDefaults)
{
    const Configuration &cfg = startWith(QStringLiteral(
        "[files]\nbase=/b\nSystemDir=$(BASE)/sys\nhelpdir=$(BASE)/help\nFilesDir=$(BASE)/files\n"
        "helpfile=h.html\nDefaultFile=d.smb\nlanguage=de.lng\n"));
    EXPECT_EQ(cfg.getHelpFile(), QStringLiteral("/b/help/h.html"));
    EXPECT_EQ(cfg.getDefaultFile(), QStringLiteral("/b/files/d.smb"));
    EXPECT_EQ(cfg.getSysModFile(), QStringLiteral("/b/sys/sysmod.sys"));
    EXPECT_EQ(cfg.getLanguageFile(), QStringLiteral("/b/sys/de.lng"));
    EXPECT_EQ(cfg.getSysLn(), QStringLiteral("lnd"));
    EXPECT_EQ(cfg.getSysHint(), QStringLiteral("hint"));
    EXPECT_EQ(cfg.getComPort(), 1);
}

TEST_F(ConfigurationTest, ErrorFileNameIsFixedAtTheFirstRequest)
{
    Configuration &cfg = startWith(QStringLiteral("[files]\nDataDir=/d\nFehler=a.txt\n"));
    EXPECT_EQ(cfg.getErrorFile(), QStringLiteral("/d/a.txt"));
    cfg.mainIni().writeString(QStringLiteral("files"), QStringLiteral("Fehler"), QStringLiteral("b.txt"));
    EXPECT_EQ(cfg.getErrorFile(), QStringLiteral("/d/a.txt"));
}

TEST_F(ConfigurationTest, LanguageTextFallsBackToTheIdentAndIsTraced)
{
    write(QStringLiteral("de.lng"), QStringLiteral("[main]\n32=nicht verbunden\n"));
    const Configuration &cfg = startWith(QStringLiteral(
        "[files]\nSystemDir=.\nlanguage=de.lng\n[logfiles]\nmainlogfile=main.log\nreports=1\n"));
    EXPECT_EQ(cfg.languageText(QStringLiteral("MAIN"), QStringLiteral("32")), QStringLiteral("nicht verbunden"));
    EXPECT_EQ(cfg.languageText(QStringLiteral("main"), 99), QStringLiteral("99"));
    EXPECT_EQ(cfg.languageText(QStringLiteral("Id"), QStringLiteral("version")), QStringLiteral("version"));
    EXPECT_TRUE(lines(QStringLiteral("main.log")).contains(QStringLiteral("*** language>[MAIN,32]=nicht verbunden")));

    // No language file, or no name (which leaves only the folder): the ident itself.
    EXPECT_EQ(startWith(QStringLiteral("[files]\n")).languageText(QStringLiteral("main"), QStringLiteral("33")), QStringLiteral("33"));
    EXPECT_EQ(startWith(QStringLiteral("[files]\nSystemDir=.\n")).languageText(QStringLiteral("main"), QStringLiteral("32")), QStringLiteral("32"));
}

TEST_F(ConfigurationTest, DirectoryReportListsTenRightAlignedLabels)
{
    startWith(QStringLiteral("[files]\nbase=/b\nDataDir=$(BASE)/data\n[logfiles]\nmainlogfile=main.log\nreports=1\n"),
              {QStringLiteral("/m=hpz")});
    const QStringList log = lines(QStringLiteral("main.log"));
    const int at = log.indexOf(QStringLiteral("   IniFileName=") + path(QStringLiteral("test.ini")));
    ASSERT_GE(at, 0);
    ASSERT_GE(log.size(), at + 10);
    EXPECT_EQ(log[at + 1], QStringLiteral("   ini_machine=HPZ"));
    EXPECT_EQ(log[at + 2], QStringLiteral("       Helpdir="));
    EXPECT_EQ(log[at + 8], QStringLiteral("       Datadir=/b/data"));
    EXPECT_EQ(log[at + 9], QStringLiteral("     Systemdir="));
    for (int i = 0; i < 10; ++i) EXPECT_EQ(log[at + i].indexOf(QLatin1Char('=')), 14) << log[at + i].toStdString();
}
