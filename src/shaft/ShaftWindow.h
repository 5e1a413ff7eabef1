#pragma once

#include "core/Timer.h"
#include "shaft/ShaftModel.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <vector>

class QFrame;
class QLabel;
class QScrollArea;

namespace shaft {

class CabinView;
class CallButton;
class FloorStrip;
class DirectionPicture;
class LampDot;
class SafetyLamps;

// The shaft window: header with direction picture, "STAND=" and "ZIEL=",
// the safety and overload lamps with the message field, and the shaft itself
// in a scroll area. It is docked into the host panel given to buildShaft and
// floats as a window of its own when the host is too low for it. All state
// lives in the model; the window draws it and forwards clicks.
class ShaftWindow : public QWidget {
    Q_OBJECT
public:
    explicit ShaftWindow(core::TimerFactory &timers, QWidget *parent = nullptr);
    ~ShaftWindow() override;

    // The operations the monitor calls.
    void buildShaft(QWidget *host, int topFloor, const std::array<quint8, 40> &config);
    void destroyShaft();
    // Shows a built shaft again (after its floating window was closed).
    void showShaft();
    bool hasShaft() const { return m_model.hasShaft(); }
    void setFloor(int n) { m_model.setFloor(n); }
    void setTarget(int t) { m_model.setTarget(t); }
    void setCallLamp(int floor, int side, int state, int which) { m_model.setCallLamp(floor, side, state, which); }
    void setDoor(int door, int state) { m_model.setDoor(door, state); }
    void setDirection(int picture) { m_model.setDirection(picture); }
    void setTravel(int bits) { m_model.setTravel(bits); }
    void tick() { m_model.tick(); }
    void setSafetyState(int s) { m_model.setSafetyState(s); }
    void setMessage(const QString &text) { m_model.setMessage(text); }
    void setCabinTimer(int k) { m_model.setCabinTimer(k); }
    // Writes "unit51.schacht> halt", stops the timers and takes the shaft down.
    void halt();

    ShaftModel &model() { return m_model; }
    const ShaftModel &model() const { return m_model; }
    // Pixels per base unit: the screen's resolution over 96 dpi.
    qreal unit() const { return m_unit; }
    bool isFloating() const { return m_floating; }
    QWidget *host() const { return m_host; }
    QScrollArea *shaftArea() const { return m_scroll; }
    FloorStrip *floorStrip(int floor) const;
    CallButton *callButton(int floor, int side, int kind) const;
    CabinView *cabin() const { return m_cabin; }
    QFrame *rope() const { return m_rope; }
    QLabel *standField() const { return m_standField; }
    QLabel *targetField() const { return m_targetField; }
    QLabel *messageField() const { return m_messageField; }
    QLabel *overloadLabel() const { return m_overloadLabel; }
    // The colour a lamp shows (0..3 safety lamps, 4 overload): 0x00BBGGRR.
    unsigned lampColour(int lamp) const;
    int directionShown() const;

    std::function<void(const QString &)> onLog;  // the halt's log line

signals:
    // An enabled call button was clicked; mode is the button's call mode.
    void callPressed(int floor, int side, int mode);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void modelChanged(ShaftModel::Change what);
    void createFloors();
    void removeFloors();
    void showHeader();
    void showSafety();
    void showOverload();
    void showCabin();
    void showDoors();
    void showButtons();
    void dock(QWidget *host);
    void undock();
    int px(qreal units) const { return qRound(units * m_unit); }

    ShaftModel m_model;
    qreal m_unit = 1.0;
    QPointer<QWidget> m_home;  // the parent the window was made with; it returns there when undocked
    QPointer<QWidget> m_host;
    bool m_floating = false;
    DirectionPicture *m_directionPicture;
    QLabel *m_standField;
    QLabel *m_targetField;
    SafetyLamps *m_safetyLamps;
    LampDot *m_overloadLamp;
    QLabel *m_overloadLabel;
    QLabel *m_messageField;
    QScrollArea *m_scroll;
    QWidget *m_shaftArea = nullptr;
    std::vector<FloorStrip *> m_floors;
    CabinView *m_cabin = nullptr;
    QFrame *m_rope = nullptr;
};

}  // namespace shaft
