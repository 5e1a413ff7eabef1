#pragma once

#include "core/Channel.h"

#include <QString>

#include <functional>

namespace monitor {

// The one-telegram commands of the "Funktion" and "Test" tabs: test trips,
// the search trip and the link tests. Each returns whether the queue took it.
class SingleCommands {
public:
    // Test-trip modes as the buttons carry them.
    enum TestTrip { TripsOff = 15, TripsSequence = 14, TripsRandom = 9, TripsEndToEnd = 11 };
    static constexpr int BurstCount = 21;

    explicit SingleCommands(core::Channel &channel) : m_channel(channel) {}

    bool testTrips(int mode);
    bool searchTrip();
    // F1 00: the first two answer bytes in hex.
    bool zblTest(std::function<void(const QString &hex)> onAnswer);
    // F0 10 5B 00: every answer byte in hex.
    bool groupTest(std::function<void(const QString &hex)> onAnswer);
    // F1 00 put BurstCount times in a row; each answer calls onAnswer. Returns how many the queue took.
    int burst(std::function<void()> onAnswer);

private:
    bool put(const QByteArray &telegram, core::AnswerProc onAnswer = [](const QByteArray &) {});

    core::Channel &m_channel;
};

}  // namespace monitor
