#include "BatchProcess.h"

#include "GroupList.h"
#include "core/Bytes.h"
#include "monitor/MonitorCodes.h"

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

BatchProcess::BatchProcess(core::TimerFactory &timers, core::TransferPutFn put, BatchTexts texts, BatchParams params)
    : m_clock(timers.clock()),
      m_watchdog(timers.createTimer()),
      m_put(std::move(put)),
      m_readingPut([this](int length, core::AnswerProc onAnswer, const QByteArray &telegram) {
          return memberPut(length, std::move(onAnswer), telegram);
      }),
      m_texts(std::move(texts.liftState)),
      m_faultLog(m_readingPut, timers.clock(), texts.faultTextFile, std::move(texts.faultList)),
      m_params(std::move(params))
{
    m_watchdog->setInterval(1000);
    m_watchdog->setCallback([this] { watchdogTick(); });
}

BatchProcess::~BatchProcess()
{
    *m_alive = false;
    m_watchdog->stop();
}

void BatchProcess::StartBatch()
{
    if (m_started) return;
    m_started = true;
    if (!openLog()) return;

    m_running = true;
    if (DetachMainLogMirror) DetachMainLogMirror();
    if (ResetReport) ResetReport();
    writeHead();
    SetBatchTimeout(StartTimeoutSeconds);

    if (!m_params.modem) {
        BatchVisit(LocalName);
        return;
    }
    BatchLine(QString::fromUtf8("WÄHLE: ") + m_params.dialNumber);
    // An empty number would put the modem into answer-less originate mode until its time-out.
    if (m_params.dialNumber.trimmed().isEmpty())
        BatchDialError(QStringLiteral("keine Rufnummer angegeben (/t=)"));
    else if (Dial)
        Dial(m_params.dialNumber);
}

bool BatchProcess::openLog()
{
    const QString &fileName = m_params.logFile;
    if (fileName.isEmpty()) {
        fail(QStringLiteral("Batch: kein Batch-Protokoll angegeben (/f=Dateiname)"));
        return false;
    }
    m_file.setFileName(fileName);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        fail(QStringLiteral("Batch: Batch-Protokoll %1 kann nicht geöffnet werden: %2")
                 .arg(fileName, m_file.errorString()));
        return false;
    }
    return true;
}

void BatchProcess::writeHead()
{
    const QString stamp = timeStamp();
    BatchLine(QString());
    BatchLine(QStringLiteral("---------------BatchProcess---------------"));
    BatchLine(stamp);
    if (LogOnLogWrite) LogOnLogWrite(QStringLiteral("Batch gestartet: ") + stamp);
    BatchLine(QStringLiteral("erstellt mit: ") + m_params.iniVersion);
    BatchLine(QStringLiteral("Logfile=") + m_params.logFile);

    if (SetCaption)
        SetCaption(QStringLiteral(" Batch Prozess(") + QFileInfo(m_params.logFile).fileName() + QLatin1Char(')'));

    BatchLine(QStringLiteral("/c=") + m_params.comment.toUpper());
    if (LogOnLogWrite) LogOnLogWrite(m_params.comment);
}

void BatchProcess::BatchLine(const QString &text)
{
    writeLine(QStringLiteral(" ") + trimmed(text));
}

void BatchProcess::BatchValue(const QString &text)
{
    writeLine(QStringLiteral("   : ") + trimmed(text));
}

void BatchProcess::BatchError(const QString &text)
{
    if (m_running) m_failed = true;
    writeLine(QStringLiteral(" *** ") + trimmed(text));
}

void BatchProcess::writeLine(const QString &line)
{
    if (!m_running) return;
    if (m_file.isOpen()) {
        // Flushed per line, so a run cut short still leaves what it read.
        m_file.write(line.toUtf8() + '\n');
        m_file.flush();
    }
    if (AppendReport) AppendReport(line);
    if (LinkTrace) LinkTrace(line);
}

void BatchProcess::StatusText(int index, const QString &text)
{
    if (index == 1) BatchLine(text);
}

void BatchProcess::SetBatchTimeout(int seconds)
{
    if (!m_running) return;
    m_watchdogTag = seconds;
    m_gaugeMaximum = seconds;
    if (GaugeChanged) GaugeChanged(seconds, seconds);
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
        BatchError(QStringLiteral("Timeout Fehler **"));
        m_pending.clear();
        EndBatchStep();
        return;
    }
    if (GaugeChanged) GaugeChanged(m_gaugeMaximum, m_watchdogTag);
}

void BatchProcess::BatchDialError(const QString &text)
{
    if (!m_running) return;
    BatchError(QStringLiteral("Batch Fehler: ") + text);
    m_watchdog->stop();
    m_pending.clear();
    SetBatchTimeout(1);
}

void BatchProcess::BatchVisit(const QString &name)
{
    if (!m_running) return;
    m_batchName = name.toUpper();
    m_halloRetries = HalloTries;
    BatchLine(QStringLiteral("HALLO <") + m_batchName + QLatin1Char('>'));

    if (!m_params.groupList.isEmpty()) {
        ProcessGroupList(m_params.groupList);
        return;
    }
    m_pending.clear();
    SetBatchTimeout(StepTimeoutSeconds);
    if (TransferStart) TransferStart(3000);
    BatchLine(QString::fromUtf8("Start-Verzögerung (3000)"));
    put(2, &BatchProcess::HalloAnswer, core::bytes({0xF1, 0x00}));
}

// Without the routing prefix a group controller would answer every member's reading itself.
bool BatchProcess::memberPut(int answerLength, core::AnswerProc onAnswer, const QByteArray &telegram)
{
    if (!m_put) return false;
    const QByteArray routed = m_member < 0 ? telegram : core::bytes({0xF0, 0x10, 0x70, m_member}) + telegram;
    return m_put(answerLength, std::move(onAnswer), routed);
}

void BatchProcess::put(int answerLength, void (BatchProcess::*handler)(const QByteArray &),
                       const QByteArray &telegram)
{
    const std::weak_ptr<bool> alive = m_alive;
    // A refused request leaves the watchdog to end the run.
    m_readingPut(answerLength,
          [this, alive, handler](const QByteArray &answer) {
              if (const auto a = alive.lock(); a && *a) (this->*handler)(answer);
          },
          telegram);
}

void BatchProcess::HalloAnswer(const QByteArray &answer)
{
    if (!m_running) return;
    if (answer == core::bytes({0xF1, 0x01})) {
        put(16, &BatchProcess::installationCodeAnswer, core::bytes({0xF2, 0x55, 0x12}));
        return;
    }
    BatchLine(QStringLiteral("HALLO :Fehler"));
    if (--m_halloRetries > 0) {
        put(16, &BatchProcess::HalloAnswer, core::bytes({0xF1, 0x00}));
        SetBatchTimeout(StepTimeoutSeconds);
        return;
    }
    BatchError(QStringLiteral("MST (") + m_batchName + QStringLiteral(") ANTWORTET"));
    BatchError(QStringLiteral("STEUERUNG ANTWORTET NICHT <ABBRUCH> "));
    m_pending.clear();
    EndBatchStep();
}

void BatchProcess::installationCodeAnswer(const QByteArray &answer)
{
    if (!m_running) return;
    SetBatchTimeout(StepTimeoutSeconds);
    BatchValue(QStringLiteral("ANLAGENKENNUNG: ") + monitor::printableTextAnswer(answer).toUpper());
    SetBatchTimeout(StepTimeoutSeconds);
    put(16, &BatchProcess::versionAnswer, core::bytes({0xF1, 0x01}));
}

void BatchProcess::versionAnswer(const QByteArray &answer)
{
    if (!m_running) return;
    SetBatchTimeout(StepTimeoutSeconds);
    BatchValue(QStringLiteral("STEUERUNGS.VERSION: ") + monitor::printableTextAnswer(answer));
    const std::weak_ptr<bool> alive = m_alive;
    monitor::ReadTripCounter(m_readingPut, [this, alive](const QString &text) {
        if (const auto a = alive.lock(); a && *a) tripAnswer(text);
    });
}

void BatchProcess::tripAnswer(const QString &text)
{
    if (!m_running) return;
    SetBatchTimeout(StepTimeoutSeconds);
    BatchValue(QString::fromUtf8("FAHRTEN.ZÄHLER: ") + text);
    put(7, &BatchProcess::stateAnswer, core::bytes({0xF1, 0x60}));
}

void BatchProcess::stateAnswer(const QByteArray &answer)
{
    if (!m_running) return;
    SetBatchTimeout(StepTimeoutSeconds);
    // A short block would show missing bytes as zeros: that is a read error too.
    if (answer.size() >= 7 && core::byteAt(answer, 0) == 0xF6) {
        BatchValue(QStringLiteral("MON.BLOCK: ") + stateBlockText(answer));
        // Byte 3, the target floor, gets no line.
        for (int index : {0, 1, 3, 4, 5})
            BatchValue(QStringLiteral("->")
                       + monitor::DescribeMonitorByte(m_texts, index, core::byteAt(answer, index + 1)));
    } else {
        BatchError(QStringLiteral("MON.BLOCK: Lese Fehler"));
    }
    const std::weak_ptr<bool> alive = m_alive;
    m_faultLog.FetchFaultLog(
        [this, alive](const QString &) {
            if (const auto a = alive.lock(); a && *a) EndBatchStep();
        },
        [this, alive](const QString &text) {
            if (const auto a = alive.lock(); a && *a) FaultLine(text);
        });
}

void BatchProcess::FaultLine(const QString &text)
{
    if (!m_running) return;
    SetBatchTimeout(FaultRecordTimeoutSeconds);
    if (text != QLatin1String("NEXT")) BatchValue(text);
}

void BatchProcess::EndBatchStep()
{
    if (!m_running) return;
    if (!m_pending.isEmpty()) {
        ProcessGroupList(m_pending);
        return;
    }
    m_watchdog->stop();
    BatchLine(QStringLiteral("-------------Ende BatchProcess------------"));
    m_reachedEnd = true;
    if (m_file.isOpen()) {
        if (LogOnLogWrite) LogOnLogWrite(QStringLiteral("Ende BatchProcess"));
        m_file.close();
    }
    m_running = false;
    if (Quit) Quit();
}

void BatchProcess::ProcessGroupList(const QString &list)
{
    if (!m_running) return;
    const GroupToken next = splitGroupList(list);
    if (next.member < 0) {
        // The rest of the list is dropped: a list that is not understood is not guessed at.
        m_pending.clear();
        m_failed = true;
        if (ErrorOutput)
            ErrorOutput(next.token.isEmpty()
                            ? QStringLiteral("Batch: leerer Eintrag in der Gruppenliste /g=%1").arg(m_params.groupList)
                            : QStringLiteral("Batch: Gruppenmitglied \"%1\" unbekannt (erlaubt: 0, 1, 2, 3); Abbruch")
                                  .arg(next.token));
        EndBatchStep();
        return;
    }
    m_pending = next.rest;
    m_member = next.member;
    SetBatchTimeout(StepTimeoutSeconds);
    if (TransferStart) TransferStart(4000);
    BatchLine(QString::fromUtf8("Start-Verzögerung (4000)"));
    BatchValue(QStringLiteral("batch_gruppe %1").arg(next.member));
    const std::weak_ptr<bool> alive = m_alive;
    // The group address request carries its own routing.
    monitor::QueryGroupAddress(
        m_put,
        [this, alive](const QString &text) {
            if (const auto a = alive.lock(); a && *a) GroupSelected(text);
        },
        next.member);
}

void BatchProcess::GroupSelected(const QString &text)
{
    if (!m_running) return;
    BatchLine(text);
    HalloAnswer(core::bytes({0xF1, 0x01}));
}

void BatchProcess::Halt()
{
    // A run cut short keeps its log without an end line.
    m_watchdog->stop();
    m_file.close();
    m_running = false;
}

void BatchProcess::fail(const QString &message)
{
    m_noLog = true;
    if (ErrorOutput) ErrorOutput(message);
    if (Quit) Quit();
}

int BatchProcess::exitStatus() const
{
    if (m_noLog) return BatchExitNoLog;
    return m_reachedEnd && !m_failed ? BatchExitOk : BatchExitError;
}

QString BatchProcess::timeStamp() const
{
    return m_clock.now().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

}  // namespace batch
