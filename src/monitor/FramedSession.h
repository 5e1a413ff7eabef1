#pragma once

#include "core/Transfer.h"

#include <QByteArray>

namespace monitor {

// The modem session as the monitor sees it: a telegram sent framed, outside
// the queue, and the end of the session.
class FramedSession {
public:
    virtual ~FramedSession() = default;
    virtual void kavcomSend(const QByteArray &telegram, core::AnswerProc onAnswer) = 0;
    virtual void stopSession() = 0;
};

}  // namespace monitor
