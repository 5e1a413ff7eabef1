#include "ModemPartner.h"

namespace sim {

namespace {
constexpr int CommandLineLimit = 256;
constexpr int DataTextLimit = 64;
}  // namespace

ModemPartner::ModemPartner(comlink::SerialLine &line, core::TimerFactory &timers, CommandSet &commands,
                           const ModemOptions &options)
    : m_line(line), m_commands(commands), m_options(options), m_random(options.seed), m_pacer(line, timers, options.baud),
      m_framed(timers),
      m_dialTimer(timers.createTimer()), m_hangupTimer(timers.createTimer()), m_escapeTimer(timers.createTimer())
{
    for (auto *t : {m_dialTimer.get(), m_hangupTimer.get(), m_escapeTimer.get()}) t->setSingleShot(true);
    m_dialTimer->setCallback([this] { dialDone(); });
    m_hangupTimer->setCallback([this] { hangUp("NO CARRIER"); });
    m_escapeTimer->setCallback([this] { escape(); });
    m_framed.setPartnerName(m_options.partnerName);
    m_framed.send = [this](const QByteArray &bytes) {
        if (m_online) m_pacer.send(bytes);
    };
    m_framed.onRequest = [this](const QByteArray &telegram) { return answer(telegram); };
    if (m_options.nakRate > 0) {
        m_framed.refuseRequest = [this] {
            return std::uniform_real_distribution<double>(0, 1)(m_random) < m_options.nakRate;
        };
    }
    m_line.onReadyRead = [this] { readLine(); };
}

ModemPartner::~ModemPartner() { m_line.onReadyRead = nullptr; }

void ModemPartner::readLine()
{
    for (char c : m_line.read(m_line.bytesAvailable())) {
        if (m_online) {
            m_framed.receive(QByteArray(1, c));
            watchDataText(c);
        } else {
            commandByte(c);
        }
    }
}

// --- command mode -------------------------------------------------------

void ModemPartner::commandByte(char c)
{
    if (c == '\n') return;
    if (c != '\r') {
        if (m_commandLine.size() < CommandLineLimit) m_commandLine += c;
        return;
    }
    const QByteArray line = m_commandLine.trimmed().toUpper();
    m_commandLine.clear();
    if (!line.isEmpty()) command(line);
}

void ModemPartner::say(const QByteArray &text)
{
    m_pacer.send("\r\n" + text + "\r\n");
}

void ModemPartner::command(const QByteArray &line)
{
    // Like a real modem, whatever came before the attention characters is noise.
    const int at = line.indexOf("AT");
    if (at < 0) {
        say("ERROR");
        return;
    }
    const QByteArray rest = line.mid(at + 2);
    if (rest.startsWith('D')) {
        if (m_connected) hangUp();
        m_dialTimer->start(qMax(0, m_options.dialMs));
        return;  // the answer comes with the call's result
    }
    if (rest.startsWith('H')) {
        hangUp();
    } else if (rest.startsWith('O') && m_connected) {
        say("CONNECT 19200");
        m_online = true;
        return;
    } else if (rest.startsWith('I')) {
        say(IdentityText);
    } else if (rest.startsWith('S') && rest.endsWith('?')) {
        say("000");
    } else if (rest.startsWith('Z')) {
        hangUp();
    }
    say("OK");
}

void ModemPartner::dialDone()
{
    switch (m_options.dialResult) {
    case DialResult::Connect: break;
    case DialResult::Busy: say("BUSY"); return;
    case DialResult::NoCarrier: say("NO CARRIER"); return;
    case DialResult::None: return;
    }
    say("CONNECT 19200");
    m_connected = true;
    goOnline();
    if (m_options.hangupAfterMs > 0) m_hangupTimer->start(m_options.hangupAfterMs);
}

void ModemPartner::goOnline()
{
    m_online = true;
    m_dataText.clear();
    m_framed.resetSync();
}

void ModemPartner::hangUp(const QByteArray &why)
{
    m_online = m_connected = false;
    m_dialTimer->stop();
    m_hangupTimer->stop();
    m_escapeTimer->stop();
    m_framed.resetSync();
    m_pacer.clear();  // what was still on its way is lost with the carrier
    m_commandLine.clear();
    if (!why.isEmpty()) say(why);
}

// --- data mode ------------------------------------------------------------

void ModemPartner::watchDataText(char c)
{
    // Any byte after "+++" within the guard time makes it data after all.
    m_escapeTimer->stop();
    if (c == '\r') {
        const QByteArray text = m_dataText.trimmed().toUpper();
        m_dataText.clear();
        // "AT01" follows every CONNECT; any other command line means the PC
        // hung up (or a new session began), also when it came right behind
        // an escape whose guard time we did not see pass.
        const int at = text.indexOf("AT");
        if (at >= 0 && text.mid(at) != "AT01") {
            hangUp();
            command(text.mid(at));
        }
        return;
    }
    if (c < 0x20 || c > 0x7E) {
        m_dataText.clear();  // frame bytes end any text
        return;
    }
    if (m_dataText.size() < DataTextLimit) m_dataText += c;
    if (m_dataText == "+++") m_escapeTimer->start(EscapeGuardMs);
}

void ModemPartner::escape()
{
    m_online = false;
    m_dataText.clear();
    say("OK");
}

QByteArray ModemPartner::answer(const QByteArray &telegram)
{
    TelegramReader reader;
    std::optional<RoutedTelegram> request;
    for (char c : telegram) {
        if (auto done = reader.push(quint8(c))) request = done;
    }
    if (!request) return {};
    const auto reply = m_commands.answer(*request);
    if (onRequest) onRequest(*request, reply);
    // The answer is on its way when the carrier goes: what is not out yet is lost.
    if (++m_requests == m_options.hangupAfterRequests) m_hangupTimer->start(0);
    return reply.value_or(QByteArray());
}

}  // namespace sim
