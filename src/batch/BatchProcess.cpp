#include "BatchProcess.h"

#include "GroupList.h"
#include "core/Bytes.h"
#include "monitor/MonitorCodes.h"
#include "protocol/Codes.h"

#include <QFileInfo>

namespace batch {

namespace {

const QString LocalName = QStringLiteral("LOKALE STEUERUNG");
const int StartTimeoutSeconds = 45;
const int StepTimeoutSeconds = 10;
const int FaultRecordTimeoutSeconds = 5;
const int HalloTries = 3;

// Blanks and control characters off both ends.
QString trimmed(const QString &text)
{
    qsizetype first = 0, last = text.size();
    while (first < last && text[first].unicode() <= ' ') ++first;
    while (last > first && text[last - 1].unicode() <= ' ') --last;
    return text.mid(first, last - first);
}

// Upper-case hex, each at least two characters wide, padded with a blank.
QString stateBlockText(const QByteArray &answer)
{
    QStringList parts;
    for (int i = 1; i <= 6; ++i)
        parts << QStringLiteral("%1").arg(core::byteAt(answer, i), 2, 16, QLatin1Char(' ')).toUpper();
    return parts.join(QLatin1Char(' '));
}

}  // namespace

BatchProcess::BatchProcess(core::TimerFactory &timers, core::Channel &channel, BatchLink &link, BatchTexts texts,
                           BatchParams params)
    : m_clock(timers.clock()),
      m_link(link),
      m_watchdog(timers.createTimer()),
      m_memberRoute(channel),
      m_memberChannel(m_memberRoute),
      m_readingChannel(m_verifier.wrap(m_memberChannel)),
      m_lineRoute(channel),
      m_lineChannel(m_lineRoute),
      m_groupChannel(m_verifier.wrap(m_lineChannel)),
      m_texts(std::move(texts.liftState)),
      m_faultLog(m_readingChannel, timers.clock(), texts.faultTextFile, std::move(texts.faultList)),
      m_params(std::move(params)),
      m_log(m_clock)
{
    m_verifier.setEnabled(m_params.verifyReadings);
    m_verifier.onAskAgain = [this] { setBatchTimeout(m_gaugeMaximum); };
    m_watchdog->setInterval(1000);
    m_watchdog->setCallback([this] { watchdogTick(); });
}

BatchProcess::~BatchProcess()
{
    *m_alive = false;
    m_watchdog->stop();
}

void BatchProcess::startBatch()
{
    if (m_started) return;
    m_started = true;
    if (!openLog()) return;

    m_running = true;
    emit mainLogMirrorOff();
    emit reportReset();
    writeHead();
    setBatchTimeout(StartTimeoutSeconds);

    if (!m_params.modem) {
        if (const QString error = m_link.portError(); !error.isEmpty()) {
            const QString message = QStringLiteral("Schnittstelle: ") + error;
            batchError(message);
            emit errorMessage(QStringLiteral("Batch: ") + message);
            endBatchStep();
            return;
        }
        batchVisit(LocalName);
        return;
    }
    batchLine(QString::fromUtf8("WÄHLE: ") + m_params.dialNumber);
    // An empty number would put the modem into answer-less originate mode until its time-out.
    if (m_params.dialNumber.trimmed().isEmpty())
        batchDialError(QStringLiteral("keine Rufnummer angegeben (/t=)"));
    else
        m_link.dial(m_params.dialNumber);
}

bool BatchProcess::openLog()
{
    const QString &fileName = m_params.logFile;
    if (fileName.isEmpty()) {
        fail(QStringLiteral("Batch: kein Batch-Protokoll angegeben (/f=Dateiname)"));
        return false;
    }
    shell::LogFile::Texts texts;
    texts.createFailed = QStringLiteral("Batch: Batch-Protokoll %1 kann nicht geöffnet werden: %2");
    texts.writeFailed = QStringLiteral("Batch: Batch-Protokoll %1 nicht geschrieben: %2");
    m_log.setTexts(texts);
    m_log.onError = nullptr;
    if (!m_log.create(fileName)) {
        fail(texts.createFailed.arg(fileName, texts.reasons.reason(m_log.failure())));
        return false;
    }
    // A log that stops taking lines (a full disk) fails the run, said once; the visit goes on.
    m_log.onError = [this](const QString &message) {
        m_failed = true;
        emit errorMessage(message);
    };
    return true;
}

void BatchProcess::writeHead()
{
    const QString stamp = timeStamp();
    m_startStamp = stamp;
    batchLine(QString());
    batchLine(QStringLiteral("---------------BatchProcess---------------"));
    batchLine(stamp);
    emit logonLine(QStringLiteral("Batch gestartet: ") + stamp);
    batchLine(QStringLiteral("erstellt mit: ") + m_params.iniVersion);
    batchLine(QStringLiteral("Logfile=") + m_params.logFile);

    emit captionChanged(QStringLiteral(" Batch Prozess(") + QFileInfo(m_params.logFile).fileName() + QLatin1Char(')'));

    batchLine(QStringLiteral("/c=") + m_params.comment.toUpper());
    emit logonLine(m_params.comment);
}

void BatchProcess::batchLine(const QString &text)
{
    writeLine(QStringLiteral(" ") + trimmed(text));
}

void BatchProcess::batchValue(const QString &text)
{
    writeLine(QStringLiteral("   : ") + trimmed(text));
}

void BatchProcess::batchError(const QString &text)
{
    if (m_running) m_failed = true;
    if (MemberVisit *visit = currentMember(); visit && m_running) visit->failed = true;
    writeLine(QStringLiteral(" *** ") + trimmed(text));
}

void BatchProcess::writeLine(const QString &line)
{
    if (!m_running) return;
    // On the disk per line, so a run cut short still leaves what it read.
    m_log.write(line);
    emit reportLine(line);
}

void BatchProcess::statusText(int index, const QString &text)
{
    if (index == 1) batchLine(text);
}

void BatchProcess::setBatchTimeout(int seconds)
{
    if (!m_running) return;
    m_watchdogTag = seconds;
    m_gaugeMaximum = seconds;
    emit gaugeChanged(seconds, seconds);
    m_watchdog->start();
}

void BatchProcess::watchdogTick()
{
    if (!m_running) {
        m_watchdog->stop();
        return;
    }
    --m_watchdogTag;
    if (m_watchdogTag < 1) {
        m_watchdog->stop();
        batchError(QStringLiteral("Timeout Fehler **"));
        m_pending.clear();
        endBatchStep();
        return;
    }
    emit gaugeChanged(m_gaugeMaximum, m_watchdogTag);
}

void BatchProcess::batchDialError(const QString &text)
{
    if (!m_running) return;
    batchError(QStringLiteral("Batch Fehler: ") + text);
    m_watchdog->stop();
    m_pending.clear();
    setBatchTimeout(1);
}

void BatchProcess::batchVisit(const QString &name)
{
    if (!m_running) return;
    m_batchName = name.toUpper();
    m_halloRetries = HalloTries;
    batchLine(QStringLiteral("HALLO <") + m_batchName + QLatin1Char('>'));

    if (!m_params.groupList.isEmpty()) {
        processGroupList(m_params.groupList);
        return;
    }
    m_pending.clear();
    startMember(-1);
    setBatchTimeout(StepTimeoutSeconds);
    m_link.transferStart(3000);
    batchLine(QString::fromUtf8("Start-Verzögerung (3000)"));
    greet(2);
}

void BatchProcess::put(int answerLength, void (BatchProcess::*handler)(const QByteArray &),
                       const QByteArray &telegram)
{
    const std::weak_ptr<bool> alive = m_alive;
    // A refused request leaves the watchdog to end the run.
    m_readingChannel.put(answerLength,
                         [this, alive, handler](const QByteArray &answer) {
                             if (const auto a = alive.lock(); a && *a) (this->*handler)(answer);
                         },
                         telegram);
}

// The greeting is asked once: it is answered exactly F1 01 or it is repeated anyway.
void BatchProcess::greet(int answerLength)
{
    const std::weak_ptr<bool> alive = m_alive;
    m_memberChannel.put(answerLength,
                        [this, alive](const QByteArray &answer) {
                            if (const auto a = alive.lock(); a && *a) helloAnswer(answer);
                        },
                        core::bytes({0xF1, 0x00}));
}

// A reading's value line; its error line instead when no two answers agreed.
// An unreadable value keeps its line as the decoder writes it, but the run is not good.
void BatchProcess::readingLine(const QString &what, const QString &value, bool unreadable)
{
    if (m_verifier.failed()) {
        batchError(what + QStringLiteral(": Lese Fehler"));
        return;
    }
    batchValue(what + QStringLiteral(": ") + value);
    if (unreadable) noteUnreadable();
}

void BatchProcess::noteUnreadable()
{
    if (!m_running) return;
    m_failed = true;
    if (MemberVisit *visit = currentMember()) visit->failed = true;
}

void BatchProcess::startMember(int member)
{
    MemberVisit visit;
    visit.member = member;
    m_visits.append(visit);
}

// A reading's value for the summary, when it was read and agreed on.
void BatchProcess::noteValue(QString MemberVisit::*field, const QString &value, bool unreadable)
{
    MemberVisit *visit = currentMember();
    if (visit && !unreadable && !m_verifier.failed()) visit->*field = value;
}

void BatchProcess::helloAnswer(const QByteArray &answer)
{
    if (!m_running) return;
    if (answer == core::bytes({0xF1, 0x01})) {
        put(16, &BatchProcess::installationCodeAnswer, core::bytes({0xF2, 0x55, 0x12}));
        return;
    }
    batchLine(QStringLiteral("HALLO :Fehler"));
    if (--m_halloRetries > 0) {
        greet(16);
        setBatchTimeout(StepTimeoutSeconds);
        return;
    }
    batchError(QStringLiteral("MST (") + m_batchName + QStringLiteral(") ANTWORTET"));
    batchError(QStringLiteral("STEUERUNG ANTWORTET NICHT <ABBRUCH> "));
    m_pending.clear();
    endBatchStep();
}

void BatchProcess::installationCodeAnswer(const QByteArray &answer)
{
    if (!m_running) return;
    setBatchTimeout(StepTimeoutSeconds);
    const QString text = monitor::printableTextAnswer(answer);
    const bool unreadable = text == QLatin1String(protocol::TransferFailedText);
    noteValue(&MemberVisit::installationCode, text.toUpper(), unreadable);
    readingLine(QStringLiteral("ANLAGENKENNUNG"), text.toUpper(), unreadable);
    setBatchTimeout(StepTimeoutSeconds);
    put(16, &BatchProcess::versionAnswer, core::bytes({0xF1, 0x01}));
}

void BatchProcess::versionAnswer(const QByteArray &answer)
{
    if (!m_running) return;
    setBatchTimeout(StepTimeoutSeconds);
    const QString text = monitor::printableTextAnswer(answer);
    const bool unreadable = text == QLatin1String(protocol::TransferFailedText);
    noteValue(&MemberVisit::version, text, unreadable);
    readingLine(QStringLiteral("STEUERUNGS.VERSION"), text, unreadable);
    const std::weak_ptr<bool> alive = m_alive;
    monitor::readTripCounter(m_readingChannel, [this, alive](const QString &text) {
        if (const auto a = alive.lock(); a && *a) tripAnswer(text);
    });
}

void BatchProcess::tripAnswer(const QString &text)
{
    if (!m_running) return;
    setBatchTimeout(StepTimeoutSeconds);
    noteValue(&MemberVisit::tripCounter, text, text == monitor::UnreadableCounterText);
    readingLine(QString::fromUtf8("FAHRTEN.ZÄHLER"), text, text == monitor::UnreadableCounterText);
    put(7, &BatchProcess::stateAnswer, core::bytes({0xF1, 0x60}));
}

void BatchProcess::stateAnswer(const QByteArray &answer)
{
    if (!m_running) return;
    setBatchTimeout(StepTimeoutSeconds);
    // A short block would show missing bytes as zeros: that is a read error too.
    if (!m_verifier.failed() && answer.size() >= 7 && core::byteAt(answer, 0) == 0xF6) {
        batchValue(QStringLiteral("MON.BLOCK: ") + stateBlockText(answer));
        // Byte 3, the target floor, gets no line.
        for (int index : {0, 1, 3, 4, 5})
            batchValue(QStringLiteral("->")
                       + monitor::describeMonitorByte(m_texts, index, core::byteAt(answer, index + 1)));
    } else {
        batchError(QStringLiteral("MON.BLOCK: Lese Fehler"));
    }
    const std::weak_ptr<bool> alive = m_alive;
    m_faultLog.fetchFaultLog(
        [this, alive](const QString &) {
            if (const auto a = alive.lock(); !a || !*a) return;
            if (MemberVisit *visit = currentMember(); visit && !m_verifier.failed()) visit->faultCount = m_faultLog.lastCount();
            endBatchStep();
        },
        [this, alive](const QString &text) {
            if (const auto a = alive.lock(); a && *a) faultLine(text);
        });
}

void BatchProcess::faultLine(const QString &text)
{
    if (!m_running) return;
    setBatchTimeout(FaultRecordTimeoutSeconds);
    // "NEXT" follows each record, the failed-count text the count: both while its answer is handed over.
    const bool recordEnd = text == QLatin1String("NEXT");
    if (m_verifier.failed() && (recordEnd || text == QLatin1String(monitor::FaultCountFailedText)))
        batchError(QStringLiteral("FEHLERLISTE: Lese Fehler"));
    if (recordEnd) return;
    batchValue(text);
    // A record that is not one, or a count that could not be read.
    if (text == QLatin1String(monitor::UnreadableRecordText) || text == QLatin1String(monitor::FaultCountFailedText))
        noteUnreadable();
}

void BatchProcess::endBatchStep()
{
    if (!m_running) return;
    if (!m_pending.isEmpty()) {
        processGroupList(m_pending);
        return;
    }
    m_watchdog->stop();
    batchLine(QStringLiteral("-------------Ende BatchProcess------------"));
    m_reachedEnd = true;
    writeSummary();
    if (m_log.open()) {
        emit logonLine(QStringLiteral("Ende BatchProcess"));
        m_log.close();
    }
    m_running = false;
    emit finished();
}

void BatchProcess::processGroupList(const QString &list)
{
    if (!m_running) return;
    const GroupToken next = splitGroupList(list);
    if (next.member < 0) {
        // The rest of the list is dropped: a list that is not understood is not guessed at.
        m_pending.clear();
        m_failed = true;
        emit errorMessage(next.token.isEmpty()
                            ? QStringLiteral("Batch: leerer Eintrag in der Gruppenliste /g=%1").arg(m_params.groupList)
                            : QStringLiteral("Batch: Gruppenmitglied \"%1\" unbekannt (erlaubt: 0, 1, 2, 3); Abbruch")
                                  .arg(next.token));
        endBatchStep();
        return;
    }
    m_pending = next.rest;
    m_member = next.member;
    // Without the routing prefix a group controller would answer every member's reading itself.
    m_memberRoute.pinTo(m_member);
    startMember(next.member);
    setBatchTimeout(StepTimeoutSeconds);
    m_link.transferStart(4000);
    batchLine(QString::fromUtf8("Start-Verzögerung (4000)"));
    batchValue(QStringLiteral("batch_gruppe %1").arg(next.member));
    const std::weak_ptr<bool> alive = m_alive;
    // The group address request carries its own routing.
    monitor::queryGroupAddress(
        m_groupChannel,
        [this, alive](const QString &text) {
            if (const auto a = alive.lock(); a && *a) groupSelected(text);
        },
        next.member);
}

void BatchProcess::groupSelected(const QString &text)
{
    if (!m_running) return;
    if (m_verifier.failed()) batchError(QStringLiteral("GRUPPE/QRX: Lese Fehler"));
    else batchLine(text);
    helloAnswer(core::bytes({0xF1, 0x01}));
}

void BatchProcess::halt()
{
    // A run cut short keeps its log without an end line.
    m_watchdog->stop();
    if (m_running) writeSummary();
    m_log.close();
    m_running = false;
}

void BatchProcess::fail(const QString &message)
{
    m_noLog = true;
    emit errorMessage(message);
    emit finished();
}

int BatchProcess::exitStatus() const
{
    if (m_noLog) return BatchExitNoLog;
    return m_reachedEnd && !m_failed ? BatchExitOk : BatchExitError;
}

// The summary is written before the log closes, so a failure to write it still reaches the log.
void BatchProcess::writeSummary()
{
    if (m_params.summaryFile.isEmpty()) return;
    RunSummary run{m_startStamp, m_params.modem ? m_params.dialNumber : QString(), m_params.logFile, m_reachedEnd, exitStatus()};
    QString error;
    if (appendSummary(m_params.summaryFile, summaryLines(run, m_visits), &error)) return;
    m_failed = true;
    const QString message = QStringLiteral("Batch: Zusammenfassung %1 kann nicht geschrieben werden: %2").arg(m_params.summaryFile, error);
    batchError(message);
    emit errorMessage(message);
}

QString BatchProcess::timeStamp() const
{
    return m_clock.now().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

}  // namespace batch
