#pragma once

#include "Logs.h"
#include "core/Reports.h"
#include "core/IniFile.h"
#include "core/LanguageTexts.h"
#include "core/Timer.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
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
class Configuration : public QObject, public core::LanguageTexts {
    Q_OBJECT
public:
    Configuration(const core::Clock &clock, core::ReportSink &reports);
    ~Configuration() override;

    void initConfiguration(const StartEnvironment &env);
    // Program end: closing lines of both logs, logs closed, strings cleared.
    // The INI file is left as the user wrote it.
    void finalizeConfiguration();

    QString paramValue(const QString &switchText) const;
    // Started with the switch "/batch".
    bool batchRequested() const { return paramValue(QStringLiteral("/b")) == QLatin1String("atch"); }
    QString expandBase(const QString &path) const;
    QString testAbsolute(const QString &dir, const QString &name) const;
    QString languageText(const QString &section, const QString &ident) const;
    QString languageText(const QString &section, int number) const { return languageText(section, QString::number(number)); }
    QString text(const QString &section, int number) const override { return languageText(section, number); }
    QString text(const QString &section, const QString &ident) const override { return languageText(section, ident); }

    QString getFilesDir() const { return m_filesDir; }
    QString getDataDir() const { return m_dataDir; }
    QString getSystemDir() const { return m_systemDir; }
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

    bool iniOk() const { return m_iniOk; }
    const QString &iniFileName() const { return m_iniFileName; }
    const QString &baseDir() const { return m_baseDir; }
    const QString &iniMachine() const { return m_iniMachine; }
    const QString &helpDir() const { return m_helpDir; }
    const QString &docDir() const { return m_docDir; }
    const QString &debugDir() const { return m_debugDir; }
    const QString &filesDir() const { return m_filesDir; }
    const QString &exportFilesDir() const { return m_exportFilesDir; }
    const QString &pictureDir() const { return m_pictureDir; }
    const QString &dataDir() const { return m_dataDir; }
    const QString &systemDir() const { return m_systemDir; }
    const core::IniFile &mainIni() const { return m_mainIni; }
    core::IniFile &mainIni() { return m_mainIni; }
    const core::IniFile &languageIni() const { return m_languageIni; }

    // Both exist only when the INI file was loaded.
    MainLogFile *mainLog() const { return m_mainLog.get(); }
    LogonLogFile *logOnLog() const { return m_logOnLog.get(); }

    // INI files looked for, in order (for the message when none was found).
    const QStringList &searchedIniFiles() const { return m_searchedIniFiles; }
    // Log files that could not be created or written, for the message field.
    const QStringList &logErrors() const { return m_logErrors; }

signals:
    // A log failed after the start (a disk that filled up while running).
    void logError(const QString &text);

private:
    QString absolute(const QString &path) const;
    QString findIniFile();
    QString resolveBase(const QString &value) const;
    void noteLogError(const QString &text);
    void applyLogTexts();
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

    bool m_iniOk = false;
    QString m_iniFileName;
    QString m_baseDir;
    QString m_iniMachine;
    QString m_helpDir;
    QString m_docDir;
    QString m_debugDir;
    QString m_filesDir;
    QString m_exportFilesDir;
    QString m_pictureDir;
    QString m_dataDir;
    QString m_systemDir;
    core::IniFile m_mainIni;
    core::IniFile m_languageIni;
    QStringList m_searchedIniFiles;
    QStringList m_logErrors;
};

// The one configuration of the running program (set up by main()).
Configuration &config();
void setConfig(Configuration *config);

}  // namespace shell
