#include "Installation.h"

#include "protocol/Codes.h"
#include "sysmod/SampleImage.h"

#include <algorithm>

namespace sim {

Installation::Installation(core::TimerFactory &timers, const InstallationSetup &setup)
    : m_timers(timers), m_setup(setup), m_random(setup.seed)
{
    const int count = std::clamp(setup.lifts, 1, MaxLifts);
    for (int i = 0; i < count; ++i) {
        auto lift = std::make_unique<Lift>(setup.floors, setup.seed * 7919u + quint32(i));
        const QByteArray site = QByteArray::number(1000 + setup.seed % 9000);
        lift->storeText(Lift::IdentityAddress, "ANL " + site + "/" + QByteArray::number(i + 1));
        lift->storeText(Lift::TelephoneAddress, "0711 " + QByteArray::number(400000 + (setup.seed * 37) % 500000));
        seedFaults(*lift);
        auto module = std::make_unique<sysmod::ParameterSetTarget>(timers.clock());
        module->setImage(sampleImage(*lift, i, 1000 + int(setup.seed % 9000)));
        m_systemModules.push_back(std::move(module));
        m_lifts.push_back(std::move(lift));
    }
    m_tick = timers.createTimer();
    m_tick->setCallback([this] { tick(); });
    m_tick->start(TickMs);
}

Lift *Installation::lift(int index)
{
    return index >= 0 && index < liftCount() ? m_lifts[size_t(index)].get() : nullptr;
}

sysmod::ParameterSetTarget *Installation::systemModule(int index)
{
    return index >= 0 && index < liftCount() ? m_systemModules[size_t(index)].get() : nullptr;
}

QByteArray Installation::sampleImage(const Lift &lift, int index, int site) const
{
    // The parameter set describes the shaft the lift really has: its floors and door sides.
    sysmod::SampleInstallation setup;
    setup.topFloor = lift.topFloor();
    for (int f = 0; f <= lift.topFloor(); ++f) setup.doors.append(quint8(lift.hasSideB(f) ? 3 : 1));
    setup.installation = site;
    setup.lift = index;
    setup.groupSize = std::clamp(m_setup.lifts, 1, MaxLifts);
    return sysmod::makeSampleImage(setup);
}

QDateTime Installation::controllerNow(const Lift &lift) const
{
    return m_timers.clock().now().addMSecs(lift.clockOffsetMs());
}

void Installation::setControllerNow(Lift &lift, const QDateTime &when)
{
    lift.setClockOffsetMs(m_timers.clock().now().msecsTo(when));
}

FaultRecord Installation::randomFault(const QDateTime &when)
{
    static const quint8 categories[] = {0, 1, 2, 3, 4, 5, 6, 7, 16};
    FaultRecord record;
    record.category = categories[m_random() % std::size(categories)];
    record.number = quint8(1 + m_random() % 40);
    record.value = quint8(m_random() % 8);
    record.dateCode = protocol::dateCode(when.date());
    record.timeCode = protocol::timeCode(when.time());
    return record;
}

void Installation::seedFaults(Lift &lift)
{
    // History spread over the past weeks, oldest first so the log ends with the newest.
    const int count = m_setup.storedFaults >= 0 ? qMin(m_setup.storedFaults, Lift::MaxFaults) : 3 + int(m_random() % 10);
    const QDateTime now = controllerNow(lift);
    for (int i = count; i > 0; --i) {
        const QDate day = now.date().addDays(-qint64(i) * 3 - int(m_random() % 3));
        lift.logFault(randomFault(QDateTime(day, QTime(6 + int(m_random() % 14), int(m_random() % 60), int(m_random() % 60)))));
    }
}

void Installation::newFault(Lift &lift)
{
    const quint32 ticksPerFault = quint32(m_setup.faultMinutes) * 60 * 1000 / TickMs;
    if (ticksPerFault != 0 && m_random() % ticksPerFault == 0) lift.logFault(randomFault(controllerNow(lift)));
}

void Installation::tick()
{
    for (auto &lift : m_lifts) {
        if (m_setup.trafficSeconds > 0) passengers(*lift);
        if (m_setup.faultMinutes > 0) newFault(*lift);
        lift->advance(TickMs);
    }
}

void Installation::passengers(Lift &lift)
{
    // On average one call per trafficSeconds: a landing call now and then, a car call more often.
    const quint32 ticksPerCall = quint32(m_setup.trafficSeconds) * 1000 / TickMs;
    if (ticksPerCall == 0 || m_random() % ticksPerCall != 0) return;
    const int floor = int(m_random() % quint32(lift.topFloor() + 1));
    const int mode = int(m_random() % 3);
    const int side = lift.hasSideB(floor) && m_random() % 2 ? 1 : 0;
    lift.placeCall(mode, floor, side);
}

}  // namespace sim
