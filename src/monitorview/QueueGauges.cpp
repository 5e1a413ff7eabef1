#include "QueueGauges.h"

#include "MonitorWindow.h"
#include "protocol/TransferQueue.h"

namespace monitorview {

void bindQueueGauges(protocol::TransferQueue &queue, MonitorWindow &window)
{
    // The queue outlives the windows; a window that goes stops listening.
    QObject::connect(&queue, &protocol::TransferQueue::countChanged, &window, &MonitorWindow::showQueueFill,
                     Qt::UniqueConnection);
    QObject::connect(&queue, &protocol::TransferQueue::processing, &window, &MonitorWindow::stepActivity,
                     Qt::UniqueConnection);
}

}  // namespace monitorview
