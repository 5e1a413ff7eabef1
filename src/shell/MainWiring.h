#pragma once

#include "MainController.h"
#include "comlink/ComPort.h"
#include "protocol/TransferQueue.h"

#include <QPointer>

namespace shell {

// The port and the queue report to the main window's controller: the line
// lamp follows the port opening and closing, the port panel shows the
// port's texts, the message field the queue's errors. The controller goes
// before the port does, so every report checks that it is still there.
inline void wireMainController(MainController &controller, comlink::ComPort &port, protocol::TransferQueue &queue)
{
    QPointer<MainController> main(&controller);
    port.addAfterOpenHandler([main] { if (main) main->portOpened(); });
    port.addAfterCloseHandler([main] { if (main) main->portClosed(); });
    port.onPortText = [main](const QString &text) { if (main) main->showPortText(text); };
    queue.onQueueError = [main](const QString &text) { if (main) main->queueError(text); };
}

}  // namespace shell
