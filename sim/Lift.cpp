#include "Lift.h"

#include <algorithm>

namespace sim {

namespace {
constexpr int EepromStart = 0x3000;
constexpr int EepromEnd = 0x5000;
}

Lift::Lift(int floors, quint32 seed)
    : m_floors(std::clamp(floors, 2, MaxFloors)),
      m_calls(size_t(m_floors), 0),
      m_sideB(size_t(m_floors), false),
      m_random(seed ^ 0x5EED),
      m_memory(MemorySize, '\0'),
      m_version("QRX V4.17/09.02")
{
    std::mt19937 random(seed);
    // A through-loading cabin at about a quarter of the floors, never at all of them.
    for (int f = 0; f < m_floors; ++f) m_sideB[size_t(f)] = random() % 4 == 0;
    m_sideB[size_t(m_floors - 1)] = false;
    m_trips = 20000 + random() % 400000;
    m_operatingMs = (2000 + qint64(random() % 40000)) * 3600 * 1000 + qint64(random() % 3600) * 1000;
    m_maintenanceBits = quint8(random() % 32);
    seedMemory(random);
    seedStatistics(random);
}

void Lift::seedStatistics(std::mt19937 &random)
{
    m_statisticsIndex = 1 + int(random() % 20);
    const int at = StatisticsBase + m_statisticsIndex;
    m_memory[at] = char(1993 & 0xFF);
    m_memory[at + 1] = char(1993 >> 8);
    // A history: the main floor busiest, parking mostly there too.
    for (int f = 0; f < m_floors; ++f) {
        const quint32 calls = f == 0 ? 8000 : 2000;
        const quint32 parking = f == 0 ? 3000 : 200;
        storeStatistic(LandingCalls, f, calls + random() % calls);
        storeStatistic(CarCalls, f, calls + random() % calls);
        storeStatistic(ParkingTrips, f, parking + random() % parking);
    }
}

int Lift::statisticAddress(StatisticsTable table, int floor) const
{
    return StatisticsBase + m_statisticsIndex + StatisticsTables + StatisticsTableSize * int(table) + 4 * floor;
}

quint32 Lift::statistic(StatisticsTable table, int floor) const
{
    if (floor < 0 || floor >= m_floors) return 0;
    const int a = statisticAddress(table, floor);
    const auto byte = [&](int i) { return quint32(quint8(m_memory[a + i])); };
    return byte(0) + 256 * byte(1) + 10000 * (byte(2) + 256 * byte(3));
}

// The low word counts up to 9999, the high word the ten-thousands.
void Lift::storeStatistic(StatisticsTable table, int floor, quint32 value)
{
    if (floor < 0 || floor >= m_floors) return;
    const int a = statisticAddress(table, floor);
    const quint32 low = value % 10000, high = qMin<quint32>(value / 10000, 0xFFFF);
    m_memory[a] = char(low & 0xFF);
    m_memory[a + 1] = char(low >> 8);
    m_memory[a + 2] = char(high & 0xFF);
    m_memory[a + 3] = char(high >> 8);
}

void Lift::count(StatisticsTable table, int floor) { storeStatistic(table, floor, statistic(table, floor) + 1); }


void Lift::seedMemory(std::mt19937 &random)
{
    for (int a = EepromStart; a < EepromEnd; ++a) m_memory[a] = char(random() & 0xFF);
}

void Lift::storeText(int address, const QByteArray &text)
{
    const QByteArray field = text.left(TextLength).leftJustified(TextLength, '\0');
    m_memory.replace(address, TextLength, field);
}

bool Lift::hasSideB(int floor) const
{
    return floor >= 0 && floor < m_floors && m_sideB[size_t(floor)];
}

quint8 Lift::floorConfig(int floor) const
{
    if (floor < 0 || floor >= m_floors) return 0;
    quint8 side = 0x03;  // up and down buttons, each with the car-call button
    if (floor == 0) side = 0x01;
    if (floor == topFloor()) side = 0x02;
    return quint8(side | (hasSideB(floor) ? side << 3 : 0));
}

quint8 Lift::callBits(int floor) const
{
    return floor >= 0 && floor < m_floors ? m_calls[size_t(floor)] : 0;
}

bool Lift::hasCalls() const
{
    return std::any_of(m_calls.begin(), m_calls.end(), [](quint8 b) { return b != 0; });
}

bool Lift::placeCall(int mode, int floor, int side)
{
    if (m_switchedOff || floor < 0 || floor >= m_floors || side < 0 || side > 1) return false;
    if (side == 1 && !hasSideB(floor)) return false;
    const quint8 buttons = floorConfig(floor) >> (3 * side) & 0x03;  // bit 0 up, bit 1 down
    quint8 bits = 0;
    switch (mode) {
    case CallDown: bits = buttons & 0x02; break;
    case CallUp: bits = buttons & 0x01; break;
    case CallCar: bits = 0x04; break;
    case CallUpDown: bits = buttons; break;
    default: return false;
    }
    if (!bits) return false;
    if (floor == m_floor && m_phase != Phase::Travelling && m_phase != Phase::Idle) {
        // The doors are at this floor already: hold them open, nothing to register.
        if (m_phase == Phase::DoorsClosing) {
            m_phase = Phase::DoorsOpening;
            m_phaseMs = 0;
            setDoors(Door::Opening);
        }
        return true;
    }
    m_calls[size_t(floor)] |= quint8(bits << (3 * side));
    return true;
}

void Lift::setSwitchedOff(bool off)
{
    m_switchedOff = off;
    if (off) std::fill(m_calls.begin(), m_calls.end(), 0);
}

void Lift::logFault(const FaultRecord &record)
{
    m_faults.insert(m_faults.begin(), record);
    if (m_faults.size() > MaxFaults) m_faults.pop_back();
}

void Lift::restart()
{
    m_testTrips = TestTrips::Off;
    std::fill(m_calls.begin(), m_calls.end(), 0);
    m_phase = Phase::Idle;
    m_phaseMs = 0;
    m_target = -1;
    m_direction = Direction::None;
    setDoors(Door::Closed);
}

void Lift::advance(int ms)
{
    m_operatingMs += qMax(0, ms);
    // Phase ends fall inside a step, so a long advance walks through them one by one.
    for (int guard = 0; ms > 0 && guard < 10000; ++guard) {
        const int used = std::min(ms, [&] {
            switch (m_phase) {
            case Phase::DoorsOpening:
            case Phase::DoorsClosing: return DoorMoveMs - m_phaseMs;
            case Phase::DoorsOpen: return DoorDwellMs - m_phaseMs;
            case Phase::Travelling: return FloorTravelMs - m_phaseMs;
            case Phase::Idle: break;
            }
            const bool testTrip = m_testTrips != TestTrips::Off && !m_switchedOff;
            return hasCalls() || testTrip ? 0 : ms;
        }());
        step(used);
        ms -= used;
    }
}

void Lift::step(int ms)
{
    m_phaseMs += ms;
    switch (m_phase) {
    case Phase::Idle:
        startNextJob();
        return;
    case Phase::DoorsOpening:
        if (m_phaseMs < DoorMoveMs) return;
        m_phase = Phase::DoorsOpen;
        setDoors(Door::Open);
        break;
    case Phase::DoorsOpen:
        if (m_phaseMs < DoorDwellMs) return;
        m_phase = Phase::DoorsClosing;
        setDoors(Door::Closing);
        break;
    case Phase::DoorsClosing:
        if (m_phaseMs < DoorMoveMs) return;
        m_phase = Phase::Idle;
        setDoors(Door::Closed);
        m_target = -1;
        // A trip that leaves nothing to do ends with the cabin parked here.
        if (m_travelledSinceRest && !hasCalls()) {
            count(ParkingTrips, m_floor);
            m_travelledSinceRest = false;
        }
        break;
    case Phase::Travelling:
        if (m_phaseMs < FloorTravelMs) return;
        m_floor += m_direction == Direction::Up ? 1 : -1;
        if (shouldStopAt(m_floor)) {
            arrive();
            return;
        }
        m_target = nextTarget();
        break;
    }
    m_phaseMs = 0;
}

void Lift::startNextJob()
{
    m_phaseMs = 0;
    if (!hasCalls()) nextTestTrip();
    if (callBits(m_floor)) {
        arrive();
        return;
    }
    m_target = nextTarget();
    if (m_target < 0) {
        m_direction = Direction::None;
        return;
    }
    m_direction = m_target > m_floor ? Direction::Up : Direction::Down;
    m_phase = Phase::Travelling;
    m_travelledSinceRest = true;
    ++m_trips;
}

void Lift::nextTestTrip()
{
    if (m_switchedOff) return;
    int floor = -1;
    switch (m_testTrips) {
    case TestTrips::Off: return;
    case TestTrips::Sequence: floor = m_floor < topFloor() ? m_floor + 1 : 0; break;
    case TestTrips::EndToEnd: floor = m_floor == 0 ? topFloor() : 0; break;
    case TestTrips::Random:
        floor = int(m_random() % quint32(topFloor()));
        if (floor >= m_floor) ++floor;  // never the floor it stands at
        break;
    }
    m_calls[size_t(floor)] |= 0x04;  // car call, side A
}

int Lift::nextTarget() const
{
    int above = -1, below = -1;
    for (int f = m_floor + 1; f < m_floors && above < 0; ++f)
        if (m_calls[size_t(f)]) above = f;
    for (int f = m_floor - 1; f >= 0 && below < 0; --f)
        if (m_calls[size_t(f)]) below = f;
    if (above < 0) return below;
    if (below < 0) return above;
    // Keep going the way we go; from rest take the nearer call.
    if (m_direction == Direction::Up) return above;
    if (m_direction == Direction::Down) return below;
    return above - m_floor <= m_floor - below ? above : below;
}

bool Lift::shouldStopAt(int floor) const
{
    // With nothing left to serve (calls dropped on the way) the cabin stops at the next floor.
    return callBits(floor) != 0 || nextTarget() < 0;
}

void Lift::arrive()
{
    // Served: landing buttons (up and down, both sides) and car buttons count apart.
    const quint8 served = m_calls[size_t(m_floor)];
    if (served & 0x1B) count(LandingCalls, m_floor);
    if (served & 0x24) count(CarCalls, m_floor);
    m_calls[size_t(m_floor)] = 0;
    m_target = m_floor;
    m_phase = Phase::DoorsOpening;
    m_phaseMs = 0;
    setDoors(Door::Opening);
}

void Lift::setDoors(Door state)
{
    m_doorA = state;
    m_doorB = hasSideB(m_floor) || state == Door::Closed ? state : Door::Closed;
}

}  // namespace sim
