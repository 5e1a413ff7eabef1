#pragma once

#include "core/Channel.h"

#include <QByteArray>

namespace protocol {

// The way the transfer queue's telegrams reach the controller: the local 401
// line or the framed modem link. The queue holds one of them at a time.
class LineRoute {
public:
    virtual ~LineRoute() = default;
    // Puts a telegram on the line; the answer (or the route's failure text) comes back once.
    virtual void send(const QByteArray &telegram, core::AnswerProc onAnswer) = 0;
    // The queue gave up on the request on the line: forget what is still held of it.
    virtual void drop() = 0;
    // Requests are taken only while the link is up.
    virtual bool isLinked() const = 0;
};

}  // namespace protocol
