#include "ControllerChannel.h"

#include "Codes.h"
#include "TransferQueue.h"

namespace protocol {

namespace {
bool isMember(int member) { return member >= 0 && member <= 3; }
}  // namespace

ControllerChannel::ControllerChannel(TransferQueue &queue) : m_queue(queue) {}

void ControllerChannel::setMember(int member)
{
    const int chosen = isMember(member) ? member : Unrouted;
    if (chosen == m_member) return;
    m_member = chosen;
    emit memberChanged(m_member);
}

bool ControllerChannel::putTo(int member, core::Request request)
{
    request.telegram = routedTo(member, request.telegram);
    const QByteArray telegram = request.telegram;
    if (!m_queue.transferPut(std::move(request))) return false;
    emit queued(telegram);
    return true;
}

}  // namespace protocol
