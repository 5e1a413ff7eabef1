#include "DeviceLine.h"

namespace sim {

DeviceLine::DeviceLine()
{
    QObject::connect(&m_port, &QSerialPort::readyRead, [this] {
        if (onReadyRead) onReadyRead();
    });
    QObject::connect(&m_port, &QSerialPort::errorOccurred, [this](QSerialPort::SerialPortError error) {
        if (error == QSerialPort::ResourceError) {
            m_port.close();
            if (onError) onError(m_port.errorString());
        }
    });
}

bool DeviceLine::open(const QString &device, int baud)
{
    m_port.setPortName(device);
    m_port.setBaudRate(baud);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    // No handshake of our own, but RTS and DTR raised so the PC's CTS and DSR see a partner.
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) return false;
    m_port.setRequestToSend(true);
    m_port.setDataTerminalReady(true);
    return true;
}

}  // namespace sim
