#include "FaultLog.h"

#include "MonitorCodes.h"
#include "core/Bytes.h"
#include "protocol/Codes.h"


namespace monitor {

namespace {
constexpr int CounterAnswerLength = 9;
constexpr int CountAnswerLength = 8;
constexpr int RecordAnswerLength = 8;
constexpr int TextAnswerLength = 16;
constexpr int DeleteAnswerLength = 2;
constexpr int KeptRecordBytes = 32;

QByteArray recordRequest(int n) { return core::bytes({0xF3, 0x55, 0x07, n & 0xFF}); }
}  // namespace

FaultListTexts FaultListTexts::fromLanguage(const core::IniFile &language)
{
    const auto text = [&](const QString &ident) { return language.readString(QStringLiteral("unit45"), ident, ident); };
    return {text(QStringLiteral("1")), text(QStringLiteral("2")), text(QStringLiteral("3"))};
}

std::optional<int> decodeFaultCount(const QByteArray &answer)
{
    if (answer.size() < 5 || core::byteAt(answer, 0) != 0xF4 || !protocol::nibblesOnly(answer.mid(1, 4)))
        return std::nullopt;
    return protocol::fromNibbles(answer, 1);
}

FaultLog::FaultLog(core::Channel &channel, core::Clock &clock, const QString &faultTextFile, FaultListTexts texts,
                   QObject *parent)
    : QObject(parent), m_channel(channel), m_fetchChannel(channel), m_clock(clock), m_faultTexts(faultTextFile), m_texts(std::move(texts))
{
}

FaultLog::~FaultLog() { *m_alive = false; }

bool FaultLog::put(core::Channel &channel, int answerLength, std::function<void(const QByteArray &)> onAnswer,
                   const QByteArray &telegram, core::DropProc onDropped)
{
    std::weak_ptr<bool> alive = m_alive;
    return channel.put(
        answerLength,
        [alive, onAnswer](const QByteArray &answer) {
            if (auto a = alive.lock(); a && *a) onAnswer(answer);
        },
        telegram,
        [alive, onDropped] {
            if (auto a = alive.lock(); a && *a && onDropped) onDropped();
        });
}

bool FaultLog::fetchPut(int answerLength, std::function<void(const QByteArray &)> onAnswer, const QByteArray &telegram)
{
    // A step a flush dropped is asked again; when the link is gone that is
    // refused, and the fetch ends as failed.
    return put(m_fetchChannel, answerLength, onAnswer, telegram, [this, answerLength, onAnswer, telegram] {
        if (m_fetch && !fetchPut(answerLength, onAnswer, telegram)) end(QString::fromLatin1(FaultCountFailedText));
    });
}

bool FaultLog::requestErrorCount(TextProc onText, core::DropProc onDropped)
{
    return put(m_channel, CountAnswerLength,
               [onText](const QByteArray &answer) {
                   const auto count = decodeFaultCount(answer);
                   if (onText) onText(count ? QString::number(*count) : QStringLiteral("999999"));
               },
               core::bytes({0xF1, 0x31}), std::move(onDropped));
}

bool FaultLog::requestErrorEntry(TextProc onText, int n, core::DropProc onDropped)
{
    return put(m_channel, RecordAnswerLength,
               [this, onText](const QByteArray &answer) {
                   const QString text = faultEntryText(answer, m_faultTexts);
                   if (onText) onText(text);
               },
               recordRequest(n), std::move(onDropped));
}

void FaultLog::fetchFaultLog(TextProc done, TextProc lineHook)
{
    m_waiting.push_back({std::move(done), std::move(lineHook)});
    if (!m_fetch) start();
}

void FaultLog::stopFetching()
{
    if (m_fetch) m_stop = true;
}

bool FaultLog::deleteFaultLog()
{
    const bool queued = put(m_channel, DeleteAnswerLength, [this](const QByteArray &) { fetchFaultLog({}); },
                            core::bytes({0xF1, 0x25}), {});
    fetchFaultLog({});
    return queued;
}

void FaultLog::start()
{
    if (m_fetch || m_waiting.empty()) return;
    m_lastCount = -1;
    m_fetch = Fetch{m_waiting.front().done, m_waiting.front().lineHook, 0, 0, 0, {}};
    m_waiting.pop_front();
    m_stop = false;
    m_fetchChannel.pin();
    requestIdentity(0);
}

// Trip counter, software version and installation code head the list, then the count follows.
void FaultLog::requestIdentity(int step)
{
    struct Step { const char *label; int answerLength; QByteArray telegram; QString (*decode)(const QByteArray &); };
    static const Step steps[] = {
        {" Fahrtenzähler: ", CounterAnswerLength, core::bytes({0xF1, 0x40}), tripCounterText},
        {" Software-Version: ", TextAnswerLength, core::bytes({0xF1, 0x01}), printableTextAnswer},
        {" Anlagen-Kennung: ", TextAnswerLength, core::bytes({0xF2, 0x55, 0x12}), printableTextAnswer},
    };
    bool queued;
    if (step < int(std::size(steps))) {
        const Step &s = steps[step];
        queued = fetchPut(s.answerLength,
                     [this, &s, step](const QByteArray &answer) {
                         if (!m_fetch) return;
                         addLine(QString::fromUtf8(s.label) + s.decode(answer), false);
                         requestIdentity(step + 1);
                     },
                     s.telegram);
    } else {
        queued = fetchPut(CountAnswerLength, [this](const QByteArray &answer) { countAnswer(answer); },
                     core::bytes({0xF1, 0x31}));
    }
    if (!queued) abandon();
}

void FaultLog::countAnswer(const QByteArray &answer)
{
    if (!m_fetch) return;
    const auto count = decodeFaultCount(answer);
    m_lastCount = count ? *count : -1;
    if (!count) return end(QString::fromLatin1(FaultCountFailedText));
    m_fetch->count = *count;
    if (*count == 0) return finish();
    m_fetch->total = qMin(*count, MaxRecords);
    progress(0, m_fetch->total);
    requestRecord();
}

void FaultLog::requestRecord()
{
    if (!fetchPut(RecordAnswerLength, [this](const QByteArray &answer) { recordAnswer(answer); },
             recordRequest(m_fetch->index)))
        abandon();
}

void FaultLog::recordAnswer(const QByteArray &answer)
{
    if (!m_fetch) return;
    m_fetch->records.push_back(answer.left(KeptRecordBytes));
    ++m_fetch->index;
    progress(m_fetch->index, m_fetch->total);
    if (m_fetch->lineHook) m_fetch->lineHook(QStringLiteral("NEXT"));
    if (m_stop) m_fetch->index = m_fetch->total;
    if (m_fetch->index < m_fetch->total) requestRecord();
    else finish();
}

void FaultLog::finish()
{
    addLine(QString(), true);
    addLine(QStringLiteral(" ") + m_texts.dateLabel + QStringLiteral(": ")
                + m_clock.now().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")),
            true);
    addLine(QStringLiteral(" %1 ").arg(m_fetch->count) + m_texts.countLabel, true);
    if (m_fetch->count == 0) addLine(QStringLiteral(" ") + m_texts.emptyLog, true);
    // Index i is the record the controller numbers count - i; the oldest fetched comes first,
    // the newest last. Numbering by index keeps a stopped fetch's numbers true.
    for (int i = int(m_fetch->records.size()) - 1; i >= 0; --i)
        addLine(faultListLine(m_fetch->records[i], m_fetch->count - i, m_faultTexts), true);
    end(QStringLiteral(" OK"));
}

void FaultLog::end(const QString &doneText)
{
    const Fetch fetch = std::move(*m_fetch);
    m_fetch.reset();
    // The end callback may end the program and this object with it.
    const std::weak_ptr<bool> alive = m_alive;
    if (fetch.lineHook) fetch.lineHook(doneText);
    if (fetch.done) fetch.done(doneText);
    if (const auto a = alive.lock(); a && *a) start();
}

void FaultLog::abandon()
{
    m_fetch.reset();
    start();
}

void FaultLog::addLine(const QString &line, bool toHook)
{
    m_lines << line;
    emit lineAdded(line);
    if (toHook && m_fetch && m_fetch->lineHook) m_fetch->lineHook(line);
}

core::WriteOutcome saveFaultList(const QStringList &lines, const QString &fileName)
{
    return core::writeLinesWhole(fileName, lines);
}

QString faultReportText(int count, int offset, const QString &text)
{
    return QStringLiteral("(%1) %2").arg(count - offset).arg(text);
}

int nextFaultOffset(int offset, int count)
{
    ++offset;
    return offset > count - 1 ? 0 : offset;
}

}  // namespace monitor
