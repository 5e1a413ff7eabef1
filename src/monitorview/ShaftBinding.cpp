#include "ShaftBinding.h"

#include "monitor/MonitorControl.h"
#include "shaft/ShaftWindow.h"

#include <QPointer>

namespace monitorview {

void bindShaft(monitor::MonitorControl &control, shaft::ShaftWindow *shaftWindow, std::function<QWidget *()> host)
{
    QPointer<shaft::ShaftWindow> window = shaftWindow;
    // Calls a member of the window while it exists.
    const auto forward = [window](auto member) {
        return [window, member](auto... args) { if (window) (window.data()->*member)(args...); };
    };
    monitor::ShaftHooks &hooks = control.shaft();
    hooks.build = [window, &control, host = std::move(host)](int topFloor, const monitor::ShaftHooks::Config &layout) {
        if (!window) return;
        window->buildShaft(host ? host() : nullptr, topFloor,
                           [&control](int floor, int side, int mode) { control.sendCall(floor, side, mode); }, layout);
    };
    hooks.destroy = forward(&shaft::ShaftWindow::destroyShaft);
    hooks.exists = [window] { return window && window->hasShaft(); };
    hooks.show = forward(&shaft::ShaftWindow::showShaft);
    hooks.tick = forward(&shaft::ShaftWindow::tick);
    hooks.setMessage = forward(&shaft::ShaftWindow::setMessage);
    hooks.setDirection = forward(&shaft::ShaftWindow::setDirection);
    hooks.setFloor = forward(&shaft::ShaftWindow::setFloor);
    hooks.setTarget = forward(&shaft::ShaftWindow::setTarget);
    hooks.setSafetyState = forward(&shaft::ShaftWindow::setSafetyState);
    hooks.setDoor = forward(&shaft::ShaftWindow::setDoor);
    hooks.setTravel = forward(&shaft::ShaftWindow::setTravel);
    hooks.setCallLamp = forward(&shaft::ShaftWindow::setCallLamp);
}

}  // namespace monitorview
