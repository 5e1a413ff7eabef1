#include "ShaftBinding.h"

#include "monitor/MonitorControl.h"
#include "shaft/ShaftWindow.h"

namespace monitorview {

ShaftBinding::ShaftBinding(monitor::MonitorControl &control, shaft::ShaftWindow *window, std::function<QWidget *()> host)
    : m_control(control), m_window(window), m_host(std::move(host))
{
    if (m_window) QObject::connect(m_window, &shaft::ShaftWindow::callPressed, &m_control, &monitor::MonitorControl::sendCall);
}

void ShaftBinding::build(int topFloor, const Config &config)
{
    if (!m_window) return;
    m_window->buildShaft(m_host ? m_host() : nullptr, topFloor, config);
}

bool ShaftBinding::exists() const { return m_window && m_window->hasShaft(); }
void ShaftBinding::destroy() { if (m_window) m_window->destroyShaft(); }
void ShaftBinding::show() { if (m_window) m_window->showShaft(); }
void ShaftBinding::tick() { if (m_window) m_window->tick(); }
void ShaftBinding::setMessage(const QString &text) { if (m_window) m_window->setMessage(text); }
void ShaftBinding::setDirection(int picture) { if (m_window) m_window->setDirection(picture); }
void ShaftBinding::setFloor(int floor) { if (m_window) m_window->setFloor(floor); }
void ShaftBinding::setTarget(int target) { if (m_window) m_window->setTarget(target); }
void ShaftBinding::setSafetyState(int state) { if (m_window) m_window->setSafetyState(state); }
void ShaftBinding::setDoor(int door, int state) { if (m_window) m_window->setDoor(door, state); }
void ShaftBinding::setTravel(int bits) { if (m_window) m_window->setTravel(bits); }
void ShaftBinding::setCallLamp(int floor, int side, int state, int which)
{
    if (m_window) m_window->setCallLamp(floor, side, state, which);
}

}  // namespace monitorview
