#pragma once

#include "core/Timer.h"
#include "shaft/ShaftLayout.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace shaft {

// Button kinds, numbered as the monitor's "which" of setCallLamp (3 = up and down).
enum CallKind { CallDown = 0, CallUp = 1, CallCar = 2, CallUpAndDown = 3 };
enum DoorState { DoorClosed = 0, DoorClosing = 1, DoorOpening = 2, DoorOpen = 3 };
enum DoorSide { SideA = 0, SideB = 1 };

// One call button of a floor: shown or not, the mode its click sends, and
// whether it takes a click (a registered call is shown disabled).
struct CallButtonState {
    bool visible = false;
    bool enabled = true;
    int mode = 0;
};

// The six buttons of a floor, [side][CallDown, CallUp, CallCar].
struct FloorButtons {
    std::array<std::array<CallButtonState, 3>, 2> side{};
    const CallButtonState &at(int s, int kind) const { return side[size_t(s)][size_t(kind)]; }
};

// The buttons a floor shows for its configuration byte. Floor 0 has no down
// buttons and the top floor no up buttons; with both up and down bits of a
// side set, both buttons send mode 3 (one call for both directions).
FloorButtons floorButtons(quint8 config, int floor, int topFloor);

// One cabin door: its state and the width of its panel in base units.
struct Door {
    int state = DoorClosed;
    int width = 0;
    int fullWidth = 0;
};

// What the shaft shows, apart from the widgets: floors with their buttons,
// cabin with doors and travel, safety and overload lamps, texts. The monitor
// feeds it; the window draws it and forwards clicks.
class ShaftModel : public QObject {
    Q_OBJECT
public:
    // What changed, so the window redraws only that part.
    enum Change { ShaftChanged, HeaderChanged, SafetyChanged, OverloadChanged, MessageChanged,
                  CabinChanged, DoorsChanged, ButtonsChanged };

    static constexpr int NoTarget = 255;
    static constexpr int DoorTickMs = 100;
    static constexpr int BlinkMs = 400;
    static constexpr int MaxCabinTimer = 20;
    static constexpr unsigned Grey = 0x808080;

    explicit ShaftModel(core::TimerFactory &timers);

    // Builds floors 0..topFloor from the configuration (a shaft already there goes
    // first). topFloor outside 0..39 builds nothing; topFloor = 0 builds one floor that
    // still counts as no shaft.
    void build(int topFloor, const FloorConfig &config);
    void destroy();
    bool isBuilt() const { return m_built; }
    bool hasShaft() const { return m_built && m_topFloor > 0; }
    int topFloor() const { return m_topFloor; }
    int floorCount() const { return m_built ? m_topFloor + 1 : 0; }
    const FloorButtons &buttons(int floor) const;

    void setFloor(int n);
    void setTarget(int t);
    void setCallLamp(int floor, int side, int state, int which);
    void setDoor(int door, int state);
    void setDirection(int picture);
    void setTravel(int bits);
    void tick();
    void setSafetyState(int s);
    void setMessage(const QString &text);
    void setCabinTimer(int k);
    // Stops both timers and takes the shaft down.
    void halt();
    // A click on a button: says callPressed when the button is shown and enabled.
    bool press(int floor, int side, int kind);

    QString standText() const { return m_standText; }
    QString targetText() const { return m_targetText; }
    int target() const { return m_target; }
    int lastShown() const { return m_lastShown; }
    int direction() const { return m_direction; }
    int travelStep() const { return m_step; }
    int cabinTimer() const { return m_cabinTimer; }
    bool cabinVisible() const { return m_cabinVisible; }
    // Top of the cabin in the shaft area (base units); the rope hangs from 0 to here.
    int cabinTop() const { return m_cabinTop; }
    const Door &door(int side) const { return m_doors[size_t(side == SideB)]; }
    int safetyState() const { return m_safety; }
    // Nothalt, Drehtuer, Tuerkontakt, Sperrmittel: 0x00BBGGRR.
    const std::array<unsigned, 4> &safetyLamps() const { return m_safetyLamps; }
    unsigned overloadColour() const { return m_overloadColour; }
    bool overloadLabelVisible() const { return m_overloadLabelVisible; }
    bool blinking() const { return m_blink->isActive(); }
    bool doorTimerRunning() const { return m_doorTimer->isActive(); }
    QString message() const { return m_message; }

signals:
    void callPressed(int floor, int side, int mode);  // an enabled call button was clicked
    void changed(ShaftModel::Change what);             // something shown changed

private:
    void placeCabin(int n);
    void doorTick();
    void blinkTick();
    bool validFloor(int floor) const { return hasShaft() && floor >= 0 && floor <= m_topFloor; }

    std::unique_ptr<core::Timer> m_doorTimer;
    std::unique_ptr<core::Timer> m_blink;
    bool m_built = false;
    int m_topFloor = 0;
    std::vector<FloorButtons> m_floors;
    QString m_standText = QStringLiteral("00");
    QString m_targetText = QStringLiteral("00");
    int m_target = NoTarget;
    int m_lastShown = NoTarget;
    int m_direction = 0;
    int m_step = 0;
    int m_cabinTimer = 0;
    int m_tickCount = 0;
    bool m_cabinVisible = false;
    int m_cabinTop = 0;
    std::array<Door, 2> m_doors{};
    int m_safety = -1;
    std::array<unsigned, 4> m_safetyLamps;
    unsigned m_overloadColour = Grey;
    bool m_overloadLabelVisible = true;
    QString m_message = QStringLiteral("warte auf Nachricht");
};

}  // namespace shaft
