#pragma once

#include "Installation.h"
#include "LiftDisplay.h"
#include "TelegramReader.h"

#include <QByteArray>

#include <array>
#include <functional>
#include <optional>

namespace sim {

// The controller's side of the command set: one answer per request, built
// from the installation's state. Independent of the line that carries it,
// so the 401 line and a framed modem line can share it.
class CommandSet {
public:
    explicit CommandSet(Installation &installation);

    // The answer to a request, or nullopt when the controller gives none
    // (reset, test trips, unknown requests, a lift the group does not have).
    std::optional<QByteArray> answer(const RoutedTelegram &request);

    // The display a lift's keys act on.
    const LiftDisplay &display(int lift) const { return m_displays.at(size_t(lift)); }

    // Fault injection: the greeting F1 00 is answered F1 02.
    void setWrongHello(bool wrong) { m_wrongHello = wrong; }

    // A controller takes this long to restart after a reset; it answers nothing meanwhile.
    static constexpr int RestartMs = 3000;

    // The controller on the cable was told to reset (an unrouted F1 10): the
    // line goes deaf while it restarts. A lift reset through the group
    // prefix only stops answering itself for RestartMs.
    std::function<void()> onReset;
    // Requests this set does not know (the statistics memory):
    // a later part may answer them here. The system module transfer goes to
    // the lift's own parameter set.
    std::function<std::optional<QByteArray>(int lift, const QByteArray &telegram)> onOther;

private:
    std::optional<QByteArray> groupAnswer(const QByteArray &telegram);
    std::optional<QByteArray> liftAnswer(int index, Lift &lift, const QByteArray &telegram);
    std::optional<QByteArray> shortCommand(int index, Lift &lift, quint8 command);
    void reset(int index, Lift &lift, bool routed);
    std::optional<QByteArray> parameterRead(int index, Lift &lift, quint8 parameter, quint8 argument);
    std::optional<QByteArray> transfer(int index, const QByteArray &telegram);
    std::optional<QByteArray> other(int index, const QByteArray &telegram);

    void setTestTrips(Lift &lift, quint8 mode);
    QByteArray stateBlock(const Lift &lift) const;
    QByteArray ackLamps(const Lift &lift) const;
    QByteArray configBlock(const Lift &lift, int block) const;
    QByteArray portStates(const Lift &lift) const;
    QByteArray faultRecord(const Lift &lift, int index) const;
    QByteArray memoryBytes(const Lift &lift, quint16 address, int count) const;
    quint8 groupAddress(int index) const;

    Installation &m_installation;
    bool m_wrongHello = false;
    std::array<quint16, Installation::MaxLifts> m_selected{};
    std::array<qint64, Installation::MaxLifts> m_restartUntilMs{};
    std::array<LiftDisplay, Installation::MaxLifts> m_displays{};
};

}  // namespace sim
