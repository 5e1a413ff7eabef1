#pragma once

namespace protocol {
class TransferQueue;
}

namespace monitorview {

class MonitorWindow;

// The monitor window shows the transfer queue at work: its fill gauge follows
// the queue's fill, and its activity picture moves on with every answer processed.
void bindQueueGauges(protocol::TransferQueue &queue, MonitorWindow &window);

}  // namespace monitorview
