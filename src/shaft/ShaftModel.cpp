#include "ShaftModel.h"

#include "core/Colours.h"
#include "shaft/ShaftGeometry.h"

namespace shaft {

namespace {

constexpr unsigned Red = core::colour::Red;
constexpr unsigned Green = core::colour::Green;
constexpr unsigned Yellow = core::colour::Yellow;

// Lamps of the safety circuit per state 0..8: Nothalt, Drehtuer, Tuerkontakt, Sperrmittel.
constexpr std::array<std::array<unsigned, 4>, 9> SafetyTable = {{
    {Green, Green, Green, Green},
    {Red, Red, Red, Red},
    {Green, Red, Red, Red},
    {Green, Red, Red, Red},
    {Green, Red, Red, Red},
    {Green, Red, Red, Red},
    {Green, Red, Red, Red},
    {Green, Green, Red, Red},
    {Green, Green, Green, Red},
}};
constexpr int OverloadState = 2;


}  // namespace

FloorButtons floorButtons(quint8 config, int floor, int topFloor)
{
    FloorButtons result;
    for (int side = SideA; side <= SideB; ++side) {
        const quint8 bits = quint8(config >> (3 * side));  // side B uses bits 3..5
        auto &buttons = result.side[size_t(side)];
        // Each button sends its own kind, unless both bits ask for one call both ways.
        const bool both = (bits & 3) == 3;
        for (int kind = CallDown; kind <= CallCar; ++kind) buttons[size_t(kind)].mode = kind;
        if (both) buttons[CallUp].mode = buttons[CallDown].mode = CallUpAndDown;
        buttons[CallUp].visible = bits & (configbit::SideAUp | configbit::SideAAll);
        buttons[CallDown].visible = bits & (configbit::SideADown | configbit::SideAAll);
        buttons[CallCar].visible = bits & 7;
        if (floor == 0) buttons[CallDown].visible = false;
        if (floor == topFloor) buttons[CallUp].visible = false;
    }
    return result;
}

ShaftModel::ShaftModel(core::TimerFactory &timers)
    : m_doorTimer(timers.createTimer()), m_blink(timers.createTimer())
{
    m_safetyLamps.fill(Red);
    m_doors[SideA] = Door{DoorClosed, geometry::DoorAFullWidth, geometry::DoorAFullWidth};
    m_doors[SideB] = Door{DoorClosed, geometry::DoorBFullWidth, geometry::DoorBFullWidth};
    m_doorTimer->setInterval(DoorTickMs);
    m_doorTimer->setCallback([this] { doorTick(); });
    m_blink->setInterval(BlinkMs);
    m_blink->setCallback([this] { blinkTick(); });
}

void ShaftModel::build(int topFloor, const FloorConfig &config)
{
    if (topFloor < 0 || topFloor >= MaxFloors) return;
    if (m_built) destroy();
    m_topFloor = topFloor;
    m_built = true;
    m_floors.clear();
    for (int floor = 0; floor <= topFloor; ++floor) m_floors.push_back(floorButtons(config[size_t(floor)], floor, topFloor));
    for (Door &door : m_doors) door = Door{DoorClosed, door.fullWidth, door.fullWidth};
    m_cabinVisible = false;
    m_cabinTop = 0;
    m_tickCount = 0;
    m_lastShown = NoTarget;
    m_doorTimer->start();
    m_message = QStringLiteral("hoehe: ") + QString::number(topFloor * geometry::FloorPitch + geometry::FloorPitch);
    changed(ShaftChanged);
    changed(MessageChanged);
}

void ShaftModel::destroy()
{
    m_doorTimer->stop();
    m_built = false;
    m_topFloor = 0;
    m_floors.clear();
    m_cabinVisible = false;
    changed(ShaftChanged);
}

const FloorButtons &ShaftModel::buttons(int floor) const
{
    static const FloorButtons none;
    return floor >= 0 && floor < int(m_floors.size()) ? m_floors[size_t(floor)] : none;
}

void ShaftModel::placeCabin(int n)
{
    if (!validFloor(n)) return;
    const int top = geometry::stripTop(m_topFloor, n) - geometry::CabinAboveStrip;
    // Polls repeat the floor; only a move redraws and scrolls, so the user may
    // look at other floors while the cabin stands.
    if (m_cabinVisible && top == m_cabinTop) return;
    m_cabinTop = top;
    m_cabinVisible = true;
    changed(CabinChanged);
}

void ShaftModel::setFloor(int n)
{
    if (n < 0 || n > 255) return;
    if (m_cabinTimer < 1) {
        placeCabin(n);
    } else {
        // With smooth travel the cabin creeps between floors on its own; a new
        // floor number sets it straight, a repeated one leaves it creeping.
        if (m_step == 0) placeCabin(n);
        if (n == m_lastShown) return;
        placeCabin(n);
        m_lastShown = n;
    }
    m_standText = QString::number(n);
    changed(HeaderChanged);
}

void ShaftModel::setTarget(int t)
{
    if (t < 0 || t > 255) return;
    m_target = t;
    m_targetText = t == NoTarget ? QString() : QString::number(t);
    changed(HeaderChanged);
}

void ShaftModel::setCallLamp(int floor, int side, int state, int which)
{
    if (!validFloor(floor) || side < SideA || side > SideB || which < CallDown || which > CallUpAndDown) return;
    auto &buttons = m_floors[size_t(floor)].side[size_t(side)];
    const bool enabled = state != 0;
    if (which == CallUpAndDown) {
        buttons[CallUp].enabled = enabled;
        buttons[CallDown].enabled = enabled;
    } else {
        buttons[size_t(which)].enabled = enabled;
    }
    changed(ButtonsChanged);
}

void ShaftModel::setDoor(int door, int state)
{
    if (!hasShaft() || door < SideA || door > SideB || state < DoorClosed || state > DoorOpen) return;
    m_doors[size_t(door)].state = state;
}

void ShaftModel::doorTick()
{
    bool moved = false;
    for (Door &door : m_doors) {
        const int before = door.width;
        switch (door.state) {
        case DoorClosed: door.width = door.fullWidth; break;
        case DoorClosing:
            door.width = qMin(door.width + 1, door.fullWidth);
            if (door.width >= door.fullWidth) door.state = DoorClosed;
            break;
        case DoorOpening:
            door.width = qMax(door.width - 1, 0);
            if (door.width < 3) door.state = DoorOpen;
            break;
        case DoorOpen: door.width = geometry::DoorOpenWidth; break;
        }
        moved = moved || door.width != before;
    }
    if (moved) changed(DoorsChanged);
}

void ShaftModel::setDirection(int picture)
{
    if (picture < 0 || picture > 2 || picture == m_direction) return;
    m_direction = picture;
    changed(HeaderChanged);
}

void ShaftModel::setTravel(int bits)
{
    switch (bits & 0x30) {
    case 0x00: m_step = 0; break;
    case 0x10: m_step = 1; break;
    case 0x20: m_step = -1; break;
    default: break;  // both drive bits: not a travel the controller reports
    }
}

void ShaftModel::tick()
{
    if (m_cabinTimer == 0) return;
    if (++m_tickCount < m_cabinTimer) return;
    m_tickCount = 0;
    if (!hasShaft() || !m_cabinVisible || m_target > m_topFloor || m_step == 0) return;
    const int goal = geometry::stripTop(m_topFloor, m_target) - geometry::CabinAboveStrip;
    // Upward travel lowers the top; only creep towards the target, never past
    // it, so a step against the target's side cannot run the cabin off the shaft.
    if ((goal - m_cabinTop) * -m_step <= 0) return;
    m_cabinTop -= m_step;
    changed(CabinChanged);
}

void ShaftModel::setSafetyState(int s)
{
    if (s >= 0 && s < int(SafetyTable.size())) {
        m_safety = s;
        m_safetyLamps = SafetyTable[size_t(s)];
        changed(SafetyChanged);
    }
    if (s == OverloadState) {
        // A running blink keeps its rhythm: polls come faster than it blinks.
        if (!m_blink->isActive()) m_blink->start();
        return;
    }
    m_blink->stop();
    if (m_overloadColour != Grey || !m_overloadLabelVisible) {
        m_overloadColour = Grey;
        m_overloadLabelVisible = true;
        changed(OverloadChanged);
    }
}

void ShaftModel::blinkTick()
{
    m_overloadColour = m_overloadColour == Yellow ? Red : Yellow;
    m_overloadLabelVisible = !m_overloadLabelVisible;
    changed(OverloadChanged);
}

void ShaftModel::setMessage(const QString &text)
{
    if (text == m_message) return;
    m_message = text;
    changed(MessageChanged);
}

void ShaftModel::setCabinTimer(int k)
{
    if (k < 0 || k > MaxCabinTimer) return;
    m_cabinTimer = k;
    m_tickCount = 0;
}

void ShaftModel::halt()
{
    m_blink->stop();
    destroy();
}

bool ShaftModel::press(int floor, int side, int kind)
{
    if (floor < 0 || floor >= int(m_floors.size()) || side < SideA || side > SideB || kind < CallDown || kind > CallCar)
        return false;
    const CallButtonState &button = m_floors[size_t(floor)].at(side, kind);
    if (!button.visible || !button.enabled) return false;
    emit callPressed(floor, side, button.mode);
    return true;
}

}  // namespace shaft
