#include "ComPort.h"

#include "core/Bytes.h"
#include "core/Reports.h"

namespace comlink {

namespace {
constexpr int Baud = 19200;
const QString OpenText = QStringLiteral("myport: open");
}  // namespace

ComPort::ComPort(SerialLine &line, core::TimerFactory &timers)
    : m_line(line), m_timers(timers), m_lineWatch(line, timers)
{
    m_line.onReadyRead = [this] { onReadyRead(); };
    m_line.onError = [this](const QString &text) { onLineError(text); };
}

ComPort::~ComPort()
{
    m_line.onReadyRead = nullptr;
    m_line.onError = nullptr;
}

bool ComPort::openPort(int comNumber)
{
    trafficLine('>', OpenText.toLatin1());
    if (m_line.isOpen()) closePort();
    this->m_comNumber = comNumber;
    const QString device = comPortDevice(comNumber, m_configuredDevice);
    if (!m_line.open(device, Baud)) {
        // The caller reports the failure; the reason goes to the log so the user can act on it,
        // once, not at every retry of a line waiting for its device.
        if (m_line.errorText() != m_lastOpenError) appLog(QStringLiteral("myport: %1").arg(m_line.errorText()));
        m_lastOpenError = m_line.errorText();
        return false;
    }
    m_lastOpenError.clear();
    m_line.setDtr(true);  // a line without DTR (pseudo-terminal) is fine
    trafficLine('>', OpenText.toLatin1());
    m_view.portOpen = true;
    m_portClosed = false;
    runHandlers(m_afterOpen);
    m_lineWatch.lineOpened();
    m_portText = QStringLiteral("COM%1/%2/8N1").arg(comNumber).arg(Baud);
    m_view.portLabel = m_portText;
    m_view.lowLatency = m_line.lowLatencyText();
    if (!m_view.lowLatency.isEmpty()) appLog(QStringLiteral("myport: %1: low latency %2").arg(device, m_view.lowLatency));
    if (onPortText) onPortText(m_portText);
    m_view.modemOpen = false;
    m_view.modemIdentity = ModemIdentity::NotRead;
    m_view.modemId.clear();
    viewChanged();
    return true;
}

void ComPort::closePort()
{
    trace(QStringLiteral("myport: closing"));
    m_portClosed = true;
    if (m_line.isOpen()) m_line.close();
    m_lineWatch.lineClosed();
    runHandlers(m_afterClose);
    m_view.portOpen = false;
    trace(QStringLiteral("myport: closed"));
    if (onPortText) onPortText(QStringLiteral("CLOSED"));
    m_closeAllowed = true;
    viewChanged();
}

void ComPort::sendChar(quint8 byte)
{
    if (m_portClosed || !m_line.isOpen()) return;
    const QByteArray data(1, char(byte));
    traffic(true, m_line.write(data));
    trafficLine('>', data);
}

bool ComPort::sendString(const QByteArray &data)
{
    if (m_portClosed || !m_line.isOpen()) return false;
    const qint64 written = m_line.write(data);
    traffic(true, written);
    if (written != data.size()) return false;
    trafficLine('>', data);
    return true;
}

quint8 ComPort::readChar()
{
    if (m_portClosed) return 0;
    const QByteArray data = m_line.read(1);
    if (data.isEmpty()) return 0;
    traffic(false, data.size());
    trafficLine('<', data);
    if (onReceived) onReceived(data);
    return core::byteAt(data, 0);
}

QByteArray ComPort::readChars(int count)
{
    if (m_portClosed || count <= 0) return {};
    const QByteArray data = m_line.read(count);
    traffic(false, data.size());
    if (!data.isEmpty()) trafficLine('<', data);
    if (!data.isEmpty() && onReceived) onReceived(data);
    return data;
}

qint64 ComPort::bytesAvailable() const
{
    return m_line.isOpen() ? m_line.bytesAvailable() : 0;
}

void ComPort::setLinkState(bool up)
{
    if (m_linkStateFrozen || up == m_linkUp) return;
    m_linkUp = up;
    emit linkChanged(up);
    // The windows and the monitor hear of a loss before the queue drops what waits.
    if (!up) emit linkLost();
}

void ComPort::linkAction()
{
    if (onLinkAction) onLinkAction(m_linkUp);
}

void ComPort::updateView(const std::function<void(View &)> &change)
{
    change(m_view);
    viewChanged();
}

void ComPort::showPortMessage(const QString &text)
{
    m_view.message = text;
    viewChanged();
    if (onMessage) onMessage(text);
}

void ComPort::dataModeSwitch(bool on)
{
    m_dataMode = on;
    if (on) sendString(QByteArrayLiteral("AT01\r"));
    viewChanged();
}

void ComPort::connectLedChange(bool on)
{
    if (onConnectChange) onConnectChange(on);
    if (on) {
        m_view.connected = true;
        m_view.status = QStringLiteral("Connected");
        viewChanged();
        if (onConnected) onConnected(true);
        return;
    }
    showPortMessage(QStringLiteral("NC"));
    dataModeSwitch(false);
    m_view.connected = false;
    viewChanged();
    setLinkState(false);
}

void ComPort::portHalt()
{
    m_portClosed = true;
    trace(QStringLiteral("port> halt"));
    if (m_modemUsed) {
        trace(QStringLiteral("port> modem.hangup"));
        if (onModemHangup) onModemHangup();
    }
    onOk = nullptr;
    onModemReady = nullptr;
    onPortText = nullptr;
    trace(QStringLiteral("comport.close"));
    if (m_line.isOpen()) m_line.close();
    m_lineWatch.lineClosed();
    trace(QStringLiteral("comport.closed"));
    m_linkStateFrozen = true;
}

void ComPort::toggleLocalRx()
{
    if (!m_localRx) {
        m_parkedRxHook = std::move(rxHook);
        rxHook = nullptr;
    } else {
        rxHook = std::move(m_parkedRxHook);
        m_parkedRxHook = nullptr;
    }
    m_localRx = !m_localRx;
}

void ComPort::onReadyRead()
{
    const qint64 count = m_line.bytesAvailable();
    if (count <= 0) return;
    if (rxHook) {
        // A copy: the hook may replace itself while it runs.
        auto hook = rxHook;
        hook(int(qMin<qint64>(count, 0xFFFF)));
        return;
    }
    const QByteArray data = m_line.read(count);
    traffic(false, data.size());
    receiveText(data);
    if (onReceived) onReceived(data);
}

void ComPort::traffic(bool sent, qint64 count)
{
    if (count <= 0) return;
    m_lineWatch.traffic(sent);
    if (onTraffic) onTraffic(sent, int(qMin<qint64>(count, 0xFFFF)));
}

void ComPort::onLineError(const QString &text)
{
    appLog(QStringLiteral("myport: line lost: %1").arg(text));
    showPortMessage(text);
    closePort();
    setLinkState(false);
}

void ComPort::receiveText(const QByteArray &data)
{
    for (char c : data) {
        const quint8 byte = quint8(c);
        if (byte != 0x0D && byte != 0x0A) {
            if (byte < 0x20 || byte > 0x7A) m_receivedLine += QStringLiteral("$%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
            else m_receivedLine += QLatin1Char(c);
        }
        if (byte == 0x0D || m_dataMode || m_receivedLine.size() >= LineLimit) completeLine(byte == 0x0D);
    }
}

void ComPort::completeLine(bool byCr)
{
    if (!m_receivedLine.isEmpty()) trafficLine('<', m_receivedLine.toLatin1());
    if (byCr && onLine) onLine(m_receivedLine);
    // The empty line between a modem's "\r\n"-framed replies must not wipe the reply before it.
    if (byCr && m_receivedLine.isEmpty()) return;
    m_lastLine = m_receivedLine;
    if (m_receivedLine.contains(QLatin1String("CONNECT"))) showPortMessage(m_receivedLine);
    if (m_lastLine == QLatin1String("OK")) {
        if (auto handler = onOk) handler();  // a copy: the handler may replace itself
    } else {
        m_view.status = m_receivedLine;
        viewChanged();
    }
    m_receivedLine.clear();
}

void ComPort::runHandlers(const std::vector<Handler> &handlers)
{
    // Newest first; a copy, since a handler may register another.
    const std::vector<Handler> copy = handlers;
    for (auto it = copy.rbegin(); it != copy.rend(); ++it)
        if (*it) (*it)();
}

QString ComPort::printableText(const QByteArray &data)
{
    QString out;
    for (char c : data.trimmed()) {
        const quint8 byte = quint8(c);
        if (byte >= 0x20 && byte <= 0x7F) out += QLatin1Char(c);
        else out += QStringLiteral("~%1~").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

QString ComPort::trafficText(int msOfDay, char direction, const QByteArray &data, bool dataMode)
{
    const QString dir(QLatin1Char{direction});
    if (dataMode)
        return QStringLiteral("%1 %2 %3   %4").arg(msOfDay).arg(dir, core::hexText(data, {}), printableText(data));
    return QStringLiteral("%1 %2 %3").arg(msOfDay).arg(dir, printableText(data));
}

void ComPort::trafficLine(char direction, const QByteArray &data)
{
    // Every line byte passes here; format only when someone reads the line.
    if (!onTrafficLine && !core::reports().flag(core::ReportPortTraffic)) return;
    const QString text = trafficText(m_timers.clock().msecsSinceMidnight(), direction, data, m_dataMode);
    if (onTrafficLine) onTrafficLine(text);
    core::reports().writeIf(core::ReportPortTraffic, text);
}

void ComPort::memoText(const QString &text)
{
    if (onTrafficLine) onTrafficLine(text);
    core::reports().writeIf(core::ReportPortTraffic, text);
}

void ComPort::appLog(const QString &text)
{
    core::reports().write(text);
}

void ComPort::trace(const QString &text)
{
    core::reports().debug(text);
}

void ComPort::viewChanged()
{
    if (onViewChanged) onViewChanged();
}

}  // namespace comlink
