#include "Line401.h"

#include "core/Bytes.h"
#include "core/Reports.h"

namespace protocol {

namespace {
const QByteArray BlockStart = core::bytes({0xF0, 0x10, 0x5C, 0x01});
constexpr int OtherDataLimit = 1024;  // stray bytes kept for inspection, not without end
constexpr int ReopenTicks = 10;       // a lost device is tried again every 10 retries (5 s)
constexpr int IdleLimit = 2000;
}  // namespace

Line401::Line401(comlink::ComPort &port, core::TimerFactory &timers)
    : m_port(port), m_clock(timers.clock()), m_lineTimer(timers.createTimer())
{
    m_lineTimer->setCallback([this] { onLineTimer(); });
}

Line401::~Line401()
{
    takeLineBack();
    releasePort();
}

Line401::View Line401::view() const
{
    View view = m_view;
    if (m_idleHandedOver) {
        const int more = int(m_port.idleExchangeStatus().exchanges - m_idleCounted);
        view.txCount += more;
        view.rxCount += more;
    }
    return view;
}

// The exchange just made was idle for idle, and the byte just sent is idle
// again with nothing to send and no answer or block under way: every further
// such exchange leaves the driver's state as it is, so the line may run them.
bool Line401::steadyIdle() const
{
    const State &s = m_s;
    return s.waitReply && s.txByte == line401::IdleByte && s.partnerIdle && !s.partnerRepeat && !s.partnerLow
           && s.rxLast == 0 && !s.rxHigh && s.requestCount == 0 && s.lineGood && s.outCount == 0
           && m_answer.remaining == 0 && m_block.state == 0 && !m_halted && !m_lineStopped && !m_writeLocked;
}

void Line401::handOverIdle()
{
    if (m_idleHandedOver || !steadyIdle()) return;
    noteLink(true);  // the next reply would have told it
    m_idleCounted = 0;
    m_idleHandedOver = m_port.startIdleExchange(line401::IdleByte, line401::IdleByte);
}

// Back to a byte at a time: the idle exchanges count as if made here, and a
// reply already taken lets the caller send the next byte (waitReply false).
void Line401::takeLineBack()
{
    if (!m_idleHandedOver) return;
    m_idleHandedOver = false;
    const comlink::IdleExchangeReport report = m_port.stopIdleExchange();
    const int more = int(report.exchanges - m_idleCounted);
    m_view.txCount += more;
    m_view.rxCount += more;
    m_lineDeadlineMs = qMax(m_lineDeadlineMs, m_clock.elapsedMs() - report.msSinceReply + m_lineTimeout);
    if (!report.replyPending) m_s.waitReply = false;
}

void Line401::releasePort()
{
    const auto *rx = m_port.rxHook.target<RxForward>();
    if (rx && rx->line == this) m_port.rxHook = nullptr;
    const auto *click = m_port.onLinkAction.target<LampForward>();
    if (click && click->line == this) m_port.onLinkAction = nullptr;
}

// ---- driver ---------------------------------------------------------------

void Line401::lineSend(const QByteArray &telegram, core::AnswerProc onAnswer)
{
    // A request goes out only after the previous answer: a half one left over was cut off.
    if (m_answer.remaining > 0) dropHalfAnswer();
    for (char c : telegram) {
        if (m_s.outCount >= RingSize - 1) break;  // a full ring drops the rest
        m_s.ring[m_s.writeIndex] = quint8(c);
        m_s.writeIndex = (m_s.writeIndex + 1) % RingSize;
        ++m_s.outCount;
    }
    if (m_block.state == 1 && telegram == BlockStart) m_block.startInRing = true;
    m_onLineAnswer = std::move(onAnswer);
    if (m_idleHandedOver) {
        takeLineBack();
        if (!m_s.waitReply && lineRunning()) lineStep();
    }
}

void Line401::dropRequest()
{
    if (m_block.state != 0) return;  // the line belongs to the block read until it ends
    m_s.readIndex = m_s.writeIndex;
    m_s.outCount = 0;
    // The byte under way goes too, also when a reset would start it again;
    // the partner drops a lone high nibble at the next idle byte.
    m_s.curByte = 0;
    m_s.markIdle = true;
    m_s.markLow = false;
    dropHalfAnswer();
    m_onLineAnswer = nullptr;
}

void Line401::lineInit()
{
    takeLineBack();
    m_s = State{};
    m_s.markLow = true;
    m_s.resetMode = true;
    resetAnswer();
    core::reports().debug(QStringLiteral("zbl_401 initialisiert"));
}

void Line401::lineStep()
{
    if (m_s.waitReply) stepReceive();
    else stepSend();
}

void Line401::stepSend()
{
    m_s.askedAgain = m_s.markRequest;
    if (m_s.markRequest)
        // Our own nibble stands still: the partner takes a request byte for no data.
        m_s.txByte = quint8(m_s.txByte | line401::RequestBit);
    else if (m_s.txByte != line401::ResetByte)
        composeNext();
    zblPortWrite(m_s.txByte);
    m_s.markRequest = false;
    m_s.waitReply = true;
    m_s.idleCount = 0;
}

void Line401::composeNext()
{
    State &s = m_s;
    if (s.rxLast == line401::ResetByte) {
        // The partner answered our reset: the current byte starts again from its high nibble.
        s.markLow = s.markRepeat = s.markRequest = false;
        s.tryCount = -1;
        s.txByte = s.curByte >> 4;
        s.partnerRepeat = true;
        s.partnerLow = false;
        s.rxAssembly = 0;
        s.rxHigh = false;
        s.rxLast = 0;
    }
    if (s.partnerRepeat) {
        if (++s.tryCount >= 3 && s.resetMode) {
            // The markers stay as they were, so the byte in progress survives the reset.
            s.txByte = line401::ResetByte;
            s.tryCount = 0;
            s.lineGood = false;
            resetAnswer();  // whatever was half received is lost on both sides
            return;
        }
        s.markRepeat = true;
        s.rxHigh = false;  // our repetition makes the partner start its byte again
    } else if (!s.markLow && !s.markIdle) {
        s.txByte = s.curByte & 0x0F;
        s.markLow = true;
        s.markRepeat = false;
        s.tryCount = 0;
    } else if (s.outCount > 0) {
        s.curByte = s.ring[s.readIndex];
        s.readIndex = (s.readIndex + 1) % RingSize;
        --s.outCount;
        s.txByte = s.curByte >> 4;
        s.markIdle = s.markRepeat = s.markLow = false;
        s.tryCount = 0;
    } else {
        if (m_block.state == 1 && m_block.startInRing) m_block.state = 2;
        s.curByte = 0;
        s.txByte = 0;
        s.markIdle = true;
        s.markRepeat = s.markLow = false;
        s.tryCount = 0;
    }
    s.txByte = quint8((s.txByte & 0x0F) | (s.markRepeat ? line401::RepeatBit : 0) | (s.markIdle ? line401::IdleBit : 0)
                      | (s.markLow ? line401::LowBit : 0) | (s.markRequest ? line401::RequestBit : 0));
}

void Line401::stepReceive()
{
    State &s = m_s;
    if (!s.rxArrived) {
        if (++s.idleCount >= IdleLimit) {
            s.waitReply = false;
            s.lineGood = false;
        }
        return;
    }
    const quint8 byte = s.rxByte;
    s.rxArrived = false;
    s.rxLast = byte;
    if (s.txByte == line401::ResetByte) {
        if (byte == line401::ResetByte) {
            s.txByte = 0;
            s.lineGood = true;
        }
        s.waitReply = false;
        return;
    }
    s.lineGood = true;
    if (askAgain(byte)) {
        s.waitReply = false;
        return;
    }
    s.partnerRepeat = byte & line401::RequestBit;
    s.partnerIdle = byte & line401::IdleBit;
    s.partnerLow = byte & line401::LowBit;
    s.rxAssembly |= byte & 0x0F;
    s.markRequest = false;
    s.rxHigh = false;
    if (s.partnerIdle) {
        // An idle byte carries no data, not even with the low marker (the reset byte has both).
        s.rxAssembly = 0;
        s.rxLast = 0;
        // A partner that idles inside an answer has ended it: the rest will not come.
        if (byte != line401::ResetByte && m_answer.remaining > 0) dropHalfAnswer();
    } else if (s.partnerLow) {
        const quint8 data = s.rxAssembly;
        s.rxAssembly = 0;
        s.rxLast = 0;
        deliverByte(data);
    } else {
        s.rxAssembly = quint8(s.rxAssembly << 4);
        s.rxHigh = true;
    }
    s.waitReply = false;
}

// Whether the partner's byte is one the line allows here. A flipped bit in a
// marker shows as a byte that does not fit; a flipped bit in a nibble does not.
bool Line401::fitsState(quint8 byte) const
{
    using namespace line401;
    // The reset answer and the partner's own requests are taken as they come.
    if (byte == ResetByte || (byte & RequestBit)) return true;
    // A repetition answers our request, and our request is answered by one.
    if (bool(byte & RepeatBit) != m_s.askedAgain) return false;
    switch (byte & (IdleBit | LowBit)) {
    case IdleBit:
        // Idle is nibble 0, and the partner does not pause inside an answer.
        return (byte & 0x0F) == 0 && m_answer.remaining == 0;
    case LowBit:
        return m_s.rxHigh;
    case 0:
        return !m_s.rxHigh;
    default:
        return false;  // idle and low together: only the reset byte has both
    }
}

// A byte that does not fit is asked for again with the request marker instead
// of being assembled. It is taken as it is when its repetition reads the same
// (then our idea of the partner's state was wrong) or after RequestLimit tries.
bool Line401::askAgain(quint8 byte)
{
    State &s = m_s;
    const bool confirmed = s.askedAgain && (byte | line401::RepeatBit) == (s.rxDoubted | line401::RepeatBit);
    if (fitsState(byte) || confirmed || s.requestCount >= RequestLimit) {
        s.requestCount = 0;
        return false;
    }
    ++s.requestCount;
    s.rxDoubted = byte;
    s.markRequest = true;
    return true;
}

void Line401::deliverByte(quint8 byte)
{
    if (m_answer.remaining == 0) {
        if (byte < 0xF0) {
            if (m_answer.other.size() < OtherDataLimit) m_answer.other.append(char(byte));
            return;
        }
        m_answer.buf = QByteArray(1, char(byte));
        m_answer.remaining = byte & 0x0F;  // the marker byte counts as the first of (b & 0Fh) + 1
    } else {
        m_answer.buf.append(char(byte));
        --m_answer.remaining;
    }
    if (m_answer.remaining > 0) return;
    const QByteArray answer = m_answer.buf;
    resetAnswer();
    // Each request is answered once; a stray answer with none in flight goes nowhere.
    core::AnswerProc proc = std::move(m_onLineAnswer);
    m_onLineAnswer = nullptr;
    if (proc) proc(answer);
}

void Line401::resetAnswer()
{
    m_answer = Answer{};
}

void Line401::dropHalfAnswer()
{
    m_answer.buf.clear();
    m_answer.remaining = 0;
}

// ---- block read -----------------------------------------------------------

bool Line401::startBlockRead(BlockDoneProc onDone, int count)
{
    if (m_block.state != 0 || count <= 0) {
        core::reports().write(QStringLiteral("zbl_401: block read refused: %1")
                                   .arg(count <= 0 ? QStringLiteral("no bytes asked") : QStringLiteral("another read runs")));
        return false;
    }
    // Armed before the put: the queue may hand the telegram to LineSend at once.
    m_block = Block{};
    m_block.state = 1;
    m_block.remaining = count;
    m_block.onDone = std::move(onDone);
    if (!m_channel || !m_channel->put(0, nullptr, BlockStart)) {
        m_block = Block{};
        core::reports().write(QStringLiteral("zbl_401: block read refused: start telegram not queued"));
        return false;
    }
    return true;
}

void Line401::storeBlock()
{
    const QByteArray data = m_port.readChars(int(qMin<qint64>(m_port.bytesAvailable(), 0xFFFF)));
    if (data.isEmpty()) return;
    m_view.rxCount += data.size();
    const QByteArray taken = data.left(m_block.remaining);  // bytes after the block are dropped
    m_block.data += taken;
    m_block.remaining -= taken.size();
    m_view.blockRemaining = QString::number(m_block.remaining);
    changed();
    if (m_block.remaining == 0) finishBlock(true);
}

void Line401::finishBlock(bool complete)
{
    const BlockDoneProc onDone = std::move(m_block.onDone);
    const QByteArray data = m_block.data;
    m_block = Block{};
    if (!complete)
        core::reports().write(QStringLiteral("zbl_401: block read broken off after %1 bytes").arg(data.size()));
    lineInit();
    if (lineRunning() && !m_halted) lineStep();
    if (onDone) onDone(data, complete);
}

// ---- port window ----------------------------------------------------------

void Line401::onRx(int count)
{
    takeLineBack();  // the reply that ended the line's own idle exchange
    if (m_writeLocked) return;  // the remote route's bytes
    if (m_lineStopped || m_halted) {
        m_port.readChars(count);  // stale bytes must not be taken for replies later
        return;
    }
    noteLink(m_s.lineGood);
    m_view.line = LineState::Replying;
    startLineTimer();
    if (m_block.state == 2) {
        storeBlock();
        return;
    }
    const QByteArray data = m_port.readChars(count);
    if (data.isEmpty()) return;
    m_view.rxCount += data.size();
    m_s.rxByte = core::byteAt(data, data.size() - 1);  // one reply per line byte: the last counts
    m_s.rxArrived = true;
    if (lineRunning()) {
        lineStep();
        lineStep();
        handOverIdle();
    }
    changed();
}

void Line401::onLineTimer()
{
    if (m_idleHandedOver) {
        const comlink::IdleExchangeReport status = m_port.idleExchangeStatus();
        m_lineDeadlineMs = qMax(m_lineDeadlineMs, m_clock.elapsedMs() - status.msSinceReply + m_lineTimeout);
        // Ended by itself (the device broke) or silent too long: the driver goes on alone.
        if (!status.running || m_lineDeadlineMs <= m_clock.elapsedMs()) takeLineBack();
        changed();
    }
    // Replies only move the deadline; the timer catches up with it here.
    const qint64 early = m_lineDeadlineMs - m_clock.elapsedMs();
    if (early > 0) {
        m_lineTimer->start(int(early));
        return;
    }
    m_lineTimer->start(RetryMs);
    if (m_block.state == 2) finishBlock(false);
    if (m_reportedUp.value_or(true)) {
        core::reports().write(QStringLiteral("zbl_port> no reply within %1 ms: link down").arg(m_lineTimeout));
        m_reportedUp = false;
    }
    m_port.setLinkState(false);
    ++m_view.timeoutCount;
    m_ledYellow = !m_ledYellow;
    m_view.line = m_ledYellow ? LineState::TimedOut : LineState::Silent;
    if (!m_port.isOpen() && m_lineOpened && m_view.timeoutCount % ReopenTicks == 0) openLine();
    m_s.rxByte = line401::ResetByte;
    m_s.rxArrived = true;
    lineStep();
    changed();
}

void Line401::noteLink(bool good)
{
    m_port.setLinkState(good);
    if (good && !m_reportedUp.value_or(false)) {
        core::reports().write(QStringLiteral("zbl_port> link up"));
        m_reportedUp = true;
    }
}

void Line401::startLineTimer()
{
    // Called for every reply, every half millisecond: re-arming a timer each
    // time costs more than the exchange itself, so only the deadline moves.
    m_lineDeadlineMs = m_clock.elapsedMs() + m_lineTimeout;
    if (m_lineTimer->isActive() && m_lineTimer->interval() <= m_lineTimeout) return;
    m_lineTimer->setSingleShot(false);
    m_lineTimer->start(m_lineTimeout);
}

bool Line401::lineRunning() const
{
    return m_lineTimer->isActive();
}

void Line401::openLine()
{
    takeLineBack();
    m_port.rxHook = RxForward{this};
    m_port.onLinkAction = LampForward{this};
    m_lineOpened = true;
    const bool open = m_port.openPort(m_comNumber);
    m_view.portFailed = !open;
    m_view.portText = open ? m_port.portText() : QString();
    changed();
}

void Line401::startStopLine()
{
    if (m_halted) return;
    takeLineBack();
    if (lineRunning()) {
        m_lineTimer->stop();
        m_port.setLinkState(false);
        m_view.line = LineState::Silent;
        m_lineStopped = true;
        changed();
        return;
    }
    openLine();
    lineInit();
    lineStep();
    startLineTimer();
    m_lineStopped = false;
    changed();
}

void Line401::setLinkMode(int mode)
{
    takeLineBack();
    if (mode == 1) {
        m_writeLocked = true;
        // The remote route owns the port now: no more time-outs that would paint its lamps red.
        m_lineTimer->stop();
        releasePort();  // the modem dialogue reads the port in text mode
        if (setQueueMode) setQueueMode(1);
        return;
    }
    m_writeLocked = false;
    lineInit();
    openLine();
    if (setQueueMode) setQueueMode(2);
}

int Line401::swapLineTimeout(int newMs)
{
    const int old = m_lineTimeout;
    m_lineTimeout = qMax(1, newMs);
    changed();
    return old;
}

quint8 Line401::zblPortWrite(quint8 byte)
{
    takeLineBack();
    if (m_writeLocked) {
        core::reports().write(QStringLiteral("zbl_port/\"write\" auf gesperrten port"));
        return byte;
    }
    if (!m_halted) {
        m_port.sendChar(byte);
        ++m_view.txCount;
    }
    return byte;
}

void Line401::zblPortHalt()
{
    takeLineBack();
    m_halted = true;
    m_lineTimer->stop();
    core::reports().debug(QStringLiteral("zbl_port> halt"));
}

void Line401::restart()
{
    lineInit();
    lineStep();
}

// ---- controller buttons ---------------------------------------------------

bool Line401::put(int answerLength, core::AnswerProc onAnswer, const QByteArray &telegram)
{
    return m_channel && m_channel->put(answerLength, std::move(onAnswer), telegram);
}

bool Line401::qrxReset()
{
    return put(0, nullptr, core::bytes({0xF1, 0x10}));
}

bool Line401::askF100()
{
    waitForQrx();
    changed();
    return put(2, [this](const QByteArray &answer) { showQrxAnswer(answer); }, core::bytes({0xF1, 0x00}));
}

bool Line401::askGroup()
{
    waitForQrx();
    changed();
    return put(2, [this](const QByteArray &answer) { showQrxAnswer(answer); }, core::bytes({0xC1, 0x00}));
}

bool Line401::askVersionText()
{
    if (!askVersion) return false;
    return askVersion([this](const QString &text) {
        m_view.message = text;
        changed();
    });
}

void Line401::showQrxAnswer(const QByteArray &answer)
{
    m_view.qrxWaiting = false;
    m_view.qrxReturn = QStringLiteral("%1%2")
                           .arg(core::byteAt(answer, 0), 2, 16, QLatin1Char('0'))
                           .arg(core::byteAt(answer, 1), 2, 16, QLatin1Char('0'))
                           .toUpper();
    const bool synced = answer == core::bytes({0xF1, 0x01});
    m_view.synced = synced;
    changed();
}

void Line401::waitForQrx()
{
    m_view.qrxReturn.clear();
    m_view.qrxWaiting = true;
}

void Line401::changed()
{
    if (onViewChanged) onViewChanged();
}

}  // namespace protocol
