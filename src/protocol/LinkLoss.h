#pragma once

#include "TransferQueue.h"
#include "comlink/ComPort.h"

#include <QObject>

namespace protocol {

// A lost link drops every queued request at once, so each owner hears of it
// and none waits for an answer that cannot come.
inline void flushOnLinkLoss(TransferQueue &queue, comlink::ComPort &port)
{
    QObject::connect(&port, &comlink::ComPort::linkLost, &port, [&queue] { queue.linkLost(); });
}

}  // namespace protocol
