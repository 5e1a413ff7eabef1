#include "LinkLampBinding.h"

namespace comlink {

bool bindLinkLamp(widgets::Lamp &lamp, ComPort &port)
{
    if (!QObject::connect(&port, &ComPort::linkChanged, &lamp, &widgets::Lamp::setLit, Qt::UniqueConnection)) return false;
    QObject::connect(&lamp, &widgets::Lamp::clicked, &port, &ComPort::linkAction, Qt::UniqueConnection);
    lamp.setLit(port.isLinked());
    return true;
}

void unbindLinkLamp(widgets::Lamp &lamp, ComPort &port)
{
    QObject::disconnect(&port, &ComPort::linkChanged, &lamp, &widgets::Lamp::setLit);
    QObject::disconnect(&lamp, &widgets::Lamp::clicked, &port, &ComPort::linkAction);
}

}  // namespace comlink
