#include "ParameterSetTransfer.h"

#include "core/Bytes.h"
#include "core/Reports.h"

namespace sysmod {

namespace {

const QString TextSection = QStringLiteral("zbl-rw-sysmod");

QByteArray telegram(int command) { return core::bytes({0xF1, command}); }

}  // namespace

ParameterSetTransfer::ParameterSetTransfer(ParameterSet &image, core::Channel &channel, core::TimerFactory &timers,
                                           TransferLine &line, const core::LanguageTexts &texts)
    : m_image(image), m_line(line), m_texts(texts), m_target(channel), m_channel(channel), m_delayTimer(timers.createTimer()), m_answerTimer(timers.createTimer())
{
    m_delayTimer->setSingleShot(true);
    m_delayTimer->setCallback([this] {
        if (auto then = m_delayed) then();
    });
    m_answerTimer->setSingleShot(true);
    m_answerTimer->setCallback([this] { answerTimedOut(); });
}

ParameterSetTransfer::~ParameterSetTransfer() = default;

QString ParameterSetTransfer::text(const QString &ident) const
{
    const QString found = m_texts.text(TextSection, ident);
    return found.isEmpty() ? ident : found;
}

void ParameterSetTransfer::loadFromQRx(TextCallback onSuccess, TextCallback onFailure, TextCallback onStatus,
                      ProgressCallback onProgress)
{
    begin(std::move(onSuccess), std::move(onFailure), std::move(onStatus), std::move(onProgress));
    if (!guard(QStringLiteral("LoadFromQRx"))) return;
    log(t(30));
    status(QStringLiteral("..stop gruppe"));
    put(2, &ParameterSetTransfer::readStopGroupAnswer, telegram(0x46));
}

void ParameterSetTransfer::saveToQRx(TextCallback onSuccess, TextCallback onFailure, TextCallback onStatus,
                    ProgressCallback onProgress)
{
    begin(std::move(onSuccess), std::move(onFailure), std::move(onStatus), std::move(onProgress));
    if (!guard(QStringLiteral("SaveToQRx"))) return;
    m_line.transferFlush();
    m_image.updateChecksum();
    // The image is sent as it stands now, even if it is edited meanwhile.
    m_buffer = m_image.imageData();
    log(QStringLiteral("zbl_rw_sysmod>Stop Gruppe"));
    status(t(50));
    put(2, &ParameterSetTransfer::writeStopGroupAnswer, telegram(0x46));
}

void ParameterSetTransfer::begin(TextCallback onSuccess, TextCallback onFailure, TextCallback onStatus, ProgressCallback onProgress)
{
    // A transfer still running is ended first, so its caller hears of it.
    if (m_running) fail(AbortSeen);
    ++m_generation;
    m_delayTimer->stop();
    m_answerTimer->stop();
    restoreLineTimeout();
    m_restartPending = false;
    m_restartStatus = {};
    m_abortRequest = false;
    m_channel.pin();
    m_onSuccess = std::move(onSuccess);
    m_onFailure = std::move(onFailure);
    m_onStatus = std::move(onStatus);
    m_onProgress = std::move(onProgress);
    m_final = m_onSuccess;
    m_message.clear();
    m_running = true;
}

bool ParameterSetTransfer::guard(const QString &step)
{
    log(QStringLiteral("zbl_rw_sysmod.") + step);
    if (!m_abortRequest) return true;
    fail(AbortSeen);
    return false;
}

void ParameterSetTransfer::log(const QString &line) const
{
    core::reports().writeIf(core::ReportSysModTransfer, QStringLiteral("zbl_rw ") + line);
}

void ParameterSetTransfer::status(const QString &s) const
{
    if (m_onStatus) m_onStatus(QStringLiteral("[") + s + QStringLiteral("]"));
}

void ParameterSetTransfer::progress() const
{
    if (m_onProgress) m_onProgress(ImageSize + 8 - m_remaining);
}

void ParameterSetTransfer::recordError(int code)
{
    m_message = QString::number(code);
    m_final = m_onFailure;
    log(QStringLiteral("zbl_rw_sysmod.error=%1").arg(code));
}

void ParameterSetTransfer::fail(int code)
{
    recordError(code);
    finish(m_message);
}

void ParameterSetTransfer::finish(const QString &message)
{
    if (!m_running) return;
    m_running = false;
    m_answerTimer->stop();
    restoreLineTimeout();
    const TextCallback taken = m_final;
    m_final = m_onSuccess = m_onFailure = m_onStatus = {};
    m_onProgress = {};
    if (taken) taken(message);
}

void ParameterSetTransfer::put(int answerLength, Step step, const QByteArray &request)
{
    const quint64 generation = m_generation;
    core::AnswerProc onAnswer;
    if (step) {
        onAnswer = [this, generation, step](const QByteArray &answer) {
            if (generation != m_generation) return;
            m_answerTimer->stop();
            (this->*step)(answer);
        };
    }
    const auto dropped = [this, generation, request] {
        if (generation != m_generation) return;
        log(QStringLiteral("zbl_rw_sysmod.dropped ") + core::hexText(request));
        requestFailed(Dropped);
    };
    if (answerLength > 0) m_answerTimer->start(AnswerTimeoutMs);
    if (m_channel.put(answerLength, std::move(onAnswer), request, dropped)) return;

    // A refused request would leave the chain waiting for ever.
    log(QStringLiteral("zbl_rw_sysmod.not queued ") + core::hexText(request));
    requestFailed(NotQueued);
}

void ParameterSetTransfer::requestFailed(int code)
{
    m_answerTimer->stop();
    if (m_running) {
        fail(code);
    } else if (m_restartPending) {
        restartFailed();
    }
}

void ParameterSetTransfer::answerTimedOut()
{
    log(QStringLiteral("zbl_rw_sysmod.no answer"));
    if (m_running) {
        fail(NoAnswer);
    } else if (m_restartPending) {
        restartFailed();
    }
}

void ParameterSetTransfer::delay(int ms, std::function<void()> then)
{
    m_delayed = std::move(then);
    m_delayTimer->start(ms);
}

void ParameterSetTransfer::restoreLineTimeout()
{
    if (!m_savedLineTimeout) return;
    m_line.swapLineTimeout(*m_savedLineTimeout);
    m_savedLineTimeout.reset();
}

int ParameterSetTransfer::sizeFromAnswer(const QByteArray &answer)
{
    return core::byteAt(answer, 1) + 16 * core::byteAt(answer, 2) + 256 * core::byteAt(answer, 3)
           + 4096 * core::byteAt(answer, 4);
}

void ParameterSetTransfer::sizeMismatch(int size)
{
    // Nothing was transferred: a failure, with both sizes for the engineer.
    const QString sizes = QString::asprintf("IST=%d SOLL=%d", size, ImageSize);
    log(sizes);
    status(sizes);
    m_final = m_onFailure;
    finish(text(QStringLiteral("final_notify_string")) + QLatin1Char(' ') + sizes);
}

// ---- read ----

void ParameterSetTransfer::readStopGroupAnswer(const QByteArray &a)
{
    if (!guard(QStringLiteral("Get1"))) return;
    if (core::byteAt(a, 0) != 0xF1) return fail(ReadStopGroup);
    put(5, &ParameterSetTransfer::readSelectAnswer, telegram(0x05));
    status(t(43));
}

void ParameterSetTransfer::readSelectAnswer(const QByteArray &a)
{
    if (!guard(QStringLiteral("Get2"))) return;
    if (core::byteAt(a, 0) != 0xF4) return fail(ReadSelect);
    put(5, &ParameterSetTransfer::readSizeAnswer, telegram(0x07));
    status(t(40));
}

void ParameterSetTransfer::readSizeAnswer(const QByteArray &a)
{
    if (!guard(QStringLiteral("Get3"))) return;
    if (core::byteAt(a, 0) != 0xF4) return fail(ReadSize);
    const int size = sizeFromAnswer(a);
    if (size != ImageSize) return sizeMismatch(size);
    // The image arrives here and replaces the module's only once it is verified.
    m_position = 0;
    m_remaining = ImageSize;
    m_buffer = QByteArray(ImageSize, '\0');
    status(QString::asprintf("%s : %d..", qPrintable(t(42)), size));
    progress();
    put(16, &ParameterSetTransfer::readPacketAnswer, telegram(0x48));
}

void ParameterSetTransfer::readPacketAnswer(const QByteArray &a)
{
    if (!guard(QStringLiteral("r_a_e1"))) return;
    if (core::byteAt(a, 1) != 0x48) return fail(ReadPacket);
    const DecodeResult decoded = decodeRuns(a, 2, core::byteAt(a, 0) & 0x0F, m_buffer, m_position);
    // A packet that brings nothing would repeat for ever.
    if (decoded.written == 0) return fail(ReadPacket);
    m_remaining -= decoded.written;
    progress();
    if (m_remaining > 0) return put(16, &ParameterSetTransfer::readPacketAnswer, telegram(0x48));

    const quint16 received = storedChecksum(m_buffer);
    const quint16 computed = quint16(checksumOf(m_buffer));
    if (received != computed) {
        log(QString::asprintf("zbl_rw_sysmod.checksum %4.4X/%4.4X", received, computed));
        return fail(ReadChecksum);
    }
    status(t(41));
    put(2, &ParameterSetTransfer::readGroupFinishAnswer, telegram(0x47));
}

void ParameterSetTransfer::readGroupFinishAnswer(const QByteArray &)
{
    m_image.setImageData(m_buffer);
    status(t(31));
    log(QStringLiteral("zbl_rw_sysmod.run_ok"));
    finish(QStringLiteral("Controller Data Read"));
}

// ---- write ----

void ParameterSetTransfer::writeStopGroupAnswer(const QByteArray &a)
{
    if (!guard(QStringLiteral("Put1"))) return;
    if (core::byteAt(a, 1) != 1) return fail(WriteStopGroup);
    status(t(43));
    put(5, &ParameterSetTransfer::writeSelectAnswer, telegram(0x05));
}

void ParameterSetTransfer::writeSelectAnswer(const QByteArray &a)
{
    if (!guard(QStringLiteral("Put2>read sysmod.size"))) return;
    if (core::byteAt(a, 0) != 0xF4) return fail(WriteSelect);
    status(t(40));
    put(5, &ParameterSetTransfer::writeSizeAnswer, telegram(0x07));
}

void ParameterSetTransfer::writeSizeAnswer(const QByteArray &a)
{
    if (!guard(QStringLiteral("Put3>suspend"))) return;
    if (core::byteAt(a, 0) != 0xF4) return fail(WriteSize);
    const int size = sizeFromAnswer(a);
    if (size != ImageSize) return sizeMismatch(size);
    m_position = 0;
    m_remaining = ImageSize;
    progress();
    status(t(39));
    put(2, &ParameterSetTransfer::writeSuspendAnswer, telegram(0x0E));
}

void ParameterSetTransfer::writeSuspendAnswer(const QByteArray &a)
{
    if (!guard(QStringLiteral("Put4>warte 3 sec"))) return;
    if (core::byteAt(a, 1) != 1) return fail(WriteSuspend);
    status(t(38));
    delay(SuspendWaitMs, [this] { afterSuspendWait(); });
}

void ParameterSetTransfer::afterSuspendWait()
{
    if (!guard(QStringLiteral("Put4_1"))) return;
    status(t(37));
    put(2, &ParameterSetTransfer::writePrepareAnswer, telegram(0x0F));
}

void ParameterSetTransfer::writePrepareAnswer(const QByteArray &a)
{
    if (!guard(QStringLiteral("Put5>komprimieren und senden"))) return;
    if (core::byteAt(a, 1) != 1) return fail(WritePrepare);
    status(t(36));
    sendNextPacket();
}

void ParameterSetTransfer::sendNextPacket()
{
    const int start = m_position;
    QByteArray packet = core::bytes({0xFF, 0x49}) + encodeRuns(m_buffer, m_position, 7);
    m_remaining -= m_position - start;
    if (packet.size() > 16) return fail(WritePacketTooLong);
    packet.append(16 - packet.size(), '\0');
    progress();
    put(2, &ParameterSetTransfer::writePacketAnswer, packet);
}

void ParameterSetTransfer::writePacketAnswer(const QByteArray &a)
{
    if (!guard(QStringLiteral("Put5_1>"))) return;
    if (core::byteAt(a, 1) != 1) return fail(WritePacket);
    if (m_abortRequest) {
        recordError(AbortAfterPacket);
        return writeEndAnswer(telegram(0x01));
    }
    if (m_remaining > 0) return sendNextPacket();
    status(t(35));
    // Writing the module takes the controller longer than an ordinary answer.
    m_savedLineTimeout = m_line.swapLineTimeout(EndOfWriteLineTimeoutMs);
    put(2, &ParameterSetTransfer::writeEndAnswer, telegram(0x4A));
}

void ParameterSetTransfer::writeEndAnswer(const QByteArray &a)
{
    if (!guard(QStringLiteral("Put6"))) return;
    restoreLineTimeout();
    if (core::byteAt(a, 1) != 1) return fail(WriteEnd);
    status(t(33));
    put(0, nullptr, telegram(0x10));
    if (!m_running) return;
    m_restartStatus = m_onStatus;
    m_restartPending = true;
    delay(RestartWaitMs, [this] { restartCheck(); });
    finish(t(32));
}

void ParameterSetTransfer::restartCheck()
{
    if (!guard(QStringLiteral("restart1"))) {
        m_restartPending = false;
        return;
    }
    put(2, &ParameterSetTransfer::linkCheckAnswer, telegram(0x00));
}

void ParameterSetTransfer::linkCheckAnswer(const QByteArray &a)
{
    if (!guard(QStringLiteral("Put7"))) {
        m_restartPending = false;
        return;
    }
    if (core::byteAt(a, 1) != 1) return restartFailed();
    m_restartPending = false;
    m_restartStatus = {};
    log(QStringLiteral("zbl_rw_sysmod.restart3"));
}

void ParameterSetTransfer::restartFailed()
{
    // Success was announced already, but a controller that does not come back
    // after a new parameter set is something the engineer must see.
    m_restartPending = false;
    m_message = QString::number(WriteRestart);
    core::reports().write(QStringLiteral("zbl_rw Fehler %1: %2").arg(WriteRestart).arg(t(34)));
    if (const TextCallback report = std::exchange(m_restartStatus, {}))
        report(QStringLiteral("[") + t(34) + QStringLiteral("]"));
}

}  // namespace sysmod
