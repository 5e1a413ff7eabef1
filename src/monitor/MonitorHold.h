#pragma once

namespace monitor {

// The monitor as a tool that needs the line for a while sees it: a hold pauses
// the polling cycle until the matching release.
class MonitorHold {
public:
    virtual ~MonitorHold() = default;
    virtual void holdMonitor() = 0;
    virtual void releaseMonitor() = 0;
    // Whether the monitor was linked to a route (the local line or the modem) at all.
    virtual bool hasLinkMode() const = 0;
};

}  // namespace monitor
