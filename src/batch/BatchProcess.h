#pragma once

#include "AskAgainChannel.h"
#include "ReadingVerifier.h"
#include "VisitSummary.h"
#include "core/Channel.h"
#include "core/Timer.h"
#include "monitor/FaultLog.h"
#include "monitor/LiftState.h"
#include "shell/Logs.h"

#include <QFile>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace batch {

// The command-line values of a batch run.
struct BatchParams {
    QString logFile;     // "/f=": the batch log, appended to or created
    QString dialNumber;  // "/t=": number dialled on the modem route
    QString comment;     // "/c=": free comment
    QString groupList;   // "/g=": group members to visit, e.g. "0,2"; empty: one controller
    bool modem = false;  // the start method selects the modem route
    QString iniVersion;  // written as "erstellt mit: <version>"
    bool verifyReadings = true;  // each reading asked until two answers agree (INI [batch] verify)
    QString summaryFile = {};  // "/j=": one JSON line per visited member is appended at the end; empty: none
};

// Exit status of the program after a batch run.
enum BatchExit {
    BatchExitOk = 0,     // the end line was reached and every reading was good
    BatchExitError = 1,  // an error line was written, a reading was unreadable, a group token was not
                         // understood or the run was cut short
    BatchExitNoLog = 2,  // no "/f=" given, or the batch log could not be opened
};

// Texts from the language file and the fault text file the report is written with.
struct BatchTexts {
    monitor::MonitorTextLists liftState;
    monitor::FaultListTexts faultList;
    QString faultTextFile;
};

// The link as a visit uses it: the queue's start delay, the modem's dial and
// the local port's state.
class BatchLink {
public:
    virtual ~BatchLink() = default;
    virtual void transferStart(int delayMs) = 0;
    // Answers through BatchProcess::batchVisit or batchDialError.
    virtual void dial(const QString &number) = 0;
    // Why the local port could not be opened; empty when it is open. A port
    // another program holds ends the visit at once instead of by the watchdog.
    virtual QString portError() const = 0;
};

// Visits one installation without user interaction: links (at once, or by dialling), greets
// the controller, reads identity, trip counter, lift state and fault log, per group member
// when a group list is given, writes everything into the batch log and ends the program.
// A watchdog of 1000 ms ticks ends the run with a time-out line when an answer stays away.
class BatchProcess : public QObject {
    Q_OBJECT
public:
    BatchProcess(core::TimerFactory &timers, core::Channel &channel, BatchLink &link, BatchTexts texts,
                 BatchParams params);
    ~BatchProcess() override;
    BatchProcess(const BatchProcess &) = delete;
    BatchProcess &operator=(const BatchProcess &) = delete;

    // Opens the log and starts the visit; once. Without a usable log it quits with status 2.
    void startBatch();

    // The three line writers; they write only while the run is going.
    void batchLine(const QString &text);
    void batchValue(const QString &text);
    void batchError(const QString &text);
    // The main window's status texts: panel 1 goes into the batch log.
    void statusText(int index, const QString &text);

    // (Re)arms the watchdog with seconds of 1000 ms ticks.
    void setBatchTimeout(int seconds);

    // The link is up; name is the modem partner's name or "LOKALE STEUERUNG".
    void batchVisit(const QString &name);
    // The dial failed; the run ends one second later with the time-out line.
    void batchDialError(const QString &text);

    void helloAnswer(const QByteArray &answer);
    void faultLine(const QString &text);
    void endBatchStep();
    void processGroupList(const QString &list);
    void groupSelected(const QString &text);

    // The program ends by other means (window closed): stop the watchdog and close the log.
    void halt();

    bool isRunning() const { return m_running; }
    int watchdogSeconds() const { return m_watchdogTag; }
    int exitStatus() const;

signals:
    // Every line of the batch log, for the connection report and the link trace.
    void reportLine(const QString &line);
    // The run begins: main-log lines no longer go to the report, which is cleared and coloured yellow.
    void mainLogMirrorOff();
    void reportReset();
    void captionChanged(const QString &caption);
    // The watchdog on the gauge; the first one shows it.
    void gaugeChanged(int maximum, int position);
    // A line for the logon log.
    void logonLine(const QString &line);
    // A message for standard error.
    void errorMessage(const QString &message);
    // The run is over: the program ends.
    void finished();

private:
    bool openLog();
    void writeHead();
    void writeLine(const QString &line);
    void put(int answerLength, void (BatchProcess::*handler)(const QByteArray &), const QByteArray &telegram);
    void greet(int answerLength);
    void readingLine(const QString &what, const QString &value, bool unreadable);
    void noteUnreadable();
    void installationCodeAnswer(const QByteArray &answer);
    void versionAnswer(const QByteArray &answer);
    void tripAnswer(const QString &text);
    void stateAnswer(const QByteArray &answer);
    void watchdogTick();
    void fail(const QString &message);
    QString timeStamp() const;
    void startMember(int member);
    MemberVisit *currentMember() { return m_visits.isEmpty() ? nullptr : &m_visits.last(); }
    void noteValue(QString MemberVisit::*field, const QString &value, bool unreadable);
    void writeSummary();

    core::Clock &m_clock;
    BatchLink &m_link;
    std::unique_ptr<core::Timer> m_watchdog;
    ReadingVerifier m_verifier;
    // Requests of a reading: routed to the group member being visited, asked
    // again when dropped, and verified.
    core::PinnedChannel m_memberRoute;
    AskAgainChannel m_memberChannel;
    core::Channel &m_readingChannel;
    // The group address request carries its own routing: it goes to the controller on the line.
    core::PinnedChannel m_lineRoute;
    AskAgainChannel m_lineChannel;
    core::Channel &m_groupChannel;
    monitor::MonitorTextLists m_texts;
    monitor::FaultLog m_faultLog;
    BatchParams m_params;
    int m_member = -1;  // group member being visited; -1: the linked controller itself
    QList<MemberVisit> m_visits;
    QString m_startStamp;

    shell::AppendLogFile m_log;
    bool m_started = false;
    bool m_running = false;
    bool m_reachedEnd = false;
    bool m_failed = false;
    bool m_noLog = false;
    QString m_batchName;
    int m_halloRetries = 0;
    QString m_pending;
    int m_watchdogTag = 0;
    int m_gaugeMaximum = 0;
    // Answers that arrive after this object has gone are dropped.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

}  // namespace batch
