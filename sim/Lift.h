#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <random>
#include <vector>

namespace sim {

// One stored fault of a lift controller's log.
struct FaultRecord {
    quint8 category = 0;
    quint8 number = 0;
    quint8 value = 0;
    quint16 dateCode = 0;
    quint16 timeCode = 0;
};

// One lift controller with its cabin, doors, calls and counters. Time moves
// only through advance(), so the model is deterministic for a given seed.
class Lift {
public:
    // Door states as the lift-state block codes them.
    enum class Door { Closed = 0, Opening = 1, Closing = 2, Open = 3 };
    enum class Direction { None, Up, Down };
    // Call modes of the call telegram.
    enum CallMode { CallDown = 0, CallUp = 1, CallCar = 2, CallUpDown = 3 };
    // Test trips the service engineer can start: the lift sends itself car calls while idle.
    enum class TestTrips { Off, Sequence, Random, EndToEnd };

    static constexpr int FloorTravelMs = 2500;   // about 1.2 m/s at 3 m per floor
    static constexpr int DoorMoveMs = 2000;
    static constexpr int DoorDwellMs = 3000;
    static constexpr int MaxFloors = 40;
    static constexpr int MemorySize = 0x10000;
    static constexpr int MaxFaults = 1000;  // the oldest record goes when the log is full

    Lift(int floors, quint32 seed);

    void advance(int ms);

    // Registers a call; false when this floor or side has no such button or
    // the lift is switched off.
    bool placeCall(int mode, int floor, int side);
    // Call bits of a floor: bits 0-2 side A up/down/car, bits 3-5 side B.
    quint8 callBits(int floor) const;
    bool hasCalls() const;

    int topFloor() const { return m_floors - 1; }
    // Shaft configuration byte of a floor: bits 0-1 side A up/down, 3-4 side B.
    quint8 floorConfig(int floor) const;
    bool hasSideB(int floor) const;

    int floor() const { return m_floor; }
    int target() const { return m_target; }  // -1: none
    Direction direction() const { return m_direction; }
    bool travelling() const { return m_phase == Phase::Travelling; }
    Door doorA() const { return m_doorA; }
    Door doorB() const { return m_doorB; }

    void setTestTrips(TestTrips mode) { m_testTrips = mode; }
    TestTrips testTrips() const { return m_testTrips; }

    bool switchedOff() const { return m_switchedOff; }
    void setSwitchedOff(bool off);
    bool addressLocked() const { return m_addressLocked; }
    void setAddressLocked(bool locked) { m_addressLocked = locked; }

    quint32 trips() const { return m_trips; }
    quint32 operatingSeconds() const { return quint32(m_operatingMs / 1000); }

    // The fault log, newest first.
    const std::vector<FaultRecord> &faults() const { return m_faults; }
    void logFault(const FaultRecord &record);
    void clearFaults() { m_faults.clear(); }

    // Controller memory (EEPROM areas and RAM) for the address reads.
    QByteArray &memory() { return m_memory; }
    const QByteArray &memory() const { return m_memory; }
    static constexpr int IdentityAddress = 0x3F1C;
    static constexpr int TelephoneAddress = 0x3F2C;
    static constexpr int TextLength = 15;
    QByteArray identity() const { return m_memory.mid(IdentityAddress, TextLength); }
    QByteArray telephone() const { return m_memory.mid(TelephoneAddress, TextLength); }
    // Stores text at address, cut or padded with 00 bytes to TextLength.
    void storeText(int address, const QByteArray &text);

    // The statistics area: the identifier word 1993 at StatisticsBase + index
    // (an index from 1 to 20, as the seed has it), then three tables of four-byte
    // counters per floor, 224 bytes apart: landing calls, car calls, parking trips.
    static constexpr int StatisticsBase = 0xD34F;
    static constexpr int StatisticsTables = 14;     // behind the identifier
    static constexpr int StatisticsTableSize = 224;
    enum StatisticsTable { LandingCalls, CarCalls, ParkingTrips };
    int statisticsIndex() const { return m_statisticsIndex; }
    quint32 statistic(StatisticsTable table, int floor) const;

    QByteArray versionText() const { return m_version; }
    quint8 maintenanceBits() const { return m_maintenanceBits; }

    // Controller clock, as an offset from the host's clock.
    qint64 clockOffsetMs() const { return m_clockOffsetMs; }
    void setClockOffsetMs(qint64 ms) { m_clockOffsetMs = ms; }

    // Back to the state after power-up: calls dropped, doors closed, cabin where it stands.
    void restart();

private:
    enum class Phase { Idle, DoorsOpening, DoorsOpen, DoorsClosing, Travelling };

    void step(int ms);
    void startNextJob();
    void nextTestTrip();
    int nextTarget() const;
    bool shouldStopAt(int floor) const;
    void arrive();
    void setDoors(Door state);
    void seedMemory(std::mt19937 &random);
    void seedStatistics(std::mt19937 &random);
    int statisticAddress(StatisticsTable table, int floor) const;
    void storeStatistic(StatisticsTable table, int floor, quint32 value);
    void count(StatisticsTable table, int floor);

    int m_floors;
    std::vector<quint8> m_calls;
    std::vector<bool> m_sideB;
    int m_floor = 0;
    int m_target = -1;
    Direction m_direction = Direction::None;
    Phase m_phase = Phase::Idle;
    int m_phaseMs = 0;
    Door m_doorA = Door::Closed;
    Door m_doorB = Door::Closed;
    TestTrips m_testTrips = TestTrips::Off;
    std::mt19937 m_random;
    bool m_switchedOff = false;
    bool m_addressLocked = false;
    quint32 m_trips = 0;
    qint64 m_operatingMs = 0;
    std::vector<FaultRecord> m_faults;
    QByteArray m_memory;
    QByteArray m_version;
    quint8 m_maintenanceBits = 0;
    qint64 m_clockOffsetMs = 0;
    int m_statisticsIndex = 1;
    bool m_travelledSinceRest = false;
};

}  // namespace sim
