#pragma once

#include "core/Timer.h"
#include "comlink/ControlLineWatch.h"
#include "comlink/SerialLine.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <vector>

namespace comlink {

// The one owner of the serial line (logic of PortWindow): opening and
// closing, the send and read operations with their traffic lines, the
// text-mode receive path, the link state, and the lists of handlers other
// units register here. It keeps states only; its windows choose colours.
class ComPort : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void()>;

    ComPort(SerialLine &line, core::TimerFactory &timers);
    ~ComPort();
    ComPort(const ComPort &) = delete;
    ComPort &operator=(const ComPort &) = delete;

    // Whether the modem's identification is known: unknown before a port
    // opened, notRead from each open and modem test until it answered.
    enum class ModemIdentity { Unknown, NotRead, Read };
    // What the window shows besides the traffic list; OnViewChanged says when it changed.
    struct View {
        QString status;          // the last line the modem sent, or what the dialogue says of it
        QString message;         // message field "Nachricht"
        QString portLabel;       // ComPortLabel
        QString lowLatency;      // the driver's answer to the low-latency request
        ModemIdentity modemIdentity = ModemIdentity::Unknown;
        QString modemId;         // as the modem answered, once Read
        bool portOpen = false;   // the port group says "PORT OPEN"
        bool modemOpen = false;  // the modem answered its test
        bool connected = false;  // the modem reported CONNECT
    };

    bool openPort(int comNumber);
    // Why the last open failed ("<device>: busy"); empty once a port opened.
    const QString &lastOpenError() const { return m_lastOpenError; }
    void closePort();
    void sendChar(quint8 byte);
    bool sendString(const QByteArray &data);
    quint8 readChar();
    QByteArray readChars(int count);
    qint64 bytesAvailable() const;
    bool isOpen() const { return m_line.isOpen(); }
    // The steady idle handed to the line and taken back (SerialLine).
    bool startIdleExchange(quint8 byte, quint8 reply) { return !m_portClosed && m_line.isOpen() && m_line.startIdleExchange(byte, reply); }
    IdleExchangeReport idleExchangeStatus() const { return m_line.idleExchangeStatus(); }
    IdleExchangeReport stopIdleExchange() { return m_line.stopIdleExchange(); }
    // Control lines for the modem: false when DTR cannot be set, nullopt when DCD cannot be read.
    bool setDtr(bool on) { return m_line.isOpen() && m_line.setDtr(on); }
    std::optional<bool> carrier() const { return m_line.isOpen() ? m_line.carrier() : std::nullopt; }
    // A fresh reading of DCD, DSR, CTS and RI (for one-off checks; windows watch them through lineWatch()).
    ControlLines controlLines() const { return m_line.isOpen() ? m_line.controlLines() : ControlLines{}; }
    // The status lights of the windows that show the line.
    ControlLineWatch &lineWatch() { return m_lineWatch; }

    // The link state: linkChanged tells everyone who listens when it changes;
    // once all of them heard a loss, linkLost follows. Frozen after portHalt.
    void setLinkState(bool up);
    bool isLinked() const { return m_linkUp; }
    bool linkStateFrozen() const { return m_linkStateFrozen; }
    // A link lamp was clicked: the owner of the line starts or stops it (onLinkAction).
    void linkAction();
    void addAfterOpenHandler(Handler handler) { m_afterOpen.push_back(std::move(handler)); }
    void addAfterCloseHandler(Handler handler) { m_afterClose.push_back(std::move(handler)); }

    // The modem's connection (CONNECT), not the link to the controller.
    bool isConnected() const { return m_view.connected; }
    void showPortMessage(const QString &text);
    void dataModeSwitch(bool on);
    void connectLedChange(bool on);
    void portHalt();

    // The LOCAL test switch: parks the receive hook so input shows as text, and back.
    void toggleLocalRx();

    // The four output sinks.
    void trafficLine(char direction, const QByteArray &data);
    void memoText(const QString &text);
    void appLog(const QString &text);
    void trace(const QString &text);

    // "%d %s %s" (or with hex in data mode) for a traffic line at msOfDay.
    static QString trafficText(int msOfDay, char direction, const QByteArray &data, bool dataMode);
    // Bytes 20h..7Fh kept, others as "~XX~", surrounding white space trimmed.
    static QString printableText(const QByteArray &data);

    const View &view() const { return m_view; }
    // Lets the modem dialogue change what the window shows.
    void updateView(const std::function<void(View &)> &change);

    // Settings and state; the names follow the port window's fields.
    const QString &configuredDevice() const { return m_configuredDevice; }  // [comport] device, empty for /dev/ttyS<n-1>
    void setConfiguredDevice(const QString &value) { m_configuredDevice = value; }
    int comNumber() const { return m_comNumber; }
    void setComNumber(int value) { m_comNumber = value; }
    const QString &portText() const { return m_portText; }
    const QString &dialNumber() const { return m_dialNumber; }
    void setDialNumber(const QString &value) { m_dialNumber = value; }
    const QString &askModemCmd() const { return m_askModemCmd; }
    void setAskModemCmd(const QString &value) { m_askModemCmd = value; }
    const QString &echoOffCmd() const { return m_echoOffCmd; }
    void setEchoOffCmd(const QString &value) { m_echoOffCmd = value; }
    const QString &escapeCmd() const { return m_escapeCmd; }
    bool portClosed() const { return m_portClosed; }
    void setPortClosed(bool value) { m_portClosed = value; }
    bool dataMode() const { return m_dataMode; }
    bool modemUsed() const { return m_modemUsed; }
    void setModemUsed(bool value) { m_modemUsed = value; }
    bool closeAllowed() const { return m_closeAllowed; }
    void setCloseAllowed(bool value) { m_closeAllowed = value; }
    bool localRx() const { return m_localRx; }
    bool buffered() const { return m_buffered; }
    void setBuffered(bool value) { m_buffered = value; }
    bool memoAscii() const { return m_memoAscii; }
    void setMemoAscii(bool value) { m_memoAscii = value; }
    const QString &line() const { return m_receivedLine; }  // at most LineLimit characters: noise without CR is cut into lines
    const QString &lastLine() const { return m_lastLine; }
    void clearLastLine() { m_lastLine.clear(); }
    static constexpr int LineLimit = 256;

    // Hooks, empty after construction.
    std::function<void(int count)> rxHook;
    std::function<void(bool on)> onConnectChange;
    std::function<void(bool on)> onConnected;
    std::function<void()> onOk;
    std::function<void(const QString &portText)> onModemReady;
    std::function<void(const QString &text)> onPortText;
    std::function<void(bool linked)> onLinkAction;
    std::function<void(const QString &partnerName)> onLinked;
    std::function<void(const QString &text)> onMessage;
    std::function<void(const QString &line)> onLine;
    // The modem dialogue hangs the modem up here when the program ends.
    std::function<void()> onModemHangup;
    // Every chunk read from the line, whoever reads it: the modem watches its replies here.
    std::function<void(const QByteArray &data)> onReceived;
    // Bytes that went out (sent) or came in on the line, for the RxD/TxD lamps.
    std::function<void(bool sent, int count)> onTraffic;
    // Window side: a traffic line to append, and "the view changed".
    std::function<void(const QString &line)> onTrafficLine;
    std::function<void()> onViewChanged;

signals:
    void linkChanged(bool up);
    void linkLost();

private:
    void onReadyRead();
    void onLineError(const QString &text);
    void traffic(bool sent, qint64 count);
    void receiveText(const QByteArray &data);
    void completeLine(bool byCr);
    void runHandlers(const std::vector<Handler> &handlers);
    void viewChanged();

    SerialLine &m_line;
    core::TimerFactory &m_timers;
    ControlLineWatch m_lineWatch;
    View m_view;
    std::vector<Handler> m_afterOpen;
    std::vector<Handler> m_afterClose;
    bool m_linkStateFrozen = false;
    std::function<void(int)> m_parkedRxHook;
    QString m_lastOpenError;

    QString m_configuredDevice;
    int m_comNumber = 1;
    QString m_portText;
    QString m_dialNumber = QStringLiteral("0");
    QString m_askModemCmd = QStringLiteral("ATI0");
    QString m_echoOffCmd = QStringLiteral("ATE0");
    QString m_escapeCmd = QStringLiteral("+++");
    bool m_linkUp = false;
    bool m_portClosed = false;
    bool m_dataMode = false;
    bool m_modemUsed = false;
    bool m_closeAllowed = false;
    bool m_localRx = false;
    bool m_buffered = false;
    bool m_memoAscii = false;
    QString m_receivedLine;
    QString m_lastLine;
};

}  // namespace comlink
