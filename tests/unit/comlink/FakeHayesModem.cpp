#include "FakeHayesModem.h"

FakeHayesModem::FakeHayesModem(core::TimerFactory &timers, comlink::MemorySerialLine &modemEnd,
                               comlink::MemorySerialLine &pcEnd)
    : partner(timers), m_timers(timers), m_line(modemEnd), m_pc(pcEnd), m_dialTimer(timers.createTimer()),
      m_escapeTimer(timers.createTimer()), m_dtrPoll(timers.createTimer())
{
    m_line.open(QStringLiteral("modem"));
    m_line.onReadyRead = [this] { receive(m_line.read(m_line.bytesAvailable())); };
    partner.send = [this](const QByteArray &bytes) {
        if (!m_online || m_escaped) return;
        if (!paced) m_line.write(bytes);
        else for (char b : bytes) m_line.write(QByteArray(1, b));
    };
    m_dialTimer->setSingleShot(true);
    m_dialTimer->setCallback([this] { dialResult(); });
    m_escapeTimer->setSingleShot(true);
    m_escapeTimer->setCallback([this] {
        m_escaped = true;
        say("OK");
    });
    m_dtrPoll->setCallback([this] {
        if (m_online && m_pc.dtr() == false) onHook();
    });
    m_dtrPoll->start(20);
}

void FakeHayesModem::receive(const QByteArray &data)
{
    const qint64 now = m_timers.clock().elapsedMs();
    const bool quietBefore = now - m_lastRxMs >= 1000;
    m_lastRxMs = now;
    m_escapeTimer->stop();
    if (m_online && !m_escaped) {
        if (data == "+++" && quietBefore) m_escapeTimer->start(1000);
        else partner.receive(data);
        return;
    }
    for (char c : data) commandByte(c);
}

void FakeHayesModem::commandByte(char c)
{
    if (m_dialling) {  // any character aborts a dial
        m_dialling = false;
        m_dialTimer->stop();
        ++abortedDials;
        say("NO CARRIER");
        return;
    }
    if (c == '\r') command(std::exchange(m_command, {}).trimmed().toUpper());
    else if (c != '\n') m_command += c;
}

void FakeHayesModem::command(const QByteArray &line)
{
    if (line.isEmpty()) return;
    commands << QString::fromLatin1(line);
    if (mute) return;
    if (line.startsWith("ATDT")) {
        m_dialling = true;
        m_dialTimer->start(dialDelayMs);
        return;
    }
    if (line.startsWith("ATH")) onHook();
    if (line.startsWith("ATI")) say(identity);
    say("OK");
}

void FakeHayesModem::dialResult()
{
    m_dialling = false;
    switch (outcome) {
    case Outcome::Connect:
        m_online = true;
        m_escaped = false;
        partner.resetSync();
        setCarrier(true);
        say("CONNECT 19200");
        break;
    case Outcome::Busy: say("BUSY"); break;
    case Outcome::NoCarrier: say("NO CARRIER"); break;
    case Outcome::NoDialtone: say("NO DIALTONE"); break;
    case Outcome::NoAnswer: break;
    }
}

void FakeHayesModem::onHook()
{
    if (m_online) ++hangups;
    m_online = false;
    m_escaped = false;
    setCarrier(false);
}

void FakeHayesModem::dropCarrier()
{
    dropCarrierSilently();
    say("NO CARRIER");
}

void FakeHayesModem::dropCarrierSilently()
{
    m_online = false;
    m_escaped = false;
    setCarrier(false);
}

void FakeHayesModem::say(const QByteArray &text)
{
    m_line.write("\r\n" + text + "\r\n");
}

void FakeHayesModem::setCarrier(bool on)
{
    if (hasDcd) m_pc.setCarrier(on);
}
