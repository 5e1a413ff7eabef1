#pragma once

#include "ControllerInfo.h"
#include "core/Channel.h"

namespace monitor {

// The requests of the two fault fields. False when the queue refused the
// request; onDropped runs instead of onText when a flush or a lost link dropped it.
class FaultSource {
public:
    virtual ~FaultSource() = default;
    virtual bool requestFaultCount(TextProc onText, core::DropProc onDropped) = 0;
    virtual bool requestNewestFault(TextProc onText, core::DropProc onDropped) = 0;
};

}  // namespace monitor
