#pragma once

#include "link/SerialLine.h"

#include <QSerialPort>

namespace sim {

// A real serial device for the stand-in (a null-modem cable to the PC).
class DeviceLine : public comlink::SerialLine {
public:
    DeviceLine();

    bool open(const QString &device, int baud = 19200) override;
    void close() override { m_port.close(); }
    bool isOpen() const override { return m_port.isOpen(); }
    QString errorText() const override { return m_port.errorString(); }
    qint64 write(const QByteArray &data) override { return m_port.write(data); }
    QByteArray read(qint64 maxBytes) override { return m_port.read(maxBytes); }
    qint64 bytesAvailable() const override { return m_port.bytesAvailable(); }
    bool setDtr(bool on) override { return m_port.setDataTerminalReady(on); }
    std::optional<bool> carrier() const override { return std::nullopt; }

private:
    QSerialPort m_port;
};

}  // namespace sim
