#pragma once

#include "LineRoute.h"
#include "comlink/ComPort.h"
#include "comlink/FramedLink.h"

namespace protocol {

// The queue's remote route: its telegrams go out framed to the modem, and the
// link is up while the port says so. The framing layer holds nothing to drop.
class FramedRoute final : public LineRoute {
public:
    FramedRoute(comlink::FramedLink &link, const comlink::ComPort &port) : m_link(link), m_port(port) {}

    void send(const QByteArray &telegram, core::AnswerProc onAnswer) override
    {
        m_link.kavcomSend(telegram, std::move(onAnswer));
    }
    void drop() override {}
    bool isLinked() const override { return m_port.isLinked(); }

private:
    comlink::FramedLink &m_link;
    const comlink::ComPort &m_port;
};

}  // namespace protocol
