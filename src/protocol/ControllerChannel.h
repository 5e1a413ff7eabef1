#pragma once

#include "core/Channel.h"

#include <QObject>

namespace protocol {

class TransferQueue;

// The one way every part of the program reaches the controller: it adds the
// chosen group member's prefix F0 10 70 k and puts the request into the
// queue. Requests routed already (F0) and those for the group controller
// itself (C1) pass as they are.
class ControllerChannel : public QObject, public core::Channel {
    Q_OBJECT
public:
    explicit ControllerChannel(TransferQueue &queue);

    int member() const override { return m_member; }
    // A member outside 0..3 is the controller on the line itself.
    void setMember(int member);
    bool putTo(int member, core::Request request) override;

signals:
    void memberChanged(int member);
    // A request was queued, as it goes on the line.
    void queued(const QByteArray &telegram);

private:
    TransferQueue &m_queue;
    int m_member = Unrouted;
};

}  // namespace protocol
