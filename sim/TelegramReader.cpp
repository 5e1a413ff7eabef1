#include "TelegramReader.h"

namespace sim {

int TelegramReader::lengthOf(quint8 first)
{
    if (first == 0xF0) return 4;
    if (first > 0xF0) return 1 + (first & 0x0F);
    if (first == 0xC1) return 2;
    return 0;
}

std::optional<RoutedTelegram> TelegramReader::push(quint8 byte)
{
    if (m_telegram.isEmpty()) {
        m_expected = lengthOf(byte);
        if (m_expected == 0) return std::nullopt;
    }
    m_telegram.append(char(byte));
    if (m_telegram.size() < m_expected) return std::nullopt;

    RoutedTelegram done{std::nullopt, m_telegram};
    m_telegram.clear();
    if (done.telegram.startsWith(QByteArray("\xF0\x10\x70", 3))) {
        m_route = quint8(done.telegram[3]);
        return std::nullopt;
    }
    done.lift = m_route;
    m_route.reset();
    return done;
}

void TelegramReader::reset()
{
    m_telegram.clear();
    m_expected = 0;
    m_route.reset();
}

}  // namespace sim
