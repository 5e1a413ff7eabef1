#pragma once

#include "core/Timer.h"
#include "comlink/FramedPartner.h"
#include "comlink/SerialLine.h"

#include <QStringList>

#include <memory>

// A scripted Hayes modem at the far end of a memory line, with a controller
// (FramedPartner) behind it once connected. It answers commands with "OK",
// dials after a delay with the chosen outcome, aborts a dial on any
// character that arrives meanwhile, leaves data mode on "+++" with guard
// times, hangs up on ATH or when the PC drops DTR, and can lose the carrier.
struct FakeHayesModem {
    enum class Outcome { Connect, Busy, NoCarrier, NoDialtone, NoAnswer };

    FakeHayesModem(core::TimerFactory &timers, comlink::MemorySerialLine &modemEnd, comlink::MemorySerialLine &pcEnd);

    // Script.
    Outcome outcome = Outcome::Connect;
    int dialDelayMs = 3000;
    bool mute = false;     // never answers a command
    bool hasDcd = false;   // drives the PC line's DCD instead of leaving it unknown
    bool paced = false;    // the controller's bytes arrive one receive event each
    QByteArray identity = "FAKEMODEM 2400";

    // The carrier goes: "NO CARRIER" (and DCD low where modelled).
    void dropCarrier();
    // Lost without a word: only DCD tells.
    void dropCarrierSilently();

    // What happened.
    QStringList commands;   // command lines, in order
    int abortedDials = 0;
    int hangups = 0;        // by ATH or DTR
    bool online() const { return m_online; }
    bool commandMode() const { return !m_online || m_escaped; }

    comlink::FramedPartner partner;

private:
    void receive(const QByteArray &data);
    void commandByte(char c);
    void command(const QByteArray &line);
    void dialResult();
    void onHook();
    void say(const QByteArray &text);
    void setCarrier(bool on);

    core::TimerFactory &m_timers;
    comlink::MemorySerialLine &m_line;
    comlink::MemorySerialLine &m_pc;
    std::unique_ptr<core::Timer> m_dialTimer;
    std::unique_ptr<core::Timer> m_escapeTimer;
    std::unique_ptr<core::Timer> m_dtrPoll;
    QByteArray m_command;
    bool m_dialling = false;
    bool m_online = false;
    bool m_escaped = false;
    qint64 m_lastRxMs = -1000000;
};
