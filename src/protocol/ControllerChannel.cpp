#include "ControllerChannel.h"

#include "Codes.h"
#include "TransferQueue.h"
#include "core/Bytes.h"

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

QByteArray ControllerChannel::routed(int member, const QByteArray &telegram)
{
    const quint8 first = core::byteAt(telegram, 0);
    if (!isMember(member) || first == 0xF0 || first == 0xC1) return telegram;
    return groupRouted(member, telegram);
}

bool ControllerChannel::putTo(int member, core::Request request)
{
    request.telegram = routed(member, request.telegram);
    return m_queue.transferPut(std::move(request));
}

}  // namespace protocol
