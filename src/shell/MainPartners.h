#pragma once

#include <QString>

namespace shell {

// The main window as its controller sees it: the report it may hide and
// uncover. Everything else the window shows it hears through the
// controller's signals.
class MainView {
public:
    virtual ~MainView() = default;
    virtual bool reportVisible() const = 0;
    virtual void setReportVisible(bool visible) = 0;
};

// The monitor as the main window drives it: the link it attaches to, and its part of the shutdown. Outside batch mode it is the
// monitor and its window; a batch visit has no monitor.
class MonitorPort {
public:
    virtual ~MonitorPort() = default;
    virtual void clearAutorun() = 0;            // its StartMonitor check box
    virtual void linkToZbl() = 0;               // attach to the local link
    virtual void linkToMst() = 0;               // attach to the modem connection
    virtual bool resetInProgress() const = 0;   // a controller reset drops the link on purpose
    virtual void linkLost() = 0;
    virtual void show() = 0;
    virtual void setClosing() = 0;
    virtual void halt() = 0;
    virtual void haltDisplayMirror() = 0;       // the LCD the monitor started
};

// The serial port and the line drivers behind it.
class PortControl {
public:
    virtual ~PortControl() = default;
    virtual void setComNumber(int port) = 0;
    virtual void linkAction() = 0;              // start or stop the link (a click on a link lamp)
    virtual void useLocalRoute() = 0;           // the 401 line
    virtual void useRemoteRoute() = 0;          // modem and framing
    virtual void haltLine() = 0;                // the 401 line driver
    virtual void allowClose() = 0;
    virtual void halt() = 0;
};

// The transfer queue: stopped for good at the shutdown.
class QueueControl {
public:
    virtual ~QueueControl() = default;
    virtual void stop() = 0;
};

// The remote session and its panel, as far as the start settings reach them.
class RemoteControl {
public:
    virtual ~RemoteControl() = default;
    virtual void setDialNumber(const QString &number) = 0;
    virtual void setDialTimeout(int seconds) = 0;
    virtual void setClosing() = 0;
    virtual void requestInit() = 0;             // the session panel's modem init
};

// What the main controller drives; a part that does not exist stays null
// (a batch visit has no monitor, a window test no port).
struct MainPartners {
    MonitorPort *monitor = nullptr;
    PortControl *port = nullptr;
    QueueControl *queue = nullptr;
    RemoteControl *remote = nullptr;
};

}  // namespace shell
