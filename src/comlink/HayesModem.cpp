#include "HayesModem.h"

namespace comlink {

namespace {
const QStringList FailureCodes{QStringLiteral("BUSY"),  QStringLiteral("NO CARRIER"), QStringLiteral("NO DIALTONE"),
                               QStringLiteral("NO DIAL TONE"), QStringLiteral("NO ANSWER"), QStringLiteral("ERROR"),
                               QStringLiteral("VOICE")};
}  // namespace

HayesModem::HayesModem(ComPort &port, core::TimerFactory &timers)
    : m_port(port), m_dialTimer(timers.createTimer()), m_hangupTimer(timers.createTimer())
{
    m_dialTimer->setSingleShot(true);
    m_dialTimer->setCallback([this] {
        send(QByteArrayLiteral("\r"));  // the dial cancel
        dialFailed(QStringLiteral("NO ANSWER"));
    });
    m_hangupTimer->setSingleShot(true);
    m_port.onReceived = [this](const QByteArray &data) { received(data); };
}

HayesModem::~HayesModem()
{
    m_port.onReceived = nullptr;
}

void HayesModem::initialise()
{
    send(QByteArrayLiteral("AT\r"));
}

void HayesModem::dial(const QString &number)
{
    m_dialling = true;
    m_online = false;
    m_noCarrier = false;
    m_line.clear();
    m_dialTimer->start(DialTimeoutMs);
    send("ATDT" + number.toLatin1() + '\r');
}

void HayesModem::cancelCall()
{
    if (!m_dialling) return;
    m_dialling = false;
    m_dialTimer->stop();
    send(QByteArrayLiteral("\r"));
}

void HayesModem::hangUp(std::function<void()> done)
{
    cancelCall();
    m_hangupDone = std::move(done);
    m_hangingUp = true;
    if (m_port.setDtr(false)) {
        later(DtrDropMs, [this] {
            m_port.setDtr(true);  // ready for the next call
            hungUp();
        });
    } else if (m_online && carrier()) {
        // The escape needs silence before and after it, then the modem listens to commands.
        later(GuardMs, [this] {
            send(QByteArrayLiteral("+++"));
            later(GuardMs, [this] { sendHangUpCommand(); });
        });
    } else {
        sendHangUpCommand();
    }
}

void HayesModem::sendHangUpCommand()
{
    send(QByteArrayLiteral("ATH\r"));
    later(DtrDropMs, [this] { hungUp(); });
}

void HayesModem::hungUp()
{
    m_hangingUp = false;
    m_online = false;
    if (auto done = std::exchange(m_hangupDone, {})) done();
}

void HayesModem::later(int ms, std::function<void()> step)
{
    m_hangupTimer->setCallback(std::move(step));
    m_hangupTimer->start(ms);
}

void HayesModem::hangUpNow()
{
    cancelCall();
    m_hangupTimer->stop();
    m_hangingUp = false;
    m_hangupDone = {};
    if (!m_port.setDtr(false)) send(QByteArrayLiteral("ATH\r"));
    m_online = false;
}

bool HayesModem::carrier() const
{
    return m_port.carrier().value_or(!m_noCarrier);
}

void HayesModem::received(const QByteArray &data)
{
    for (char c : data) {
        if (c == '\r' || c == '\n') {
            const QString line = QString::fromLatin1(m_line).trimmed();
            m_line.clear();
            if (!line.isEmpty()) reply(line);
        } else if (m_line.size() < MaxLineChars) {
            m_line += c;
        } else {
            m_line.clear();  // framed data in data mode: no reply is this long
        }
    }
}

void HayesModem::reply(const QString &line)
{
    if (m_dialling && line.startsWith(QLatin1String("CONNECT"))) {
        m_dialling = false;
        m_dialTimer->stop();
        m_online = true;
        m_noCarrier = false;
        if (onConnected) onConnected();
        const QString speed = line.mid(7).trimmed();
        if (!speed.isEmpty() && onLineSpeed) onLineSpeed(speed);
        return;
    }
    if (line == QLatin1String("NO CARRIER")) m_noCarrier = true;
    if (m_dialling && FailureCodes.contains(line)) dialFailed(line);
}

void HayesModem::dialFailed(const QString &reason)
{
    m_dialling = false;
    m_dialTimer->stop();
    if (onConnectFailed) onConnectFailed(reason);
}

void HayesModem::send(const QByteArray &text)
{
    m_port.sendString(text);
}

}  // namespace comlink
