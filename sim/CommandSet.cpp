#include "CommandSet.h"

#include "protocol/Codes.h"

#include "core/Bytes.h"

namespace sim {

namespace {

QByteArray marked(quint8 marker, const QByteArray &payload = {})
{
    return QByteArray(1, char(marker)) + payload;
}

QByteArray status(quint8 value) { return core::bytes({0xF1, value}); }

const QByteArray ResetTelegram = core::bytes({0xF1, 0x10});
const QByteArray HelloTelegram = core::bytes({0xF1, 0x00});

// The safety circuit as its port reads it, one contact a bit, set while closed:
// supply, limit switch, pit stop, safety gear, governor, then landing doors,
// locks and car door, which open with the doors.
quint8 safetyPort(const Lift &lift)
{
    const bool closed = lift.doorA() == Lift::Door::Closed && lift.doorB() == Lift::Door::Closed;
    return quint8(0x1F | (closed ? 0xE0 : 0));
}

const quint8 Accepted = 0x01;
const quint8 Refused = 0x00;

}  // namespace

CommandSet::CommandSet(Installation &installation) : m_installation(installation)
{
    // A parameter set's transfer sees the same restart as the rest of the controller.
    for (int i = 0; i < installation.liftCount(); ++i) installation.systemModule(i)->setRebootMs(RestartMs);
}

std::optional<QByteArray> CommandSet::answer(const RoutedTelegram &request)
{
    const QByteArray &t = request.telegram;
    if (t.isEmpty()) return std::nullopt;
    const quint8 first = quint8(t[0]);
    if (first == 0xF0 || first == 0xC1) return groupAnswer(t);
    const int index = request.lift.value_or(0);
    Lift *lift = m_installation.lift(index);
    if (!lift || m_installation.clock().elapsedMs() < m_restartUntilMs[size_t(index)]) return std::nullopt;
    if (t == ResetTelegram) {
        reset(index, *lift, request.lift.has_value());
        return std::nullopt;
    }
    return liftAnswer(index, *lift, t);
}

void CommandSet::reset(int index, Lift &lift, bool routed)
{
    lift.restart();
    m_installation.systemModule(index)->answer(ResetTelegram);
    m_selected[size_t(index)] = 0;
    // Over a modem nothing else silences the controller while it restarts.
    m_restartUntilMs[size_t(index)] = m_installation.clock().elapsedMs() + RestartMs;
    if (!routed && onReset) onReset();
}

std::optional<QByteArray> CommandSet::groupAnswer(const QByteArray &t)
{
    if (t == core::bytes({0xC1, 0x00})) return status(Accepted);
    if (t == core::bytes({0xF0, 0x10, 0x5B, 0x00})) return status(quint8(m_installation.liftCount()));
    return other(-1, t);
}

std::optional<QByteArray> CommandSet::liftAnswer(int index, Lift &lift, const QByteArray &t)
{
    const quint8 command = core::byteAt(t, 0);
    const quint8 b1 = core::byteAt(t, 1), b2 = core::byteAt(t, 2), b3 = core::byteAt(t, 3);
    if (sysmod::ParameterSetTarget::handles(t) && t != HelloTelegram) return transfer(index, t);
    if (LiftDisplay::handles(t)) return m_displays[size_t(index)].answer(lift, t);
    if ((command == 0xF2 || command == 0xF3) && b1 == 0x55) {
        if (auto read = parameterRead(index, lift, b2, command == 0xF3 ? b3 : 0)) return read;
        return other(index, t);
    }
    switch (command) {
    case 0xF1:
        return shortCommand(index, lift, b1);
    case 0xF3:
        if (t == core::bytes({0xF3, 0x01, 0x02, 0x03})) return marked(0xF0);  // queue test
        if (b1 == 0x3D) {
            setTestTrips(lift, b3);
            return std::nullopt;
        }
        break;
    case 0xF5: {
        const quint16 value = protocol::fromNibbles(t, 2);
        if (b1 == 0x04) {
            m_selected[size_t(index)] = value;
            return marked(0xF4, protocol::nibbles(value));
        }
        if (b1 == 0x34 || b1 == 0x36) {
            const QDateTime now = m_installation.controllerNow(lift);
            const QTime time = b1 == 0x34 ? protocol::timeFromCode(value) : now.time();
            const QDate date = b1 == 0x36 ? protocol::dateFromCode(value) : now.date();
            if (!time.isValid() || !date.isValid()) return status(Refused);
            m_installation.setControllerNow(lift, QDateTime(date, time));
            return marked(0xF4, protocol::nibbles(value));
        }
        if (b1 == 0x55 && b2 == 0x1E)
            return status(lift.placeCall(b3, core::byteAt(t, 4), core::byteAt(t, 5)) ? Accepted : Refused);
        break;
    }
    case 0xFF:
        if (b1 == 0x55 && (b2 == 0x11 || b2 == 0x13)) {
            lift.storeText(b2 == 0x11 ? Lift::IdentityAddress : Lift::TelephoneAddress, t.mid(3, 13));
            return status(Accepted);
        }
        break;
    }
    return other(index, t);
}

std::optional<QByteArray> CommandSet::shortCommand(int index, Lift &lift, quint8 command)
{
    const quint16 selected = m_selected[size_t(index)];
    switch (command) {
    case 0x00: return status(m_wrongHello ? 0x02 : 0x01);
    case 0x01: return marked(0xFF, lift.versionText().leftJustified(Lift::TextLength, ' ', true));
    case 0x0B: {
        QByteArray digits;
        for (char b : memoryBytes(lift, selected, 4)) digits += protocol::nibbles(quint8(b)).left(2);
        return marked(0xF8, digits);
    }
    case 0x23:  // search trip: down to the bottom floor to find its bearings
        lift.placeCall(Lift::CallCar, 0, 0);
        return std::nullopt;
    case 0x25:
        lift.clearFaults();
        return status(Accepted);
    case 0x26: return status(lift.addressLocked());
    case 0x27: lift.setAddressLocked(true); return status(1);
    case 0x28: lift.setAddressLocked(false); return status(0);
    case 0x31: return marked(0xF4, protocol::nibbles(quint16(lift.faults().size())));
    case 0x33: return marked(0xF4, protocol::nibbles(protocol::timeCode(m_installation.controllerNow(lift).time())));
    case 0x35: return marked(0xF4, protocol::nibbles(protocol::dateCode(m_installation.controllerNow(lift).date())));
    case 0x3A: return status(lift.switchedOff());
    case 0x3B: lift.setSwitchedOff(true); return status(1);
    case 0x3C: lift.setSwitchedOff(false); return status(0);
    case 0x40:
        return marked(0xF8, protocol::nibbles(quint16(lift.trips() / 10000)) + protocol::nibbles(quint16(lift.trips() % 10000)));
    case 0x42: {
        const quint32 seconds = lift.operatingSeconds();
        return marked(0xF8, protocol::nibbles(quint16(qMin<quint32>(seconds / 3600, 0xFFFF))) + protocol::nibbles(quint16(seconds % 3600)));
    }
    case 0x54:  // the next read goes on behind this block
        m_selected[size_t(index)] = quint16(selected + 13);
        return marked(0xFD, memoryBytes(lift, selected, 13));
    case 0x60: return marked(0xF6, stateBlock(lift));
    }
    return other(index, core::bytes({0xF1, command}));
}

std::optional<QByteArray> CommandSet::parameterRead(int index, Lift &lift, quint8 parameter, quint8 argument)
{
    switch (parameter) {
    case 0x01: return status(quint8(lift.topFloor()));
    case 0x07:
        if (argument < lift.faults().size()) return faultRecord(lift, argument);
        return status(Refused);
    case 0x09: return status(lift.maintenanceBits());
    case 0x12: return marked(0xFF, lift.identity());
    case 0x14: return marked(0xFF, lift.telephone());
    case 0x1A:
        if (argument <= 2) return marked(0xFF, configBlock(lift, argument));
        break;
    case 0x1B: return core::bytes({0xF2, groupAddress(index), 0x00});
    case 0x1C: return marked(0xF9, ackLamps(lift));
    case 0x21: return marked(0xFE, portStates(lift));
    }
    return std::nullopt;
}

void CommandSet::setTestTrips(Lift &lift, quint8 mode)
{
    switch (mode) {
    case 0x0E: lift.setTestTrips(Lift::TestTrips::Sequence); break;
    case 0x09: lift.setTestTrips(Lift::TestTrips::Random); break;
    case 0x0B: lift.setTestTrips(Lift::TestTrips::EndToEnd); break;
    default: lift.setTestTrips(Lift::TestTrips::Off); break;
    }
}

std::optional<QByteArray> CommandSet::transfer(int index, const QByteArray &telegram)
{
    const QByteArray answer = m_installation.systemModule(index)->answer(telegram);
    if (answer.isEmpty()) return std::nullopt;
    return answer;
}

std::optional<QByteArray> CommandSet::other(int index, const QByteArray &telegram)
{
    if (onOther) return onOther(index, telegram);
    return std::nullopt;
}

QByteArray CommandSet::stateBlock(const Lift &lift) const
{
    quint8 state = lift.switchedOff() ? 1 : 0;
    if (lift.direction() == Lift::Direction::Up) state |= 0x08;
    if (lift.direction() == Lift::Direction::Down) state |= 0x10;
    if (lift.addressLocked()) state |= 0x20;
    const bool closed = lift.doorA() == Lift::Door::Closed && lift.doorB() == Lift::Door::Closed;
    quint8 doors = quint8(int(lift.doorA()) | int(lift.doorB()) << 2);
    if (lift.travelling()) doors |= lift.direction() == Lift::Direction::Up ? 0x10 : 0x20;
    return core::bytes({state, lift.floor(), lift.target() < 0 ? 255 : lift.target(),
                        closed ? 0 : 7,  // door contacts and locks open
                        doors, lift.switchedOff() ? 1 : 0});
}

QByteArray CommandSet::ackLamps(const Lift &lift) const
{
    QByteArray out(1, '\0');
    for (int f = 0; f < 8; ++f) out += char(lift.callBits(f));
    return out;
}

QByteArray CommandSet::configBlock(const Lift &lift, int block) const
{
    // Block 0: top floor and floors 0-13; block 1: floors 14-28; block 2: floors 29-38.
    QByteArray out;
    int first = 0, count = 14;
    if (block == 0) out += char(lift.topFloor());
    if (block == 1) first = 14, count = 15;
    if (block == 2) first = 29, count = 10;
    for (int f = first; f < first + count; ++f) out += char(lift.floorConfig(f));
    return out.leftJustified(15, '\0');
}

QByteArray CommandSet::portStates(const Lift &lift) const
{
    auto doorBits = [](Lift::Door d, int closedBit, int openBit) {
        return (d == Lift::Door::Closed ? 1 << closedBit : 0) | (d == Lift::Door::Open ? 1 << openBit : 0);
    };
    auto motorBits = [](Lift::Door d, int openBit, int closeBit) {
        return (d == Lift::Door::Opening ? 1 << openBit : 0) | (d == Lift::Door::Closing ? 1 << closeBit : 0);
    };
    const bool up = lift.direction() == Lift::Direction::Up, down = lift.direction() == Lift::Direction::Down;
    const bool closed = lift.doorA() == Lift::Door::Closed && lift.doorB() == Lift::Door::Closed;
    QByteArray out(14, '\0');
    out[0] = char((closed ? 1 : 0) | doorBits(lift.doorA(), 1, 2) | doorBits(lift.doorB(), 3, 4) | (lift.switchedOff() ? 0x80 : 0));
    out[1] = char(lift.floor());
    out[2] = char(lift.callBits(lift.floor()));
    out[3] = char(safetyPort(lift));
    out[4] = char(0x90);  // supply on, phase monitor good
    out[6] = char((lift.travelling() && up ? 1 : 0) | (lift.travelling() && down ? 2 : 0)
                  | motorBits(lift.doorA(), 2, 3) | motorBits(lift.doorB(), 4, 5) | (lift.travelling() ? 0x40 : 0));
    if (!lift.switchedOff()) out[6] = char(quint8(out[6]) | 0x80);  // car light
    out[7] = char((up ? 1 : 0) | (down ? 2 : 0) | (lift.switchedOff() ? 0x20 : 0));
    // A1..A6: which floors have a call registered, eight floors a port.
    for (int f = 0; f <= lift.topFloor() && f < 48; ++f)
        if (lift.callBits(f)) out[8 + f / 8] = char(quint8(out[8 + f / 8]) | 1 << (f % 8));
    return out;
}

QByteArray CommandSet::faultRecord(const Lift &lift, int index) const
{
    const FaultRecord &r = lift.faults()[size_t(index)];
    return core::bytes({0xF7, r.category, r.number, r.value, r.dateCode & 0xFF, r.dateCode >> 8, r.timeCode & 0xFF, r.timeCode >> 8});
}

QByteArray CommandSet::memoryBytes(const Lift &lift, quint16 address, int count) const
{
    QByteArray out;
    for (int i = 0; i < count; ++i) out += lift.memory()[(address + i) & 0xFFFF];
    return out;
}

quint8 CommandSet::groupAddress(int index) const
{
    // The group's size shows in the value: pairs 1-2, three lifts 5-7, four lifts 9-12.
    switch (m_installation.liftCount()) {
    case 2: return quint8(1 + index);
    case 3: return quint8(5 + index);
    case 4: return quint8(9 + index);
    }
    return 0;  // a single lift is no group member
}

}  // namespace sim
