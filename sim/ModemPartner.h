#pragma once

#include "CommandSet.h"
#include "LinePacer.h"
#include "TelegramReader.h"

#include "core/Timer.h"
#include "comlink/FramedPartner.h"
#include "comlink/SerialLine.h"

#include <functional>
#include <memory>
#include <random>

namespace sim {

// How a call ends: connected, or one of the modem's failure replies, or no reply at all.
enum class DialResult { Connect, Busy, NoCarrier, None };

struct ModemOptions {
    int dialMs = 2000;                       // from the dial command to its result
    DialResult dialResult = DialResult::Connect;
    int hangupAfterMs = 0;                   // carrier lost this long after CONNECT; 0: never
    int hangupAfterRequests = 0;             // carrier lost once, right after this request frame; 0: never
    double nakRate = 0.0;                    // fraction of good request frames refused with NAK
    int baud = 0;                            // replies paced at this line speed; 0: at once
    quint32 seed = 1;
    QByteArray partnerName = "QRXSIM";
};

// A Hayes modem with the controller behind it. In command mode it answers AT
// lines; once connected the bytes go to the controller's side of the framed
// protocol. A pseudo-terminal shows no DTR, so an AT command line arriving
// between frames counts as the PC having hung up; the escape "+++" after a
// second's silence returns to command mode with the call kept.
class ModemPartner {
public:
    static constexpr int EscapeGuardMs = 1000;
    static constexpr auto IdentityText = "SIM 33600 DATA/FAX MODEM V1.2";

    ModemPartner(comlink::SerialLine &line, core::TimerFactory &timers, CommandSet &commands,
                 const ModemOptions &options = {});
    ~ModemPartner();
    ModemPartner(const ModemPartner &) = delete;
    ModemPartner &operator=(const ModemPartner &) = delete;

    // Carrying data to the controller (not in command mode).
    bool online() const { return m_online; }
    // A call is up, online or escaped to command mode.
    bool connected() const { return m_connected; }
    // Request frames answered since start, over all calls.
    int requestsAnswered() const { return m_requests; }

    std::function<void(const RoutedTelegram &, const std::optional<QByteArray> &)> onRequest;

private:
    void readLine();
    void commandByte(char c);
    void command(const QByteArray &line);
    void say(const QByteArray &text);
    void dialDone();
    void goOnline();
    void hangUp(const QByteArray &why = {});
    void watchDataText(char c);
    void escape();
    QByteArray answer(const QByteArray &telegram);

    comlink::SerialLine &m_line;
    CommandSet &m_commands;
    ModemOptions m_options;
    std::mt19937 m_random;
    LinePacer m_pacer;
    comlink::FramedPartner m_framed;
    std::unique_ptr<core::Timer> m_dialTimer, m_hangupTimer, m_escapeTimer;

    QByteArray m_commandLine;
    QByteArray m_dataText;  // printable bytes between frames: the PC's modem commands
    bool m_online = false;
    bool m_connected = false;
    int m_requests = 0;
};

}  // namespace sim
