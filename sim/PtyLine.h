#pragma once

#include "comlink/SerialLine.h"

#include <QSocketNotifier>

#include <memory>

namespace sim {

// The controller's end of a pseudo-terminal: the program opens the slave
// path like a serial device. open() ignores its arguments and creates a new
// pair; slavePath() tells where the program should connect.
class PtyLine : public comlink::SerialLine {
public:
    ~PtyLine() override;

    bool open(const QString &device = {}, int baud = 19200) override;
    void close() override;
    bool isOpen() const override { return m_master >= 0; }
    QString errorText() const override { return m_error; }
    qint64 write(const QByteArray &data) override;
    QByteArray read(qint64 maxBytes) override;
    qint64 bytesAvailable() const override { return m_rx.size(); }
    bool setDtr(bool) override { return false; }
    comlink::ControlLines controlLines() const override
    {
        return {.whyUnknown = QStringLiteral("pseudo-terminal without control lines")};
    }

    QString slavePath() const { return m_slavePath; }

private:
    void fill();
    bool fail(const QString &what);

    int m_master = -1;
    int m_slave = -1;  // held open so the master never sees a hang-up between the program's opens
    QString m_slavePath;
    QString m_error;
    QByteArray m_rx;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace sim
