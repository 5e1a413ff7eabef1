#pragma once

#include <functional>

class QWidget;

namespace monitor {
class MonitorControl;
}
namespace shaft {
class ShaftWindow;
}

namespace monitorview {

// Lets the monitor drive the shaft window: every shaft hook of the monitor
// forwards to the window (while it exists), a shaft is built into the panel
// host() gives, and its call buttons send their calls through the monitor.
void bindShaft(monitor::MonitorControl &control, shaft::ShaftWindow *window, std::function<QWidget *()> host);

}  // namespace monitorview
