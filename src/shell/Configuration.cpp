#include "Configuration.h"
#include "WriteFaultTexts.h"

#include "core/LanguageEntries.h"

#include <QDir>
#include <QFileInfo>

namespace shell {

namespace {
const QString BaseMarker = QStringLiteral("$(BASE)");
constexpr int ReportFlagCount = 21;
constexpr int MaxParamLength = 255;
Configuration *g_config = nullptr;
}  // namespace

Configuration &config()
{
    Q_ASSERT(g_config);
    return *g_config;
}

void setConfig(Configuration *config) { g_config = config; }

quint32 parseReportFlags(const QString &value, QString *paddedText)
{
    QString text = value == QLatin1String("?") ? QString() : value;
    text = text.leftJustified(ReportFlagCount, QLatin1Char('0'));
    if (paddedText) *paddedText = text;
    quint32 flags = 0;
    for (int k = 0; k < ReportFlagCount; ++k)
        if (text.at(k) == QLatin1Char('1')) flags |= 1u << k;
    return flags;
}

Configuration::Configuration(const core::Clock &clock, core::ReportSink &reports) : m_clock(clock), m_reports(reports) {}

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

void Configuration::initConfiguration(const StartEnvironment &env)
{
    m_env = env;
    m_iniFileName = findIniFile();
    m_iniOk = !m_iniFileName.isEmpty();
    if (m_iniOk) m_mainIni.load(m_iniFileName);
    m_baseDir = m_iniOk ? resolveBase(m_mainIni.readString(QStringLiteral("files"), QStringLiteral("base"))) : QString();

    struct DirKey { const char *key; QString *dir; };
    const DirKey dirs[] = {
        {"DataDir", &m_dataDir},   {"SystemDir", &m_systemDir},     {"helpdir", &m_helpDir},
        {"DokuDir", &m_docDir},   {"DebugDir", &m_debugDir},       {"FilesDir", &m_filesDir},
        {"ExpFilesDir", &m_exportFilesDir}, {"BilderDir", &m_pictureDir},
    };
    for (const auto &d : dirs) {
        d.dir->clear();
        if (m_iniOk) *d.dir = absolute(expandBase(m_mainIni.readString(QStringLiteral("files"), QLatin1String(d.key))));
    }
    if (!m_iniOk) return;

    m_iniMachine = paramValue(QStringLiteral("/m=")).toUpper();
    if (m_iniMachine.isEmpty()) m_iniMachine = readMachineType().toUpper();
    createMainLog();
    createLogOnLog();
    // An empty key names the folder itself; only a file is read.
    const QString language = getLanguageFile();
    if (QFileInfo(language).isFile()) m_languageIni.load(language);
    applyLogTexts();
    reportDirectories();
}

QString Configuration::findIniFile()
{
    m_searchedIniFiles.clear();
    const QString given = paramValue(QStringLiteral("/i="));
    if (!given.isEmpty()) {
        // A file named on the command line is the only one the user wants.
        m_searchedIniFiles << absolute(given);
    } else {
        const QString program = m_env.arguments.isEmpty() ? QStringLiteral("haltron") : m_env.arguments.first();
        QFileInfo exe(program);
        const QString stem = exe.suffix().isEmpty() ? exe.fileName() : exe.completeBaseName();
        m_searchedIniFiles << absolute(stem + QStringLiteral(".ini"));
        if (!m_env.homeDir.isEmpty())
            m_searchedIniFiles << QDir(m_env.homeDir).filePath(QStringLiteral(".config/haltron/haltron.ini"));
        if (!m_env.deliveredIni.isEmpty()) m_searchedIniFiles << absolute(m_env.deliveredIni);
    }
    for (const QString &name : m_searchedIniFiles)
        if (QFileInfo(name).isFile()) return name;
    return {};
}

// An empty or relative base is taken relative to the INI file's own folder,
// so one INI with its data folder can be moved or started from anywhere.
QString Configuration::resolveBase(const QString &value) const
{
    const QDir iniDir = QFileInfo(m_iniFileName).absoluteDir();
    if (value.isEmpty()) return iniDir.absolutePath();
    if (value.startsWith(QLatin1Char('/'))) return value;
    return QDir::cleanPath(iniDir.absoluteFilePath(value));
}

void Configuration::finalizeConfiguration()
{
    if (m_iniOk) {
        if (m_mainLog) {
            m_mainLog->write(QStringLiteral("- zu  ** ") + timeStamp(m_clock));
            m_mainLog->close();
        }
        if (m_logOnLog) {
            m_logOnLog->write(QStringLiteral("- zu  ** "));
            m_logOnLog->close();
        }
    }
    if (m_mainLog) m_reports.reset();
    m_mainLog.reset();
    m_logOnLog.reset();
    m_iniOk = false;
    for (QString *s : {&m_iniFileName, &m_baseDir, &m_iniMachine, &m_helpDir, &m_docDir, &m_debugDir, &m_filesDir, &m_exportFilesDir,
                       &m_pictureDir, &m_dataDir, &m_systemDir, &m_errorFileCache})
        s->clear();
    m_errorFileKnown = false;
}

// Parameters from the first on (never the program's path, which holds "/" on
// this platform); a switch matches at the start of a parameter.
QString Configuration::paramValue(const QString &switchText) const
{
    for (int i = 1; i < m_env.arguments.size(); ++i) {
        const QString &param = m_env.arguments.at(i);
        if (param.startsWith(switchText, Qt::CaseSensitive)) return param.mid(switchText.size(), MaxParamLength);
    }
    return {};
}

QString Configuration::expandBase(const QString &path) const
{
    const int at = path.indexOf(BaseMarker, 0, Qt::CaseInsensitive);
    if (at < 0) return path;
    QString result = path;
    return result.replace(at, BaseMarker.size(), m_baseDir);
}

QString Configuration::testAbsolute(const QString &dir, const QString &name) const
{
    const QString d = expandBase(dir);
    const QString n = expandBase(name);
    QString result;
    if (n.startsWith(QLatin1Char('/'))) result = n;
    // Without a directory a relative name would land at the root; take it from the working folder.
    else if (d.isEmpty()) result = n.isEmpty() ? QString() : absolute(n);
    else result = d + QLatin1Char('/') + n;
    traceConfig(QStringLiteral("*** TestAbsolute: ") + result);
    return result;
}

QString Configuration::languageText(const QString &section, const QString &ident) const
{
    QString result;
    if (m_iniOk) result = m_languageIni.readString(section, ident, ident);
    traceConfig(QStringLiteral("*** language>[%1,%2]=%3").arg(section, ident, result));
    return result;
}

QString Configuration::getHelpFile() const
{
    return testAbsolute(m_helpDir, m_mainIni.readString(QStringLiteral("files"), QStringLiteral("helpfile")));
}

QString Configuration::getDefaultFile() const
{
    return testAbsolute(m_filesDir, m_mainIni.readString(QStringLiteral("files"), QStringLiteral("DefaultFile")));
}

QString Configuration::getPhoneBookFile() const
{
    return testAbsolute(m_dataDir, m_mainIni.readString(QStringLiteral("files"), QStringLiteral("telefonbuch")));
}

QString Configuration::getErrorFile() const
{
    if (!m_errorFileKnown) {
        m_errorFileCache = testAbsolute(m_dataDir, m_mainIni.readString(QStringLiteral("Files"), QStringLiteral("Fehler")));
        m_errorFileKnown = true;
    }
    return m_errorFileCache;
}

QString Configuration::getSysModFile() const
{
    return testAbsolute(m_systemDir, m_mainIni.readString(QStringLiteral("files"), QStringLiteral("sysmod"), QStringLiteral("sysmod.sys")));
}

QString Configuration::getLanguageFile() const
{
    return testAbsolute(m_systemDir, m_mainIni.readString(QStringLiteral("files"), QStringLiteral("language")));
}

QString Configuration::getSysLn() const
{
    return m_mainIni.readString(QStringLiteral("files"), QStringLiteral("sys_ln"), QStringLiteral("lnd"));
}

QString Configuration::getSysHint() const
{
    return m_mainIni.readString(QStringLiteral("files"), QStringLiteral("sys_hint"), QStringLiteral("hint"));
}

int Configuration::getComPort() const
{
    return m_mainIni.readInteger(QStringLiteral("comport"), QStringLiteral("port"), 1);
}

QString Configuration::readMachineType() const
{
    return m_mainIni.readString(QStringLiteral("machine"), QStringLiteral("type"), QStringLiteral("QRX"));
}

void Configuration::reportDirectories() const
{
    if (!m_reports.flag(core::ReportConfig)) return;
    const std::pair<const char *, const QString *> lines[] = {
        {"   IniFileName=", &m_iniFileName}, {"   ini_machine=", &m_iniMachine}, {"       Helpdir=", &m_helpDir},
        {"       Dokudir=", &m_docDir},     {"      Debugdir=", &m_debugDir},    {"      Filesdir=", &m_filesDir},
        {"   Expfilesdir=", &m_exportFilesDir}, {"     Bilderdir=", &m_pictureDir},   {"       Datadir=", &m_dataDir},
        {"     Systemdir=", &m_systemDir},
    };
    for (const auto &[label, value] : lines) m_reports.write(QLatin1String(label) + *value);
}

void Configuration::traceConfig(const QString &text) const { m_reports.writeIf(core::ReportConfig, text); }

// The logs open before the language file is read; later failures use its words.
void Configuration::applyLogTexts()
{
    LogFile::Texts texts;
    texts.reasons = writeFaultTexts(*this);
    core::takeLanguageEntries([this](int number) { return languageText(QStringLiteral("writefault"), number); },
                              {{10, &texts.createFailed}, {11, &texts.writeFailed}});
    m_mainLog->setTexts(texts);
    m_logOnLog->setTexts(texts);
}

void Configuration::noteLogError(const QString &text)
{
    m_logErrors << text;
    emit logError(text);
}

void Configuration::createMainLog()
{
    m_mainLog = std::make_unique<MainLogFile>(m_clock);
    m_mainLog->onError = [this](const QString &text) { noteLogError(text); };
    const QString name = absolute(expandBase(m_mainIni.readString(QStringLiteral("logfiles"), QStringLiteral("mainlogfile"))));
    if (name.isEmpty()) return;
    m_mainLog->create(name);
    MainLogFile *log = m_mainLog.get();
    m_reports.reportWrite = [log](const QString &text) { log->write(text); };
    m_reports.reportDebug = [log, this](const QString &text) {
        if (m_reports.flag(core::ReportDebugBit)) log->write(text);
    };
    m_reports.reportFlags = parseReportFlags(
        m_mainIni.readString(QStringLiteral("logfiles"), QStringLiteral("reports"), QStringLiteral("?")), &m_reports.reportsText);
    writeMainLogHeader();
}

void Configuration::writeMainLogHeader()
{
    const QString opened = QStringLiteral("- auf ** ") + timeStamp(m_clock);
    if (!m_reports.flag(core::ReportConfig)) {
        m_mainLog->write(opened + QStringLiteral(" [no report]"));
        return;
    }
    QString params = QStringLiteral("parameter= ");
    for (int i = 1; i < m_env.arguments.size(); ++i) params += m_env.arguments.at(i) + QLatin1Char(' ');
    m_mainLog->write(opened);
    m_mainLog->write(params);
    m_mainLog->write(QStringLiteral("inifile=") + m_iniFileName);
    m_mainLog->write(QStringLiteral("reports=") + m_mainIni.readString(QStringLiteral("logfiles"), QStringLiteral("reports")));
    m_mainLog->write(QString());
}

void Configuration::createLogOnLog()
{
    m_logOnLog = std::make_unique<LogonLogFile>(m_clock);
    m_logOnLog->onError = [this](const QString &text) { noteLogError(text); };
    // Not made absolute: a relative name refers to the working folder anyway.
    QString name = expandBase(m_mainIni.readString(QStringLiteral("Logfiles"), QStringLiteral("logonfile")));
    if (name.isEmpty()) return;
    m_logOnLog->create(absolute(name));
}

}  // namespace shell
