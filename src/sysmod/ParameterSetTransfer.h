#pragma once

#include "core/Timer.h"
#include "core/Channel.h"
#include "core/LanguageTexts.h"
#include "sysmod/ParameterSet.h"
#include "sysmod/TransferLine.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace sysmod {

// Reads the system module image from the linked controller and writes it back:
// chains of request/answer steps through the transfer queue, the image in
// 16-byte run-length-coded packets. Only one transfer runs at a time; a new
// start drops whatever the previous one still waited for.
class ParameterSetTransfer : public ImageTransfer {
public:
    // Error codes passed (in decimal) to onFailure.
    enum Error {
        AbortSeen = 1,
        AbortAfterPacket = 2,
        NotQueued = 3,     // the transfer queue refused a request
        NoAnswer = 4,      // no answer within AnswerTimeoutMs
        Dropped = 5,       // a flush or a lost link dropped a request
        WriteStopGroup = 10,
        WriteSelect = 11,
        WriteSize = 12,
        WriteSuspend = 13,
        WritePrepare = 14,
        WritePacketTooLong = 15,
        WritePacket = 16,
        WriteEnd = 17,
        WriteRestart = 18,
        ReadChecksum = 20,
        ReadStopGroup = 21,
        ReadSelect = 22,
        ReadSize = 23,
        ReadPacket = 24,
    };

    static constexpr int SuspendWaitMs = 3000;
    static constexpr int RestartWaitMs = 5000;
    static constexpr int EndOfWriteLineTimeoutMs = 2500;
    // Longer than any wait of the queue or the link, so a lost answer ends the transfer.
    static constexpr int AnswerTimeoutMs = 15000;

    // Every request goes through the channel; a transfer stays with the group member it started with.
    // Its messages are entries of the language file's section "zbl-rw-sysmod"; a missing one is its number.
    ParameterSetTransfer(ParameterSet &image, core::Channel &channel, core::TimerFactory &timers, TransferLine &line,
                         const core::LanguageTexts &texts);
    ~ParameterSetTransfer() override;

    // The member the next transfer goes to.
    int member() const { return m_target.member(); }

    void loadFromQRx(TextCallback onSuccess, TextCallback onFailure, TextCallback onStatus,
                     ProgressCallback onProgress) override;
    void saveToQRx(TextCallback onSuccess, TextCallback onFailure, TextCallback onStatus,
                   ProgressCallback onProgress) override;
    // The break button: the next step ends the transfer with error 1.
    void abort() { m_abortRequest = true; }
    bool running() const { return m_running; }

    // Message number n in the language file section "zbl-rw-sysmod".
    QString t(int n) const { return text(QString::number(n)); }
    QString text(const QString &ident) const;

private:
    using Step = void (ParameterSetTransfer::*)(const QByteArray &answer);

    void begin(TextCallback onSuccess, TextCallback onFailure, TextCallback onStatus, ProgressCallback onProgress);
    bool guard(const QString &step);
    void log(const QString &line) const;
    void status(const QString &s) const;
    void progress() const;
    void recordError(int code);
    void fail(int code);  // records the error and finishes
    void finish(const QString &message);
    void put(int answerLength, Step step, const QByteArray &telegram);
    void answerTimedOut();
    // A request was refused or dropped: the chain cannot go on.
    void requestFailed(int code);
    void delay(int ms, std::function<void()> then);
    void restoreLineTimeout();
    void sizeMismatch(int size);
    static int sizeFromAnswer(const QByteArray &answer);

    // Read chain.
    void readStopGroupAnswer(const QByteArray &a);
    void readSelectAnswer(const QByteArray &a);
    void readSizeAnswer(const QByteArray &a);
    void readPacketAnswer(const QByteArray &a);
    void readGroupFinishAnswer(const QByteArray &a);
    // Write chain.
    void writeStopGroupAnswer(const QByteArray &a);
    void writeSelectAnswer(const QByteArray &a);
    void writeSizeAnswer(const QByteArray &a);
    void writeSuspendAnswer(const QByteArray &a);
    void afterSuspendWait();
    void writePrepareAnswer(const QByteArray &a);
    void writePacketAnswer(const QByteArray &a);
    void sendNextPacket();
    void writeEndAnswer(const QByteArray &a);
    void restartCheck();
    void linkCheckAnswer(const QByteArray &a);
    void restartFailed();

    ParameterSet &m_image;
    TransferLine &m_line;
    const core::LanguageTexts &m_texts;
    core::Channel &m_target;
    core::PinnedChannel m_channel;
    TextCallback m_onSuccess, m_onFailure, m_onStatus, m_final;
    ProgressCallback m_onProgress;
    // Status hook kept after a write's success for the restart check's report.
    TextCallback m_restartStatus;
    bool m_running = false;
    bool m_restartPending = false;
    bool m_abortRequest = false;
    QString m_message;
    // Answers to requests of an earlier transfer are ignored.
    quint64 m_generation = 0;

    int m_remaining = 0;
    int m_position = 0;
    QByteArray m_buffer;  // read: the image as it arrives; write: the image being sent
    std::optional<int> m_savedLineTimeout;

    std::unique_ptr<core::Timer> m_delayTimer;
    std::function<void()> m_delayed;
    std::unique_ptr<core::Timer> m_answerTimer;
};

}  // namespace sysmod
