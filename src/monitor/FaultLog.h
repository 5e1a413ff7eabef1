#pragma once

#include "ControllerInfo.h"
#include "FaultRecord.h"
#include "FaultSource.h"
#include "core/FileWrite.h"
#include "core/Timer.h"
#include "core/Channel.h"

#include <QObject>
#include <QStringList>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace monitor {

// Fixed texts of the fault list lines, section "unit45" of the language file
// (a missing entry reads as its number, like every language text).
struct FaultListTexts {
    QString dateLabel;   // "1": date line " <1>: <now>"
    QString countLabel;  // "2": count line " <N> <2>"
    QString emptyLog;    // "3": line " <3>" when the controller holds no fault
    static FaultListTexts fromLanguage(const core::IniFile &language);
};

// The fetch's done text when the count could not be read.
inline const char *const FaultCountFailedText = "FEHLER";

// The number of stored faults from an F1 31 answer (F4 and four nibbles); empty when a
// byte holds more than a nibble.
std::optional<int> decodeFaultCount(const QByteArray &answer);

// The controller's fault log: the count and newest-entry requests of the monitor fields,
// and the fetch of the fault list (identity lines, then up to the 100 newest records).
// All requests go through put; every answer carries its own procedure.
class FaultLog : public QObject, public FaultSource {
    Q_OBJECT
public:
    static constexpr int MaxRecords = 100;

    FaultLog(core::Channel &channel, core::Clock &clock, const QString &faultTextFile, FaultListTexts texts,
             QObject *parent = nullptr);
    ~FaultLog() override;

    // The count in decimal, or "999999" for an answer that is not a count.
    // False when the queue refused the request; onText is then never called.
    // onDropped runs instead of onText when a flush or a lost link dropped it.
    bool requestErrorCount(TextProc onText, core::DropProc onDropped = {});
    // Record n (0 = newest) as faultEntryText: head and description, or "LeseFehler".
    bool requestErrorEntry(TextProc onText, int n, core::DropProc onDropped = {});
    // The monitor's fault fields: the count, and the newest record.
    bool requestFaultCount(TextProc onText, core::DropProc onDropped) override
    {
        return requestErrorCount(std::move(onText), std::move(onDropped));
    }
    bool requestNewestFault(TextProc onText, core::DropProc onDropped) override
    {
        return requestErrorEntry(std::move(onText), 0, std::move(onDropped));
    }

    // Fetches the identity lines and records into the fault list. done gets " OK" at the
    // end, or "FEHLER" when the count could not be read. lineHook (batch) gets every line
    // added after the identity lines, "NEXT" after each record, and finally the done text.
    // A fetch asked for while another runs starts when that one has ended.
    // A request refused by the queue ends the fetch silently; one dropped from
    // the queue is asked again, and ends it with "FEHLER" when that is refused.
    // The fetch stays with the group member it started with.
    void fetchFaultLog(TextProc done, TextProc lineHook = {});
    // Ends the running fetch after the record in flight; it lists what it has.
    void stopFetching();
    // Deletes the controller's log (F1 25), then fetches the list; the delete answer
    // fetches it once more. False when the queue refused the delete.
    bool deleteFaultLog();
    bool isFetching() const { return m_fetch.has_value(); }
    // The count the last fetch read; -1 before it was read or when it was unreadable.
    int lastCount() const { return m_lastCount; }

    const QStringList &lines() const { return m_lines; }
    void clearLines() { m_lines.clear(); }

signals:
    // Every line added to the fault list (the "Fehler" tab shows them).
    void lineAdded(const QString &line);
    // Records fetched so far, of maximum.
    void progressed(int position, int maximum);

private:
    struct Fetch {
        TextProc done;
        TextProc lineHook;
        int count = 0;
        int total = 0;
        int index = 0;
        std::vector<QByteArray> records;
    };
    struct Waiting { TextProc done, lineHook; };

    bool put(core::Channel &channel, int answerLength, std::function<void(const QByteArray &)> onAnswer,
             const QByteArray &telegram, core::DropProc onDropped);
    // A request of the running fetch.
    bool fetchPut(int answerLength, std::function<void(const QByteArray &)> onAnswer, const QByteArray &telegram);
    void start();
    void requestIdentity(int step);
    void countAnswer(const QByteArray &answer);
    void requestRecord();
    void recordAnswer(const QByteArray &answer);
    void finish();
    void end(const QString &doneText);
    void abandon();
    void addLine(const QString &line, bool toHook);
    void progress(int position, int maximum) { emit progressed(position, maximum); }

    core::Channel &m_channel;
    core::PinnedChannel m_fetchChannel;
    core::Clock &m_clock;
    FaultTextFile m_faultTexts;
    FaultListTexts m_texts;
    QStringList m_lines;
    std::optional<Fetch> m_fetch;
    std::deque<Waiting> m_waiting;
    bool m_stop = false;
    int m_lastCount = -1;
    // Answers that arrive after this object has gone are dropped.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

// The monitor's newest-fault field: "(count - offset) text".
QString faultReportText(int count, int offset, const QString &text);
// The "step back" button: the next older entry, back to the newest after the oldest.
int nextFaultOffset(int offset, int count);

// Writes the lines as a UTF-8 text file, one line per list line; when it
// cannot be written an existing file is left whole and the outcome says why.
core::WriteOutcome saveFaultList(const QStringList &lines, const QString &fileName);

}  // namespace monitor
