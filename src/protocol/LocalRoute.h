#pragma once

#include "ControllerChannel.h"
#include "Line401.h"
#include "LineRoute.h"
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
class LocalRoute final : public LineRoute {
public:
    LocalRoute(Line401 &line, const comlink::ComPort &port) : m_line(line), m_port(port) {}

    void send(const QByteArray &telegram, core::AnswerProc onAnswer) override
    {
        m_line.lineSend(telegram, std::move(onAnswer));
    }
    void drop() override { m_line.dropRequest(); }
    bool isLinked() const override { return m_port.isLinked(); }

private:
    Line401 &m_line;
    const comlink::ComPort &m_port;
};

}  // namespace protocol
