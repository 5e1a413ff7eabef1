#pragma once

#include "monitor/ShaftView.h"

#include <QPointer>

#include <functional>

class QWidget;

namespace monitor {
class MonitorControl;
}
namespace shaft {
class ShaftWindow;
}

namespace monitorview {

// The shaft window as the monitor drives it: every call goes to the window
// while it exists, a shaft is built into the panel host() gives, and its call
// buttons send their calls through the monitor.
class ShaftBinding : public monitor::ShaftView {
public:
    ShaftBinding(monitor::MonitorControl &control, shaft::ShaftWindow *window, std::function<QWidget *()> host);

    void build(int topFloor, const Config &config) override;
    void destroy() override;
    bool exists() const override;
    void show() override;
    void tick() override;
    void setMessage(const QString &text) override;
    void setDirection(int picture) override;
    void setFloor(int floor) override;
    void setTarget(int target) override;
    void setSafetyState(int state) override;
    void setDoor(int door, int state) override;
    void setTravel(int bits) override;
    void setCallLamp(int floor, int side, int state, int which) override;

private:
    monitor::MonitorControl &m_control;
    QPointer<shaft::ShaftWindow> m_window;
    std::function<QWidget *()> m_host;
};

}  // namespace monitorview
