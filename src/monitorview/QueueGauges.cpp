#include "QueueGauges.h"

#include "MonitorWindow.h"
#include "protocol/TransferQueue.h"

#include <QPointer>

namespace monitorview {

void bindQueueGauges(protocol::TransferQueue &queue, MonitorWindow &window)
{
    // The queue outlives the windows.
    QPointer<MonitorWindow> shown = &window;
    queue.onCount = [shown](int count) { if (shown) shown->showQueueFill(count); };
    queue.onProcess = [shown] { if (shown) shown->stepActivity(); };
}

}  // namespace monitorview
