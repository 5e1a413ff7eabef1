#pragma once

#include "monitor/FramedSession.h"
#include "monitor/LinkState.h"
#include "monitor/TransferControl.h"

#include <functional>

namespace comlink {
class ComPort;
class FramedLink;
}
namespace protocol {
class TransferQueue;
}

namespace monitorview {

// The transfer queue, the port's link state and the framed link as the monitor
// uses them. Ending the session belongs to the program, which passes it in.
class MonitorLinks : public monitor::TransferControl, public monitor::LinkState, public monitor::FramedSession {
public:
    MonitorLinks(protocol::TransferQueue &queue, const comlink::ComPort &port, comlink::FramedLink &framing,
                 std::function<void()> stopSession);

    void transferFlush() override;
    void transferStart(int ms) override;
    bool isLinked() const override;
    void kavcomSend(const QByteArray &telegram, core::AnswerProc onAnswer) override;
    void stopSession() override;

private:
    protocol::TransferQueue &m_queue;
    const comlink::ComPort &m_port;
    comlink::FramedLink &m_framing;
    std::function<void()> m_stopSession;
};

}  // namespace monitorview
