#pragma once

#include <QString>
#include <QtGlobal>

#include <array>

namespace monitor {

// The shaft window as the monitor drives it.
class ShaftView {
public:
    using Config = std::array<quint8, 40>;

    virtual ~ShaftView() = default;
    virtual void build(int topFloor, const Config &config) = 0;
    virtual void destroy() = 0;
    virtual bool exists() const = 0;
    virtual void show() = 0;
    virtual void tick() = 0;
    virtual void setMessage(const QString &text) = 0;
    virtual void setDirection(int picture) = 0;
    virtual void setFloor(int floor) = 0;
    virtual void setTarget(int target) = 0;
    virtual void setSafetyState(int state) = 0;
    virtual void setDoor(int door, int state) = 0;
    virtual void setTravel(int bits) = 0;
    virtual void setCallLamp(int floor, int side, int state, int which) = 0;
};

}  // namespace monitor
