#pragma once

#include "Logs.h"
#include "Reports.h"
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
quint32 ParseReportFlags(const QString &value, QString *paddedText = nullptr);

// The program's configuration: INI file, directories, command-line switches,
// language texts, and the two logs. Filled once by InitConfiguration.
class Configuration {
public:
    Configuration(const core::Clock &clock, ReportsRecord &reports);
    ~Configuration();

    void InitConfiguration(const StartEnvironment &env);
    // Program end: closing lines of both logs, logs closed, strings cleared.
    // The INI file is left as the user wrote it.
    void FinalizeConfiguration();

    QString ParamValue(const QString &switchText) const;
    QString ExpandBase(const QString &path) const;
    QString TestAbsolute(const QString &dir, const QString &name) const;
    QString LanguageText(const QString &section, const QString &ident) const;
    QString LanguageText(const QString &section, int number) const { return LanguageText(section, QString::number(number)); }

    QString GetFilesDir() const { return Filesdir; }
    QString GetDataDir() const { return Datadir; }
    QString GetSystemDir() const { return Systemdir; }
    QString GetHelpFile() const;
    QString GetDefaultFile() const;
    QString GetPhoneBookFile() const;
    QString GetErrorFile() const;
    QString GetSysModFile() const;
    QString GetLanguageFile() const;
    QString GetSysLn() const;
    QString GetSysHint() const;
    int GetComPort() const;
    QString ReadMachineType() const;
    void ReportDirectories() const;

    bool IniOK = false;
    QString IniFileName;
    QString BaseDir;
    QString ini_machine;
    QString Helpdir, Dokudir, Debugdir, Filesdir, Expfilesdir, Bilderdir, Datadir, Systemdir;
    core::IniFile MainIni;
    core::IniFile LanguageIni;

    // Both exist only when the INI file was loaded.
    TLogFile *MainLog() const { return m_mainLog.get(); }
    TLogOnFile *LogOnLog() const { return m_logOnLog.get(); }

    // INI files looked for, in order (for the message when none was found).
    QStringList SearchedIniFiles;
    // Log files that could not be created or written, for the message field.
    QStringList LogErrors;

private:
    QString absolute(const QString &path) const;
    QString findIniFile();
    QString resolveBase(const QString &value) const;
    void createMainLog();
    void createLogOnLog();
    void writeMainLogHeader();
    void traceConfig(const QString &text) const;

    const core::Clock &m_clock;
    ReportsRecord &m_reports;
    StartEnvironment m_env;
    std::unique_ptr<TLogFile> m_mainLog;
    std::unique_ptr<TLogOnFile> m_logOnLog;
    mutable QString m_errorFileCache;
    mutable bool m_errorFileKnown = false;
};

// The one configuration of the running program (set up by main()).
Configuration &Config();
void SetConfig(Configuration *config);

}  // namespace shell
