#pragma once

// The monitor's queue control and link state over a real link stack: the
// queue flushes and starts, and the port says whether the link stands.

#include "comlink/ComPort.h"
#include "monitor/LinkState.h"
#include "monitor/TransferControl.h"
#include "protocol/TransferQueue.h"

struct QueueTransferControl : monitor::TransferControl {
    explicit QueueTransferControl(protocol::TransferQueue &q) : queue(q) {}
    protocol::TransferQueue &queue;
    void transferFlush() override { queue.transferFlush(); }
    void transferStart(int ms) override { queue.transferStart(ms); }
};

struct PortLinkState : monitor::LinkState {
    explicit PortLinkState(const comlink::ComPort &p) : port(p) {}
    const comlink::ComPort &port;
    bool isLinked() const override { return port.isLinked(); }
};
