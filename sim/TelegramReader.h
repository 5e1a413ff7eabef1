#pragma once

#include <QByteArray>

#include <optional>

namespace sim {

// A request as the controller received it: the telegram and, when it came
// behind the group prefix F0 10 70 k, the lift k it is meant for.
struct RoutedTelegram {
    std::optional<int> lift;
    QByteArray telegram;
};

// Cuts the received data bytes into telegrams. A command byte F1..FF is
// followed by its low nibble's count of bytes, F0 opens a four-byte group
// telegram, C1 a two-byte one; anything else outside a telegram is noise.
class TelegramReader {
public:
    std::optional<RoutedTelegram> push(quint8 byte);
    void reset();

private:
    static int lengthOf(quint8 first);

    QByteArray m_telegram;
    int m_expected = 0;
    std::optional<int> m_route;
};

}  // namespace sim
