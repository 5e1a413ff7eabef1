#pragma once

namespace monitor {

// The transfer queue as the monitor drives it: a flush drops every request
// waiting (each ends through its failure path); a start holds the queue for
// the given time before it sends again.
class TransferControl {
public:
    virtual ~TransferControl() = default;
    virtual void transferFlush() = 0;
    virtual void transferStart(int ms) = 0;
};

}  // namespace monitor
