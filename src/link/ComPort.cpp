#include "ComPort.h"

#include "core/Bytes.h"
#include "shell/Reports.h"

#include <algorithm>

namespace comlink {

namespace {
constexpr int Baud = 19200;
const QString OpenText = QStringLiteral("myport: open");
}  // namespace

ComPort::ComPort(SerialLine &line, core::TimerFactory &timers)
    : m_line(line), m_timers(timers)
{
    m_line.onReadyRead = [this] { onReadyRead(); };
    m_line.onError = [this](const QString &text) { onLineError(text); };
}

ComPort::~ComPort()
{
    m_line.onReadyRead = nullptr;
    m_line.onError = nullptr;
}

bool ComPort::OpenPort(int comNumber)
{
    TrafficLine('>', OpenText.toLatin1());
    if (m_line.isOpen()) ClosePort();
    ComNumber = comNumber;
    const QString device = comPortDevice(comNumber, ConfiguredDevice);
    if (!m_line.open(device, Baud)) {
        // The caller reports the failure; the reason goes to the log so the user can act on it,
        // once, not at every retry of a line waiting for its device.
        if (m_line.errorText() != m_lastOpenError) AppLog(QStringLiteral("myport: %1").arg(m_line.errorText()));
        m_lastOpenError = m_line.errorText();
        return false;
    }
    m_lastOpenError.clear();
    m_line.setDtr(true);  // a line without DTR (pseudo-terminal) is fine
    TrafficLine('>', OpenText.toLatin1());
    m_view.comOpenColour = core::colour::Green;
    PortClosed = false;
    runHandlers(m_afterOpen);
    PortText = QStringLiteral("COM%1/%2/8N1").arg(comNumber).arg(Baud);
    m_view.portLabel = PortText;
    if (OnPortText) OnPortText(PortText);
    m_view.portGroup = QStringLiteral("PORT OPEN");
    m_view.modemOpenColour = core::colour::Red;
    m_view.modemId = QStringLiteral("keine ModemId");
    viewChanged();
    return true;
}

void ComPort::ClosePort()
{
    Trace(QStringLiteral("myport: closing"));
    PortClosed = true;
    if (m_line.isOpen()) m_line.close();
    runHandlers(m_afterClose);
    m_view.comOpenColour = core::colour::Red;
    Trace(QStringLiteral("myport: closed"));
    m_view.portGroup = QStringLiteral("PORT CLOSED");
    if (OnPortText) OnPortText(QStringLiteral("CLOSED"));
    CloseAllowed = true;
    viewChanged();
}

void ComPort::SendChar(quint8 byte)
{
    if (PortClosed || !m_line.isOpen()) return;
    const QByteArray data(1, char(byte));
    traffic(true, m_line.write(data));
    TrafficLine('>', data);
}

bool ComPort::SendString(const QByteArray &data)
{
    if (PortClosed || !m_line.isOpen()) return false;
    const qint64 written = m_line.write(data);
    traffic(true, written);
    if (written != data.size()) return false;
    TrafficLine('>', data);
    return true;
}

quint8 ComPort::ReadChar()
{
    if (PortClosed) return 0;
    const QByteArray data = m_line.read(1);
    if (data.isEmpty()) return 0;
    traffic(false, data.size());
    TrafficLine('<', data);
    if (OnReceived) OnReceived(data);
    return core::byteAt(data, 0);
}

QByteArray ComPort::ReadChars(int count)
{
    if (PortClosed || count <= 0) return {};
    const QByteArray data = m_line.read(count);
    traffic(false, data.size());
    if (!data.isEmpty()) TrafficLine('<', data);
    if (!data.isEmpty() && OnReceived) OnReceived(data);
    return data;
}

qint64 ComPort::BytesAvailable() const
{
    return m_line.isOpen() ? m_line.bytesAvailable() : 0;
}

void ComPort::SetLinkState(bool up)
{
    if (!m_linkLedsEnabled) return;
    LinkUp = up;
    const unsigned colour = up ? core::colour::Green : core::colour::Red;
    if (colour == m_linkColour) return;
    colourLamps(colour);
}

void ComPort::colourLamps(unsigned colour)
{
    m_linkColour = colour;
    for (core::LinkLamp *lamp : m_linkLeds) lamp->setLampColour(colour);
}

bool ComPort::RegisterLinkLed(core::LinkLamp *lamp)
{
    if (!lamp || std::find(m_linkLeds.begin(), m_linkLeds.end(), lamp) != m_linkLeds.end()) return false;
    m_linkLeds.push_back(lamp);
    lamp->setLampColour(m_linkColour);
    lamp->onClick = [this] {
        if (OnLinkLedClick) OnLinkLedClick(LinkUp);
    };
    return true;
}

void ComPort::UnregisterLinkLed(core::LinkLamp *lamp)
{
    const auto it = std::find(m_linkLeds.begin(), m_linkLeds.end(), lamp);
    if (it == m_linkLeds.end()) return;
    (*it)->onClick = nullptr;
    m_linkLeds.erase(it);
}

void ComPort::UpdateView(const std::function<void(View &)> &change)
{
    change(m_view);
    viewChanged();
}

void ComPort::ShowPortMessage(const QString &text)
{
    m_view.message = text;
    viewChanged();
    if (OnMessage) OnMessage(text);
}

void ComPort::DataModeSwitch(bool on)
{
    DataMode = on;
    if (on) SendString(QByteArrayLiteral("AT01\r"));
    m_view.dataModColour = on ? core::colour::Green : core::colour::Red;
    viewChanged();
}

void ComPort::ConnectLedChange(bool on)
{
    if (OnConnectChange) OnConnectChange(on);
    if (on) {
        m_view.connectColour = core::colour::Lime;
        m_view.status = QStringLiteral("Connected");
        viewChanged();
        if (OnConnected) OnConnected(true);
        return;
    }
    ShowPortMessage(QStringLiteral("NC"));
    DataModeSwitch(false);
    m_view.connectColour = core::colour::Maroon;
    viewChanged();
    SetLinkState(false);
}

void ComPort::PortHalt()
{
    PortClosed = true;
    Trace(QStringLiteral("port> halt"));
    if (ModemUsed) {
        Trace(QStringLiteral("port> modem.hangup"));
        if (OnModemHangup) OnModemHangup();
    }
    OnOk = nullptr;
    OnModemReady = nullptr;
    OnPortText = nullptr;
    Trace(QStringLiteral("comport.close"));
    if (m_line.isOpen()) m_line.close();
    Trace(QStringLiteral("comport.closed"));
    m_linkLedsEnabled = false;
}

void ComPort::ToggleLocalRx()
{
    if (!LocalRx) {
        m_parkedRxHook = std::move(RxHook);
        RxHook = nullptr;
    } else {
        RxHook = std::move(m_parkedRxHook);
        m_parkedRxHook = nullptr;
    }
    LocalRx = !LocalRx;
}

void ComPort::onReadyRead()
{
    const qint64 count = m_line.bytesAvailable();
    if (count <= 0) return;
    if (RxHook) {
        // A copy: the hook may replace itself while it runs.
        auto hook = RxHook;
        hook(int(qMin<qint64>(count, 0xFFFF)));
        return;
    }
    const QByteArray data = m_line.read(count);
    traffic(false, data.size());
    receiveText(data);
    if (OnReceived) OnReceived(data);
}

void ComPort::traffic(bool sent, qint64 count)
{
    if (OnTraffic && count > 0) OnTraffic(sent, int(qMin<qint64>(count, 0xFFFF)));
}

void ComPort::onLineError(const QString &text)
{
    AppLog(QStringLiteral("myport: line lost: %1").arg(text));
    ShowPortMessage(text);
    ClosePort();
    SetLinkState(false);
}

void ComPort::receiveText(const QByteArray &data)
{
    for (char c : data) {
        const quint8 byte = quint8(c);
        if (byte != 0x0D && byte != 0x0A) {
            if (byte < 0x20 || byte > 0x7A) Line += QStringLiteral("$%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
            else Line += QLatin1Char(c);
        }
        if (byte == 0x0D || DataMode || Line.size() >= LineLimit) completeLine(byte == 0x0D);
    }
}

void ComPort::completeLine(bool byCr)
{
    if (!Line.isEmpty()) TrafficLine('<', Line.toLatin1());
    if (byCr && OnLine) OnLine(Line);
    // The empty line between a modem's "\r\n"-framed replies must not wipe the reply before it.
    if (byCr && Line.isEmpty()) return;
    LastLine = Line;
    if (Line.contains(QLatin1String("CONNECT"))) ShowPortMessage(Line);
    if (LastLine == QLatin1String("OK")) {
        if (auto onOk = OnOk) onOk();  // a copy: the handler may replace itself
    } else {
        m_view.status = Line;
        viewChanged();
    }
    Line.clear();
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

void ComPort::TrafficLine(char direction, const QByteArray &data)
{
    // Every line byte passes here; format only when someone reads the line.
    if (!OnMemo && !shell::Reports().flag(shell::ReportPortTraffic)) return;
    const QString text = trafficText(m_timers.clock().msecsSinceMidnight(), direction, data, DataMode);
    if (OnMemo) OnMemo(text);
    shell::Reports().writeIf(shell::ReportPortTraffic, text);
}

void ComPort::MemoText(const QString &text)
{
    if (OnMemo) OnMemo(text);
    shell::Reports().writeIf(shell::ReportPortTraffic, text);
}

void ComPort::AppLog(const QString &text)
{
    shell::Reports().write(text);
}

void ComPort::Trace(const QString &text)
{
    shell::Reports().debug(text);
}

void ComPort::viewChanged()
{
    if (OnViewChanged) OnViewChanged();
}

}  // namespace comlink
