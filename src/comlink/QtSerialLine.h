#pragma once

#include "comlink/IdleExchange.h"
#include "comlink/PortChoice.h"
#include "comlink/SerialLine.h"

#include <QSerialPort>

class QSocketNotifier;

namespace comlink {

// The serial line on a real device (tty, USB adapter, pseudo-terminal).
// Control lines that a device lacks are skipped silently; a line that breaks
// (unplugged adapter) is closed, so the same device name can be opened again.
class QtSerialLine : public SerialLine {
public:
    // The PC's end uses RTS/CTS; the stand-in controller's end has no handshake
    // of its own and raises RTS and DTR so that the PC sees a partner.
    enum class Handshake { RtsCts, None };

    explicit QtSerialLine(Handshake handshake = Handshake::RtsCts);
    ~QtSerialLine() override;

    bool open(const QString &device, int baud = 19200) override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    QString errorText() const override { return m_error; }

    qint64 write(const QByteArray &data) override;
    QByteArray read(qint64 maxBytes) override;
    qint64 bytesAvailable() const override { return m_handedBack.size() + m_port.bytesAvailable(); }

    bool setDtr(bool on) override;
    ControlLines controlLines() const override;
    QString lowLatencyText() const override { return m_lowLatency; }

    bool startIdleExchange(quint8 byte, quint8 reply) override;
    IdleExchangeReport idleExchangeStatus() const override { return m_idle.status(); }
    IdleExchangeReport stopIdleExchange() override;

    // Why an open failed with a permission error: the device is taken by
    // another program, or the user may not use it.
    static QString permissionText(const QString &device, const PortProblemTexts &texts = {});
    // The words of the open errors (the language file's, once it is read).
    void setProblemTexts(const PortProblemTexts &texts) { m_problemTexts = texts; }

private:
    void handleError(QSerialPort::SerialPortError error);
    QSocketNotifier *readNotifier() const;
    void idleExchangeEnded();

    const Handshake m_handshake;
    mutable QSerialPort m_port;
    QString m_device;
    QString m_error;
    QString m_lowLatency;
    PortProblemTexts m_problemTexts;
    IdleExchange m_idle;
    QByteArray m_handedBack;  // the reply that ended the idle exchange, read before the port's bytes
};

}  // namespace comlink
