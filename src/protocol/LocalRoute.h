#pragma once

#include "ControllerChannel.h"
#include "Line401.h"
#include "TransferQueue.h"
#include "comlink/ComPort.h"

namespace protocol {

// The line driver's own requests (the block read) go through the channel, and
// the line switches the queue's answer mode.
inline void connectLineToQueue(Line401 &line, TransferQueue &queue, ControllerChannel &channel)
{
    line.setChannel(&channel);
    line.setQueueMode = [&queue](int mode) { queue.setMode(mode); };
}

// The queue's local route: its telegrams go out on the 401 line and the link
// is up while the port says so.
inline void routeQueueToLine(TransferQueue &queue, Line401 &line, const comlink::ComPort &port)
{
    queue.sendLocal = [&line](const QByteArray &telegram, core::AnswerProc onAnswer) {
        line.lineSend(telegram, std::move(onAnswer));
    };
    queue.dropLocal = [&line] { line.dropRequest(); };
    queue.isLinkUp = [&port] { return port.isLinked(); };
}

}  // namespace protocol
