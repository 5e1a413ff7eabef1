#include "PortReader.h"

#include "core/Bytes.h"

namespace monitor {

namespace {
const QByteArray ReadTelegram = core::bytes({0xF2, 0x55, 0x21});
}  // namespace

const std::array<PortInfo, PortReader::PortCount> &PortReader::ports()
{
    // Byte 6 of the answer belongs to no port; port 77 is shown but not saved.
    static const std::array<PortInfo, PortCount> table{{{"72", 1, true},
                                                        {"73", 2, true},
                                                        {"74", 3, true},
                                                        {"75", 4, true},
                                                        {"77", 5, false},
                                                        {"90", 7, true},
                                                        {"91", 8, true},
                                                        {"A1", 9, true},
                                                        {"A2", 10, true},
                                                        {"A3", 11, true},
                                                        {"A4", 12, true},
                                                        {"A5", 13, true},
                                                        {"A6", 14, true}}};
    return table;
}

QString PortReader::bitKey(int port, int bit)
{
    if (port < 0 || port >= PortCount) return {};
    return QString::fromLatin1(ports()[size_t(port)].name) + QString::number(bit);
}

PortReader::PortReader(core::Channel &channel, core::Clock &clock, QObject *parent)
    : QObject(parent), m_channel(channel), m_clock(clock) {}

PortReader::~PortReader() { *m_alive = false; }

bool PortReader::readPorts()
{
    emit waitingChanged(true);
    if (!m_ready && m_clock.elapsedMs() - m_sentAtMs < LostAfterMs) return false;
    m_ready = false;
    m_sentAtMs = m_clock.elapsedMs();
    std::weak_ptr<bool> alive = m_alive;
    const bool queued = m_channel.put(
        AnswerLength,
        [this, alive](const QByteArray &answer) {
            if (!alive.expired()) portAnswer(answer);
        },
        ReadTelegram,
        [this, alive] {
            if (!alive.expired() && !m_ready) requestDropped();
        });
    // A refused request gets no answer: the view stays readable.
    if (!queued) requestDropped();
    return queued;
}

void PortReader::portAnswer(const QByteArray &answer)
{
    // Any answer ends the wait; only a marked, complete one changes the values.
    m_ready = true;
    if (answer.size() >= AnswerLength && core::byteAt(answer, 0) == Marker) {
        for (int p = 0; p < PortCount; ++p) m_values[size_t(p)] = core::byteAt(answer, ports()[size_t(p)].answerByte);
        emit valuesRead();
    }
    emit waitingChanged(false);
}

void PortReader::requestDropped()
{
    m_ready = true;
    emit waitingChanged(false);
}

QStringList PortReader::fileLines(const QDateTime &when, const std::array<quint8, PortCount> &values,
                                  const std::function<QString(int port, int bit)> &bitName)
{
    QStringList lines{when.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"))};
    for (int p = 0; p < PortCount; ++p) {
        const PortInfo &port = ports()[size_t(p)];
        if (!port.saved) continue;
        lines << QStringLiteral("Port-") + QLatin1String(port.name);
        for (int bit = 0; bit < 8; ++bit)
            lines << QStringLiteral("%1 [%2]  %3").arg(bit).arg(values[size_t(p)] >> bit & 1).arg(bitName ? bitName(p, bit) : QString());
    }
    return lines;
}

}  // namespace monitor
