#pragma once

#include "Lift.h"

#include "core/Timer.h"
#include "sysmod/ParameterSetTarget.h"

#include <memory>
#include <random>
#include <vector>

namespace sim {

struct InstallationSetup {
    int lifts = 1;          // 1 to 4 behind the group controller
    int floors = 8;         // 2 to 40
    quint32 seed = 1;
    // Mean seconds between passengers' calls per lift; 0: only calls sent over the line.
    int trafficSeconds = 0;
    // Mean minutes between new faults per lift; 0: the log only holds its history.
    int faultMinutes = 0;
    // Records in each lift's log at start; -1: a few, as the seed has it.
    int storedFaults = -1;
};

// The group of lift controllers on the line: the lifts, the clock that moves
// them, and the passengers who press buttons.
class Installation {
public:
    static constexpr int TickMs = 100;
    static constexpr int MaxLifts = 4;

    Installation(core::TimerFactory &timers, const InstallationSetup &setup);

    int liftCount() const { return int(m_lifts.size()); }
    // nullptr for an index outside the group.
    Lift *lift(int index);
    // Each lift's parameter set and its side of the transfer; nullptr outside the group.
    sysmod::ParameterSetTarget *systemModule(int index);
    core::Clock &clock() { return m_timers.clock(); }

    // Each controller keeps its own clock, set over the line.
    QDateTime controllerNow(const Lift &lift) const;
    void setControllerNow(Lift &lift, const QDateTime &when);

private:
    void tick();
    void seedFaults(Lift &lift);
    void passengers(Lift &lift);
    void newFault(Lift &lift);
    FaultRecord randomFault(const QDateTime &when);
    QByteArray sampleImage(const Lift &lift, int index, int site) const;

    core::TimerFactory &m_timers;
    InstallationSetup m_setup;
    std::vector<std::unique_ptr<Lift>> m_lifts;
    std::vector<std::unique_ptr<sysmod::ParameterSetTarget>> m_systemModules;
    std::unique_ptr<core::Timer> m_tick;
    std::mt19937 m_random;
};

}  // namespace sim
