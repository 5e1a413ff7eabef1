#pragma once

#include "CommandSet.h"
#include "LinePacer.h"
#include "TelegramReader.h"

#include "core/Timer.h"
#include "comlink/SerialLine.h"
#include "protocol/Line401Bytes.h"

#include <functional>
#include <memory>
#include <random>

namespace sim {

struct PartnerOptions {
    int baud = 19200;       // replies leave no faster than one byte time each
    double noise = 0.0;     // fraction of reply bytes sent with one bit flipped
    quint32 seed = 1;       // for the noise
    int rebootMs = CommandSet::RestartMs;  // deaf time after a reset request
    // Falls silent when half of this answer (counted from 1) has gone out; 0: never.
    int silentAfterAnswers = 0;
    // How long it stays silent, then back with an empty line state; 0: for good.
    int silentMs = 0;
};

// The controller's end of the "401" line: every line byte the PC sends is
// answered by exactly one line byte. Data bytes travel as two nibbles: the
// high one with no markers, the low one marked 20h; 40h is idle, F0 resets
// both ends and is answered with F0.
class Line401Partner {
public:
    Line401Partner(comlink::SerialLine &line, core::TimerFactory &timers, CommandSet &commands,
                   const PartnerOptions &options = {});
    ~Line401Partner();

    // One exchange without pacing or faults: the reply to a received line byte.
    quint8 respond(quint8 lineByte);
    // Deaf and mute for ms, then back with an empty line state (a controller reset).
    void reboot(int ms);

    qint64 repliesSent() const { return m_pacer.bytesSent(); }
    // Answers handed to the line so far.
    int answersGiven() const { return m_answers; }

    // Each request with its answer (nullopt: none given), for a trace.
    std::function<void(const RoutedTelegram &, const std::optional<QByteArray> &)> onRequest;

private:
    void readLine();
    bool deaf();
    void receiveNibble(quint8 lineByte);
    void receiveData(quint8 byte);
    quint8 nextReplyNibble();
    quint8 maybeCorrupt(quint8 reply);
    void clearLineState();
    void armSilence(int answerSize);
    void silenceIfDue();

    comlink::SerialLine &m_line;
    core::TimerFactory &m_timers;
    CommandSet &m_commands;
    PartnerOptions m_options;
    std::mt19937 m_random;
    LinePacer m_pacer;

    // Receiving: the high nibble of the data byte under way, -1 when none.
    int m_rxHigh = -1;
    TelegramReader m_reader;
    // Sending: answer bytes not yet sent; the first one's high nibble is out when m_midByte.
    QByteArray m_out;
    bool m_midByte = false;
    quint8 m_lastReply = protocol::line401::IdleByte;

    qint64 m_deafUntilMs = -1;
    int m_answers = 0;
    // Falls silent once m_out has shrunk to this many bytes; -1: not armed.
    qsizetype m_silentAtOut = -1;
};

}  // namespace sim
