#include "MonitorLinks.h"

#include "comlink/ComPort.h"
#include "comlink/FramedLink.h"
#include "protocol/TransferQueue.h"

namespace monitorview {

MonitorLinks::MonitorLinks(protocol::TransferQueue &queue, const comlink::ComPort &port, comlink::FramedLink &framing,
                           std::function<void()> stopSession)
    : m_queue(queue), m_port(port), m_framing(framing), m_stopSession(std::move(stopSession))
{
}

void MonitorLinks::transferFlush() { m_queue.transferFlush(); }
void MonitorLinks::transferStart(int ms) { m_queue.transferStart(ms); }
bool MonitorLinks::isLinked() const { return m_port.isLinked(); }

void MonitorLinks::kavcomSend(const QByteArray &telegram, core::AnswerProc onAnswer)
{
    m_framing.kavcomSend(telegram, std::move(onAnswer));
}

void MonitorLinks::stopSession() { if (m_stopSession) m_stopSession(); }

}  // namespace monitorview
