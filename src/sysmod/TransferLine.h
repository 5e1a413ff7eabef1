#pragma once

namespace sysmod {

// The line under a parameter-set transfer: a write first drops whatever the
// transfer queue still holds, and its end waits for the controller's restart
// with the local line driver's answer time-out raised.
class TransferLine {
public:
    virtual ~TransferLine() = default;
    virtual void transferFlush() = 0;
    // Sets the line driver's answer time-out and returns the one it replaces.
    virtual int swapLineTimeout(int newMs) = 0;
};

}  // namespace sysmod
