#pragma once

#include <QString>

namespace monitor {

// The main window as the monitor uses it; the window layer implements it.
class MonitorHost {
public:
    virtual ~MonitorHost() = default;
    virtual void showMessageField(const QString &text) = 0;
    virtual void setReportVisible(bool visible) = 0;
    // "Connect now?" when the monitor is started without a link.
    virtual bool confirmConnect() = 0;
    // The same as a click on the main window's link display.
    virtual void clickLinkDisplay() = 0;
};

}  // namespace monitor
