#pragma once

#include "CommandSet.h"
#include "TelegramReader.h"

#include "core/Timer.h"
#include "link/SerialLine.h"

#include <functional>
#include <memory>
#include <random>

namespace sim {

struct ModemOptions {
    int connectMs = 2000;       // from the dial command to CONNECT
    bool noConnect = false;     // the call fails: NO CARRIER instead of CONNECT
    int dropAfterMs = 0;        // carrier lost this long after CONNECT; 0: never
    double nakRate = 0.0;       // fraction of good request frames refused with NAK
    quint32 seed = 1;
    QByteArray partnerName = "QRXSIM";
};

// A Hayes modem with the controller behind it. In command mode it answers AT
// lines; after dialling it carries the framed protocol: SOH/ACK handshake
// both ways, frames STX LEN header payload CHK, the synchronisation reply
// 06 15 15 to the first probe, the partner notification and the name request.
// It cannot see DTR on a pseudo-terminal, so an AT command line arriving
// between frames counts as the PC having hung up.
class ModemPartner {
public:
    static constexpr quint8 Soh = 0x01, Stx = 0x02, Ack = 0x06, Nak = 0x15;

    ModemPartner(comlink::SerialLine &line, core::TimerFactory &timers, CommandSet &commands,
                 const ModemOptions &options = {});
    ~ModemPartner();

    bool online() const { return m_online; }

    // Frame content (LEN, header, payload) and its checksum.
    static QByteArray frame(const QByteArray &content);

    std::function<void(const RoutedTelegram &, const std::optional<QByteArray> &)> onRequest;

private:
    enum class Rx { Idle, Receiving };
    enum class Tx { Idle, SohSent, FrameSent };

    void readLine();
    void commandByte(char c);
    void command(const QByteArray &line);
    void say(const QByteArray &text);
    void connect();
    void hangUp(const QByteArray &why = {});

    void dataByte(quint8 b);
    void frameByte(quint8 b);
    bool frameComplete();
    void handleContent(const QByteArray &content);
    void sendFrame(const QByteArray &content);
    void resendSoh();
    void endReceive(quint8 reply);

    comlink::SerialLine &m_line;
    core::TimerFactory &m_timers;
    CommandSet &m_commands;
    ModemOptions m_options;
    std::mt19937 m_random;
    std::unique_ptr<core::Timer> m_connectTimer, m_dropTimer, m_rxTimer, m_txTimer;

    QByteArray m_commandLine;
    bool m_online = false;
    bool m_synced = false;

    Rx m_rx = Rx::Idle;
    QByteArray m_accumulator;
    QByteArray m_textBetweenFrames;
    Tx m_tx = Tx::Idle;
    QByteArray m_outFrame;
    int m_txTries = 0;
};

}  // namespace sim
