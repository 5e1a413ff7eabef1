#include "TransferQueue.h"

#include "core/Bytes.h"
#include "core/Reports.h"

#include <new>

namespace protocol {

namespace {

constexpr int DayMs = 24 * 3600 * 1000;

QString hex(const QByteArray &bytes) { return core::hexText(bytes, QString()); }

}  // namespace

bool isLinkErrorAnswer(const QByteArray &answer)
{
    return answer == "<ERROR> NC/STATUS" || answer.startsWith("<ERROR> NC/TIME.OUT");
}

TransferQueue::TransferQueue(core::TimerFactory &timers)
    : m_timers(timers),
      m_delayTimer(timers.createTimer()),
      m_waitTimer(timers.createTimer()),
      m_startTimer(timers.createTimer()),
      m_countdownTimer(timers.createTimer())
{
    m_delayTimer->setSingleShot(true);
    m_delayTimer->setCallback([this] { delayExpired(); });
    m_waitTimer->setSingleShot(true);
    m_waitTimer->setCallback([this] { waitExpired(); });
    m_startTimer->setSingleShot(true);
    m_startTimer->setCallback([this] { startExpired(); });
    m_countdownTimer->setCallback([this] { countdownTick(); });
}

TransferQueue::~TransferQueue() = default;

bool TransferQueue::transferPut(core::Request request)
{
    if (m_route && !m_route->isLinked()) return false;
    const QByteArray cut = request.telegram.left(MaxTelegram);
    if (m_putBusy) {
        logOut(QStringLiteral("transfer/blocked ") + hex(cut));
        return false;
    }
    m_putBusy = true;
    struct Release {
        bool &flag;
        ~Release() { flag = false; }
    } release{m_putBusy};

    request.telegram = cut;
    request.answerLength = qMax(0, request.answerLength);
    m_lastPut = TransferItem{std::move(request)};
    if (m_overflow) {
        logOut(QStringLiteral("transfer/FOverflow ") + hex(cut));
        return false;
    }
    if (count() >= MaxEntries) {
        m_overflow = true;
        logOut(QStringLiteral("*** gestoppt wegen transfer-fifo max *** ") + hex(cut));
        m_waitTimer->start(m_waitMs);
        notifyDisplay();
        return false;
    }
    try {
        m_fifo.push_back(m_lastPut);
    } catch (const std::bad_alloc &) {
        logOut(QStringLiteral("*** FATAL ! OUT OF MEMORY transfer/New(p) ***"));
        return false;
    }
    fillChanged();
    if (count() == 1) sendHead(false);
    return true;
}

void TransferQueue::sendHead(bool noteNoAnswer)
{
    // One request on the line at a time, also when its owner has gone.
    if (!m_running || m_fifo.empty() || m_orphanOnLine) return;
    const QByteArray telegram = m_fifo.front().request.telegram;
    logOut(hex(telegram), true);
    m_answerAwaited = m_fifo.front().request.answerLength > 0;
    if (!m_answerAwaited) {
        // Nothing will answer it, so it leaves the queue as it goes out.
        m_fifo.pop_front();
        if (noteNoAnswer) logOut(QStringLiteral("transfer/process ohne return.."));
        fillChanged();
    }
    sendTelegram(telegram);
}

void TransferQueue::sendTelegram(const QByteArray &telegram)
{
    if (m_mode == 2) {
        // Counted from the send, so a start delay cannot eat into the answer's time.
        if (!m_fifo.empty()) startCountdown();
        m_localSender = m_route;
        if (m_route) m_route->send(telegram, [this](const QByteArray &answer) { transferProcess(answer); });
        return;
    }
    if (m_route) m_route->send(telegram, [this](const QByteArray &answer) { framedAnswer(answer); });
}

void TransferQueue::transferProcess(const QByteArray &answer)
{
    stopCountdown();
    if (m_stopped) return;
    logIn(hex(answer));
    emit processing();
    if (!m_overflow) m_waitTimer->stop();
    m_answerAwaited = false;
    if (m_orphanOnLine) {
        // The answer to a request a flush dropped: its owner has heard already,
        // and the next request may go out now that the line is free.
        m_orphanOnLine = false;
        sendHead(true);
        return;
    }
    if (m_fifo.empty()) {
        logIn(QStringLiteral("transfer/fifo leer ?"));
        return;
    }
    TransferItem answered = std::move(m_fifo.front());
    m_fifo.pop_front();
    sendHead(true);
    fillChanged();
    if (answered.request.onAnswer) answered.request.onAnswer(answer);
}

void TransferQueue::transferStart(int delayMs)
{
    m_running = false;
    TransferItem placeholder{core::Request{QByteArray("\xF1\x00", 2), 2, {}, {}}, true};
    m_fifo.push_back(placeholder);
    fillChanged();
    m_startTimer->start(qMax(0, delayMs));
}

void TransferQueue::startExpired()
{
    m_running = true;
    if (!m_fifo.empty() && m_fifo.front().placeholder) {
        if (!m_orphanOnLine) return transferProcess(QByteArray());
        m_fifo.pop_front();  // the orphan's answer sends the first entry
        fillChanged();
        return;
    }
    sendHead(false);  // the placeholder was flushed during the delay
}

void TransferQueue::transferFlush()
{
    std::deque<TransferItem> items;
    items.swap(m_fifo);
    // A request on the line still gets its answer; nothing else goes out before
    // it, or that answer would be taken for the next request's. On the local
    // line the countdown still runs for it.
    m_orphanOnLine = m_answerAwaited;
    if (!m_orphanOnLine) stopCountdown();
    // A settling answer belonged to a dropped entry; a pending restart after
    // a link error still runs.
    if (!m_lastAnswerIsLinkError) m_delayTimer->stop();
    fillChanged();
    dropped(std::move(items));
}

void TransferQueue::linkLost()
{
    if (m_mode == 2 && m_answerAwaited && m_route) {
        if (m_localSender) m_localSender->drop();
        m_answerAwaited = false;  // nothing on the line answers any more
    }
    transferFlush();
}

void TransferQueue::dropped(std::deque<TransferItem> items)
{
    // At program end the owners may be gone.
    if (m_stopped) return;
    // The queue is consistent before any owner runs, so an owner may ask again at once.
    for (TransferItem &item : items)
        if (!item.placeholder && item.request.onDropped) item.request.onDropped();
}

void TransferQueue::transferHalt()
{
    m_closeAllowed = true;
    m_waitTimer->stop();
    m_delayTimer->stop();
    m_startTimer->stop();
    stopCountdown();
}

void TransferQueue::framedAnswer(const QByteArray &answer)
{
    if (m_stopped) return;
    m_answerAwaited = false;
    m_lastAnswer = answer;
    m_lastAnswerIsLinkError = isLinkErrorAnswer(answer);
    m_delayTimer->start(m_lastAnswerIsLinkError ? LinkErrorDelayMs : m_delayMs);
    if (m_lastAnswerIsLinkError) emit queueError(QString::fromLatin1(answer));
}

void TransferQueue::delayExpired()
{
    if (!m_lastAnswerIsLinkError) {
        const QByteArray answer = m_lastAnswer;
        transferProcess(answer);
        return;
    }
    transferFlush();
    logIn(QStringLiteral("Send.flush, restart.."));
    emit restarted(QStringLiteral(" RESTART "));
    emit queueError(QString());
}

void TransferQueue::waitExpired()
{
    if (m_overflow && count() > ResumeEntries) {
        ++m_waitRestarts;
        m_waitTimer->start(m_waitMs);
        notifyDisplay();
        return;
    }
    // The queue has drained while its requests were answered normally; a
    // dummy answer here would be taken for the answer of the request still
    // on the line, so the overflow only ends.
    m_overflow = false;
    m_waitTimer->stop();
    notifyDisplay();
}

void TransferQueue::startCountdown()
{
    m_countdownMs = AnswerCountdownMs;
    m_sendOnTimeout = true;
    m_countdownTimer->start(CountdownTickMs);
    notifyDisplay();
}

void TransferQueue::stopCountdown()
{
    if (!m_countdownTimer->isActive() && m_countdownMs == 0) return;
    m_countdownTimer->stop();
    m_countdownMs = 0;
    notifyDisplay();
}

void TransferQueue::countdownTick()
{
    m_countdownMs -= CountdownTickMs;
    notifyDisplay();
    if (m_countdownMs > 0) return;
    stopCountdown();
    answerTimedOut();
}

void TransferQueue::answerTimedOut()
{
    if (m_localSender) m_localSender->drop();
    m_answerAwaited = false;
    if (m_orphanOnLine) {
        // The dropped request's answer is lost: the line is free for the next.
        m_orphanOnLine = false;
        sendHead(false);
        return;
    }
    // Entries behind the head were never sent: drop them before the head's
    // handler runs, so a request it puts goes out on a clean line.
    std::deque<TransferItem> behind;
    while (count() > 1) {
        behind.push_front(std::move(m_fifo.back()));
        m_fifo.pop_back();
    }
    // Sent later, the request would be answered into the next one's handler:
    // the local route dropped it above.
    m_overflow = false;
    m_waitTimer->stop();
    if (m_sendOnTimeout && !m_fifo.empty())
        transferProcess(QByteArray(qMin(m_fifo.front().request.answerLength, MaxTelegram), '\0'));
    else
        transferFlush();
    dropped(std::move(behind));
}

void TransferQueue::setDelayMs(int ms) { m_delayMs = qBound(10, ms / 10 * 10, 3000); notifyDisplay(); }

void TransferQueue::setWaitMs(int ms) { m_waitMs = qBound(200, ms / 100 * 100, 10000); notifyDisplay(); }

void TransferQueue::logOut(const QString &text, bool request)
{
    const int ms = m_timers.clock().msecsSinceMidnight();
    if (request) m_sendTime = ms;
    writeLog(QStringLiteral("%1 >> %2").arg(ms).arg(text), true);
}

void TransferQueue::logIn(const QString &text)
{
    const int ms = m_timers.clock().msecsSinceMidnight();
    m_deltaMs = (ms - m_sendTime + DayMs) % DayMs;
    writeLog(QStringLiteral("%1 << %2").arg(ms).arg(text), false);
    notifyDisplay();
}

void TransferQueue::writeLog(const QString &line, bool outgoing)
{
    core::reports().writeIf(core::ReportQueueTraffic, line);
    if (m_reportLocal) emit logLine(line, outgoing);
}

void TransferQueue::fillChanged()
{
    emit countChanged(count());
    notifyDisplay();
}

void TransferQueue::notifyDisplay()
{
    emit displayChanged();
}

}  // namespace protocol
