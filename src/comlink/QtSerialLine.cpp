#include "QtSerialLine.h"
#include "LowLatency.h"
#include "PortChoice.h"

#include <QSocketNotifier>

#include <cerrno>
#include <unistd.h>

namespace comlink {

QtSerialLine::QtSerialLine(Handshake handshake) : m_handshake(handshake)
{
    QObject::connect(&m_port, &QSerialPort::readyRead, &m_port, [this] {
        if (onReadyRead) onReadyRead();
    });
    QObject::connect(&m_port, &QSerialPort::errorOccurred, &m_port,
                     [this](QSerialPort::SerialPortError error) { handleError(error); });
}

QtSerialLine::~QtSerialLine()
{
    // No hooks into an owner that is going away.
    onReadyRead = nullptr;
    onError = nullptr;
    close();
}

QString QtSerialLine::permissionText(const QString &device, const PortProblemTexts &texts)
{
    // The same reasons the port picker shows, here with the fix; with none
    // found the device is held without a lock file.
    PortDiagnosis d = diagnosePort(device);
    if (d.state == PortState::Ready) d.state = PortState::Busy;
    return portProblemText(device, d, {}, texts);
}

bool QtSerialLine::open(const QString &device, int baud)
{
    close();
    m_error.clear();
    m_device = device;
    m_port.setPortName(device);
    m_port.setBaudRate(baud);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(m_handshake == Handshake::RtsCts ? QSerialPort::HardwareControl : QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        switch (m_port.error()) {
        case QSerialPort::PermissionError: m_error = permissionText(device, m_problemTexts); break;
        case QSerialPort::DeviceNotFoundError:
            m_error = portProblemText(device, PortDiagnosis{PortState::Missing}, {}, m_problemTexts);
            break;
        default: m_error = QStringLiteral("%1: %2").arg(device, m_port.errorString()); break;
        }
        m_port.clearError();
        return false;
    }
    // USB adapters otherwise hold each byte back for their latency timer,
    // which slows a byte-by-byte line many times over.
    m_lowLatency = requestLowLatency(int(m_port.handle()));
    if (m_handshake == Handshake::None) {
        m_port.setRequestToSend(true);
        setDtr(true);
        m_port.clearError();  // a pseudo-terminal has no control lines
    }
    return true;
}

void QtSerialLine::close()
{
    stopIdleExchange();
    m_handedBack.clear();
    if (m_port.isOpen()) m_port.close();
    m_port.clearError();
}

qint64 QtSerialLine::write(const QByteArray &data)
{
    if (!m_port.isOpen()) return -1;
    // The line sends one byte per exchange: straight to the device when nothing
    // waits in the port's buffer, instead of arming its write notifier for a
    // later turn of the event loop (two more wake-ups per byte). What the
    // device does not take now, and every error, goes the buffered way.
    qint64 direct = 0;
    if (m_port.bytesToWrite() == 0) {
        direct = ::write(int(m_port.handle()), data.constData(), size_t(data.size()));
        if (direct == data.size()) return direct;
        if (direct < 0) direct = 0;
    }
    const qint64 buffered = m_port.write(data.constData() + direct, data.size() - direct);
    return buffered < 0 ? buffered : direct + buffered;
}

QByteArray QtSerialLine::read(qint64 maxBytes)
{
    if (!m_port.isOpen() || maxBytes <= 0) return {};
    QByteArray data = m_handedBack.left(maxBytes);
    m_handedBack.remove(0, data.size());
    if (data.size() < maxBytes) data += m_port.read(maxBytes - data.size());
    return data;
}

// QSerialPort reads the device through a read notifier of its own, its child;
// while the idle exchange owns the device that notifier must stay quiet. A
// port without one (another Qt) simply keeps the exchange on the event loop.
QSocketNotifier *QtSerialLine::readNotifier() const
{
    for (QSocketNotifier *notifier : m_port.findChildren<QSocketNotifier *>(Qt::FindDirectChildrenOnly))
        if (notifier->type() == QSocketNotifier::Read) return notifier;
    return nullptr;
}

bool QtSerialLine::startIdleExchange(quint8 byte, quint8 reply)
{
    // Only from a quiet state: nothing unread, nothing unsent.
    if (!m_port.isOpen() || m_idle.active() || !m_handedBack.isEmpty() || m_port.bytesAvailable() > 0
        || m_port.bytesToWrite() > 0)
        return false;
    QSocketNotifier *notifier = readNotifier();
    if (!notifier || !notifier->isEnabled()) return false;
    notifier->setEnabled(false);
    const bool started = m_idle.start(int(m_port.handle()), byte, reply, [this] {
        // From the worker thread; runs on the port's thread, and never after the port is gone.
        QMetaObject::invokeMethod(&m_port, [this] { idleExchangeEnded(); }, Qt::QueuedConnection);
    });
    if (!started) notifier->setEnabled(true);
    return started;
}

IdleExchangeReport QtSerialLine::stopIdleExchange()
{
    const bool wasActive = m_idle.active();
    const IdleExchangeReport report = m_idle.stop();
    if (!wasActive) return report;
    m_handedBack += m_idle.takeUnexpected();
    if (QSocketNotifier *notifier = readNotifier()) notifier->setEnabled(true);
    if (!m_handedBack.isEmpty()) {
        // The reply that ended it is the owner's, read as any other, after the caller is done.
        QMetaObject::invokeMethod(&m_port, [this] {
            if (!m_handedBack.isEmpty() && onReadyRead) onReadyRead();
        }, Qt::QueuedConnection);
    }
    return report;
}

void QtSerialLine::idleExchangeEnded()
{
    // Ended by itself: a reply of another kind, or an error the port is about to find.
    stopIdleExchange();
}

bool QtSerialLine::setDtr(bool on)
{
    if (!m_port.isOpen()) return false;
    const bool done = m_port.setDataTerminalReady(on);
    if (!done) m_port.clearError();  // a pseudo-terminal has no DTR: not an error
    return done;
}

ControlLines QtSerialLine::controlLines() const
{
    if (!m_port.isOpen()) return {.whyUnknown = QStringLiteral("port closed")};
    const QSerialPort::PinoutSignals pins = m_port.pinoutSignals();
    if (m_port.error() != QSerialPort::NoError) {
        // A pseudo-terminal or an adapter without modem lines: not an error of the line.
        const QString reason = m_port.errorString();
        m_port.clearError();
        return {.whyUnknown = QStringLiteral("%1 cannot report its control lines (%2): "
                                             "a pseudo-terminal or a USB adapter without modem lines")
                                  .arg(m_device, reason)};
    }
    return {.known = true,
            .dcd = bool(pins & QSerialPort::DataCarrierDetectSignal),
            .dsr = bool(pins & QSerialPort::DataSetReadySignal),
            .cts = bool(pins & QSerialPort::ClearToSendSignal),
            .ring = bool(pins & QSerialPort::RingIndicatorSignal)};
}

void QtSerialLine::handleError(QSerialPort::SerialPortError error)
{
    // A vanished device shows as a resource error, or on a pseudo-terminal whose far end
    // closed as read errors that repeat without end; either way the line is gone.
    const bool lineGone = error == QSerialPort::ResourceError || error == QSerialPort::ReadError
                          || error == QSerialPort::WriteError;
    if (!lineGone || !m_port.isOpen()) return;
    m_error = QStringLiteral("%1: line lost (%2)").arg(m_device, m_port.errorString());
    m_port.close();
    if (onError) onError(m_error);
}

}  // namespace comlink
