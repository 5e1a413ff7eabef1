#include "Configuration.h"

#include <QDir>
#include <QFileInfo>

namespace shell {

namespace {
const QString BaseMarker = QStringLiteral("$(BASE)");
constexpr int ReportFlagCount = 21;
constexpr int MaxParamLength = 255;
Configuration *g_config = nullptr;
}  // namespace

Configuration &Config()
{
    Q_ASSERT(g_config);
    return *g_config;
}

void SetConfig(Configuration *config) { g_config = config; }

quint32 ParseReportFlags(const QString &value, QString *paddedText)
{
    QString text = value == QLatin1String("?") ? QString() : value;
    text = text.leftJustified(ReportFlagCount, QLatin1Char('0'));
    if (paddedText) *paddedText = text;
    quint32 flags = 0;
    for (int k = 0; k < ReportFlagCount; ++k)
        if (text.at(k) == QLatin1Char('1')) flags |= 1u << k;
    return flags;
}

Configuration::Configuration(const core::Clock &clock, ReportsRecord &reports) : m_clock(clock), m_reports(reports) {}

Configuration::~Configuration()
{
    // The report hooks point into our logs; leave none dangling.
    if (m_mainLog) m_reports.reset();
}

QString Configuration::absolute(const QString &path) const
{
    if (path.isEmpty()) return {};
    return QDir::cleanPath(QDir(m_env.workingDir).absoluteFilePath(path));
}

void Configuration::InitConfiguration(const StartEnvironment &env)
{
    m_env = env;
    IniFileName = findIniFile();
    IniOK = !IniFileName.isEmpty();
    if (IniOK) MainIni.load(IniFileName);
    BaseDir = IniOK ? resolveBase(MainIni.readString(QStringLiteral("files"), QStringLiteral("base"))) : QString();

    struct DirKey { const char *key; QString *dir; };
    const DirKey dirs[] = {
        {"DataDir", &Datadir},   {"SystemDir", &Systemdir},     {"helpdir", &Helpdir},
        {"DokuDir", &Dokudir},   {"DebugDir", &Debugdir},       {"FilesDir", &Filesdir},
        {"ExpFilesDir", &Expfilesdir}, {"BilderDir", &Bilderdir},
    };
    for (const auto &d : dirs) {
        d.dir->clear();
        if (IniOK) *d.dir = absolute(ExpandBase(MainIni.readString(QStringLiteral("files"), QLatin1String(d.key))));
    }
    if (!IniOK) return;

    ini_machine = ParamValue(QStringLiteral("/m=")).toUpper();
    if (ini_machine.isEmpty()) ini_machine = ReadMachineType().toUpper();
    createMainLog();
    createLogOnLog();
    // An empty key names the folder itself; only a file is read.
    const QString language = GetLanguageFile();
    if (QFileInfo(language).isFile()) LanguageIni.load(language);
    ReportDirectories();
}

QString Configuration::findIniFile()
{
    SearchedIniFiles.clear();
    const QString given = ParamValue(QStringLiteral("/i="));
    if (!given.isEmpty()) {
        // A file named on the command line is the only one the user wants.
        SearchedIniFiles << absolute(given);
    } else {
        const QString program = m_env.arguments.isEmpty() ? QStringLiteral("haltron") : m_env.arguments.first();
        QFileInfo exe(program);
        const QString stem = exe.suffix().isEmpty() ? exe.fileName() : exe.completeBaseName();
        SearchedIniFiles << absolute(stem + QStringLiteral(".ini"));
        if (!m_env.homeDir.isEmpty())
            SearchedIniFiles << QDir(m_env.homeDir).filePath(QStringLiteral(".config/haltron/haltron.ini"));
        if (!m_env.deliveredIni.isEmpty()) SearchedIniFiles << absolute(m_env.deliveredIni);
    }
    for (const QString &name : SearchedIniFiles)
        if (QFileInfo(name).isFile()) return name;
    return {};
}

// An empty or relative base is taken relative to the INI file's own folder,
// so one INI with its data folder can be moved or started from anywhere.
QString Configuration::resolveBase(const QString &value) const
{
    const QDir iniDir = QFileInfo(IniFileName).absoluteDir();
    if (value.isEmpty()) return iniDir.absolutePath();
    if (value.startsWith(QLatin1Char('/'))) return value;
    return QDir::cleanPath(iniDir.absoluteFilePath(value));
}

void Configuration::FinalizeConfiguration()
{
    if (IniOK) {
        if (m_mainLog) {
            m_mainLog->Write(QStringLiteral("- zu  ** ") + TimeStamp(m_clock));
            m_mainLog->Close();
        }
        if (m_logOnLog) {
            m_logOnLog->Write(QStringLiteral("- zu  ** "));
            m_logOnLog->Close();
        }
    }
    if (m_mainLog) m_reports.reset();
    m_mainLog.reset();
    m_logOnLog.reset();
    IniOK = false;
    for (QString *s : {&IniFileName, &BaseDir, &ini_machine, &Helpdir, &Dokudir, &Debugdir, &Filesdir, &Expfilesdir,
                       &Bilderdir, &Datadir, &Systemdir, &m_errorFileCache})
        s->clear();
    m_errorFileKnown = false;
}

// Parameters from the first on (never the program's path, which holds "/" on
// this platform); a switch matches at the start of a parameter.
QString Configuration::ParamValue(const QString &switchText) const
{
    for (int i = 1; i < m_env.arguments.size(); ++i) {
        const QString &param = m_env.arguments.at(i);
        if (param.startsWith(switchText, Qt::CaseSensitive)) return param.mid(switchText.size(), MaxParamLength);
    }
    return {};
}

QString Configuration::ExpandBase(const QString &path) const
{
    const int at = path.indexOf(BaseMarker, 0, Qt::CaseInsensitive);
    if (at < 0) return path;
    QString result = path;
    return result.replace(at, BaseMarker.size(), BaseDir);
}

QString Configuration::TestAbsolute(const QString &dir, const QString &name) const
{
    const QString d = ExpandBase(dir);
    const QString n = ExpandBase(name);
    QString result;
    if (n.startsWith(QLatin1Char('/'))) result = n;
    // Without a directory a relative name would land at the root; take it from the working folder.
    else if (d.isEmpty()) result = n.isEmpty() ? QString() : absolute(n);
    else result = d + QLatin1Char('/') + n;
    traceConfig(QStringLiteral("*** TestAbsolute: ") + result);
    return result;
}

QString Configuration::LanguageText(const QString &section, const QString &ident) const
{
    QString result;
    if (IniOK) result = LanguageIni.readString(section, ident, ident);
    traceConfig(QStringLiteral("*** language>[%1,%2]=%3").arg(section, ident, result));
    return result;
}

QString Configuration::GetHelpFile() const
{
    return TestAbsolute(Helpdir, MainIni.readString(QStringLiteral("files"), QStringLiteral("helpfile")));
}

QString Configuration::GetDefaultFile() const
{
    return TestAbsolute(Filesdir, MainIni.readString(QStringLiteral("files"), QStringLiteral("DefaultFile")));
}

QString Configuration::GetPhoneBookFile() const
{
    return TestAbsolute(Datadir, MainIni.readString(QStringLiteral("files"), QStringLiteral("telefonbuch")));
}

QString Configuration::GetErrorFile() const
{
    if (!m_errorFileKnown) {
        m_errorFileCache = TestAbsolute(Datadir, MainIni.readString(QStringLiteral("Files"), QStringLiteral("Fehler")));
        m_errorFileKnown = true;
    }
    return m_errorFileCache;
}

QString Configuration::GetSysModFile() const
{
    return TestAbsolute(Systemdir, MainIni.readString(QStringLiteral("files"), QStringLiteral("sysmod"), QStringLiteral("sysmod.sys")));
}

QString Configuration::GetLanguageFile() const
{
    return TestAbsolute(Systemdir, MainIni.readString(QStringLiteral("files"), QStringLiteral("language")));
}

QString Configuration::GetSysLn() const
{
    return MainIni.readString(QStringLiteral("files"), QStringLiteral("sys_ln"), QStringLiteral("lnd"));
}

QString Configuration::GetSysHint() const
{
    return MainIni.readString(QStringLiteral("files"), QStringLiteral("sys_hint"), QStringLiteral("hint"));
}

int Configuration::GetComPort() const
{
    return MainIni.readInteger(QStringLiteral("comport"), QStringLiteral("port"), 1);
}

QString Configuration::ReadMachineType() const
{
    return MainIni.readString(QStringLiteral("machine"), QStringLiteral("type"), QStringLiteral("QRX"));
}

void Configuration::ReportDirectories() const
{
    if (!m_reports.flag(ReportConfig)) return;
    const std::pair<const char *, const QString *> lines[] = {
        {"   IniFileName=", &IniFileName}, {"   ini_machine=", &ini_machine}, {"       Helpdir=", &Helpdir},
        {"       Dokudir=", &Dokudir},     {"      Debugdir=", &Debugdir},    {"      Filesdir=", &Filesdir},
        {"   Expfilesdir=", &Expfilesdir}, {"     Bilderdir=", &Bilderdir},   {"       Datadir=", &Datadir},
        {"     Systemdir=", &Systemdir},
    };
    for (const auto &[label, value] : lines) m_reports.write(QLatin1String(label) + *value);
}

void Configuration::traceConfig(const QString &text) const { m_reports.writeIf(ReportConfig, text); }

void Configuration::createMainLog()
{
    m_mainLog = std::make_unique<TLogFile>(m_clock);
    m_mainLog->OnError = [this](const QString &text) { LogErrors << text; };
    const QString name = absolute(ExpandBase(MainIni.readString(QStringLiteral("logfiles"), QStringLiteral("mainlogfile"))));
    if (name.isEmpty()) return;
    m_mainLog->Create(name);
    TLogFile *log = m_mainLog.get();
    m_reports.ReportWrite = [log](const QString &text) { log->Write(text); };
    m_reports.ReportDebug = [log, this](const QString &text) {
        if (m_reports.flag(ReportDebugBit)) log->Write(text);
    };
    m_reports.ReportFlags = ParseReportFlags(
        MainIni.readString(QStringLiteral("logfiles"), QStringLiteral("reports"), QStringLiteral("?")), &m_reports.ReportsText);
    writeMainLogHeader();
}

void Configuration::writeMainLogHeader()
{
    const QString opened = QStringLiteral("- auf ** ") + TimeStamp(m_clock);
    if (!m_reports.flag(ReportConfig)) {
        m_mainLog->Write(opened + QStringLiteral(" [no report]"));
        return;
    }
    QString params = QStringLiteral("parameter= ");
    for (int i = 1; i < m_env.arguments.size(); ++i) params += m_env.arguments.at(i) + QLatin1Char(' ');
    m_mainLog->Write(opened);
    m_mainLog->Write(params);
    m_mainLog->Write(QStringLiteral("inifile=") + IniFileName);
    m_mainLog->Write(QStringLiteral("reports=") + MainIni.readString(QStringLiteral("logfiles"), QStringLiteral("reports")));
    m_mainLog->Write(QString());
}

void Configuration::createLogOnLog()
{
    m_logOnLog = std::make_unique<TLogOnFile>(m_clock);
    m_logOnLog->OnError = [this](const QString &text) { LogErrors << text; };
    // Not made absolute: a relative name refers to the working folder anyway.
    QString name = ExpandBase(MainIni.readString(QStringLiteral("Logfiles"), QStringLiteral("logonfile")));
    if (name.isEmpty()) return;
    m_logOnLog->Create(absolute(name));
}

}  // namespace shell
