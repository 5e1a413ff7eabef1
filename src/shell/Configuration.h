#pragma once

#include "Logs.h"
#include "core/Reports.h"
#include "core/IniFile.h"
#include "core/Timer.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace shell {

// What the program finds around itself at start; tests give their own.
struct StartEnvironment {
    QStringList arguments;   // argv, the program's path first
    QString workingDir;      // relative names are taken relative to this
    QString homeDir;         // for ~/.config/haltron/haltron.ini
    QString deliveredIni;    // the INI delivered with the program; may be empty
};

// Turns a [logfiles] reports value into flag bits: character k (1-based) set
// to "1" sets bit k-1; "?" counts as empty; only the first 21 characters count.
quint32 parseReportFlags(const QString &value, QString *paddedText = nullptr);

// The program's configuration: INI file, directories, command-line switches,
// language texts, and the two logs. Filled once by InitConfiguration.
class Configuration {
public:
    Configuration(const core::Clock &clock, core::ReportSink &reports);
    ~Configuration();

    void initConfiguration(const StartEnvironment &env);
    // Program end: closing lines of both logs, logs closed, strings cleared.
    // The INI file is left as the user wrote it.
    void finalizeConfiguration();

    QString paramValue(const QString &switchText) const;
    QString expandBase(const QString &path) const;
    QString testAbsolute(const QString &dir, const QString &name) const;
    QString languageText(const QString &section, const QString &ident) const;
    QString languageText(const QString &section, int number) const { return languageText(section, QString::number(number)); }

    QString getFilesDir() const { return filesdir; }
    QString getDataDir() const { return datadir; }
    QString getSystemDir() const { return systemdir; }
    QString getHelpFile() const;
    QString getDefaultFile() const;
    QString getPhoneBookFile() const;
    QString getErrorFile() const;
    QString getSysModFile() const;
    QString getLanguageFile() const;
    QString getSysLn() const;
    QString getSysHint() const;
    int getComPort() const;
    QString readMachineType() const;
    void reportDirectories() const;

    bool iniOK = false;
    QString iniFileName;
    QString baseDir;
    QString ini_machine;
    QString helpdir, dokudir, debugdir, filesdir, expfilesdir, bilderdir, datadir, systemdir;
    core::IniFile mainIni;
    core::IniFile languageIni;

    // Both exist only when the INI file was loaded.
    MainLogFile *mainLog() const { return m_mainLog.get(); }
    LogonLogFile *logOnLog() const { return m_logOnLog.get(); }

    // INI files looked for, in order (for the message when none was found).
    QStringList searchedIniFiles;
    // Log files that could not be created or written, for the message field.
    QStringList logErrors;

private:
    QString absolute(const QString &path) const;
    QString findIniFile();
    QString resolveBase(const QString &value) const;
    void createMainLog();
    void createLogOnLog();
    void writeMainLogHeader();
    void traceConfig(const QString &text) const;

    const core::Clock &m_clock;
    core::ReportSink &m_reports;
    StartEnvironment m_env;
    std::unique_ptr<MainLogFile> m_mainLog;
    std::unique_ptr<LogonLogFile> m_logOnLog;
    mutable QString m_errorFileCache;
    mutable bool m_errorFileKnown = false;
};

// The one configuration of the running program (set up by main()).
Configuration &config();
void setConfig(Configuration *config);

}  // namespace shell
