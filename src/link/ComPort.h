#pragma once

#include "core/LinkLamp.h"
#include "core/Timer.h"
#include "link/SerialLine.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

namespace comlink {

// The one owner of the serial line (logic of TMyComPort): opening and
// closing, the send and read operations with their traffic lines, the
// text-mode receive path, the link state with its lamps, and the lists of
// handlers other units register here.
class ComPort {
public:
    using Handler = std::function<void()>;

    ComPort(SerialLine &line, core::TimerFactory &timers);
    ~ComPort();
    ComPort(const ComPort &) = delete;
    ComPort &operator=(const ComPort &) = delete;

    // What the window shows besides the memo; OnViewChanged says when it changed.
    struct View {
        QString status;          // status label
        QString message;         // message field "Nachricht"
        QString portGroup = QStringLiteral("PORT CLOSED");
        QString portLabel;       // ComPortLabel
        QString modemId;
        unsigned comOpenColour = core::colour::Red;
        unsigned modemOpenColour = core::colour::Red;
        unsigned connectColour = core::colour::Maroon;
        unsigned dataModColour = core::colour::Red;
    };

    bool OpenPort(int comNumber);
    void ClosePort();
    void SendChar(quint8 byte);
    bool SendString(const QByteArray &data);
    quint8 ReadChar();
    QByteArray ReadChars(int count);
    qint64 BytesAvailable() const;
    bool IsOpen() const { return m_line.isOpen(); }
    // Control lines for the modem: false when DTR cannot be set, nullopt when DCD cannot be read.
    bool SetDtr(bool on) { return m_line.isOpen() && m_line.setDtr(on); }
    std::optional<bool> Carrier() const { return m_line.isOpen() ? m_line.carrier() : std::nullopt; }

    void SetLinkState(bool up);
    bool RegisterLinkLed(core::LinkLamp *lamp);
    void UnregisterLinkLed(core::LinkLamp *lamp);
    void AddAfterOpenHandler(Handler handler) { m_afterOpen.push_back(std::move(handler)); }
    void AddAfterCloseHandler(Handler handler) { m_afterClose.push_back(std::move(handler)); }

    bool IsConnected() const { return m_view.connectColour == core::colour::Lime; }
    void ShowPortMessage(const QString &text);
    void DataModeSwitch(bool on);
    void ConnectLedChange(bool on);
    void PortHalt();

    // The LOCAL test switch: parks the receive hook so input shows as text, and back.
    void ToggleLocalRx();

    // The four output sinks.
    void TrafficLine(char direction, const QByteArray &data);
    void MemoText(const QString &text);
    void AppLog(const QString &text);
    void Trace(const QString &text);

    // "%d %s %s" (or with hex in data mode) for a traffic line at msOfDay.
    static QString trafficText(int msOfDay, char direction, const QByteArray &data, bool dataMode);
    // Bytes 20h..7Fh kept, others as "~XX~", surrounding white space trimmed.
    static QString printableText(const QByteArray &data);

    const View &view() const { return m_view; }
    // Lets the modem dialogue change what the window shows.
    void UpdateView(const std::function<void(View &)> &change);
    unsigned LinkColour() const { return m_linkColour; }
    bool LinkLedsEnabled() const { return m_linkLedsEnabled; }

    // Settings and state; the names follow the port window's fields.
    QString ConfiguredDevice;  // [comport] device, empty for /dev/ttyS<n-1>
    int ComNumber = 1;
    QString PortText;
    QString DialNumber = QStringLiteral("0");
    QString AskModemCmd = QStringLiteral("ATI0");
    QString EchoOffCmd = QStringLiteral("ATE0");
    QString EscapeCmd = QStringLiteral("+++");
    bool LinkUp = false;
    bool PortClosed = false;
    bool DataMode = false;
    bool ModemUsed = false;
    bool CloseAllowed = false;
    bool LocalRx = false;
    bool Buffered = false;
    bool MemoAscii = false;
    QString Line;  // at most LineLimit characters: noise without CR is cut into lines
    QString LastLine;
    static constexpr int LineLimit = 256;

    // Hooks, empty after construction.
    std::function<void(int count)> RxHook;
    std::function<void(bool on)> OnConnectChange;
    std::function<void(bool on)> OnConnected;
    std::function<void()> OnOk;
    std::function<void(const QString &portText)> OnModemReady;
    std::function<void(const QString &text)> OnPortText;
    std::function<void(bool open)> OnLinkLedClick;
    std::function<void(const QString &partnerName)> OnLinked;
    std::function<void(const QString &text)> OnMessage;
    std::function<void(const QString &line)> OnLine;
    // The modem dialogue hangs the modem up here when the program ends.
    std::function<void()> OnModemHangup;
    // Every chunk read from the line, whoever reads it: the modem watches its replies here.
    std::function<void(const QByteArray &data)> OnReceived;
    // Bytes that went out (sent) or came in on the line, for the RxD/TxD lamps.
    std::function<void(bool sent, int count)> OnTraffic;
    // Window side: a memo line to append, and "the view changed".
    std::function<void(const QString &line)> OnMemo;
    std::function<void()> OnViewChanged;

private:
    void onReadyRead();
    void onLineError(const QString &text);
    void traffic(bool sent, qint64 count);
    void receiveText(const QByteArray &data);
    void completeLine(bool byCr);
    void runHandlers(const std::vector<Handler> &handlers);
    void colourLamps(unsigned colour);
    void viewChanged();

    SerialLine &m_line;
    core::TimerFactory &m_timers;
    View m_view;
    std::vector<Handler> m_afterOpen;
    std::vector<Handler> m_afterClose;
    std::vector<core::LinkLamp *> m_linkLeds;
    bool m_linkLedsEnabled = true;
    unsigned m_linkColour = core::colour::Red;
    std::function<void(int)> m_parkedRxHook;
    QString m_lastOpenError;
};

}  // namespace comlink
