#pragma once

#include "core/Timer.h"
#include "core/Channel.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>

namespace monitor {

// One of the controller's thirteen 8-bit I/O ports as the view shows it.
struct PortInfo {
    const char *name;  // tab caption and the start of its bit-name keys ("72" gives "720".."727")
    int answerByte;    // position in the port answer
    bool saved;        // part of the saved port file
};

// Reads the port states (F2 55 21) and keeps the last valid answer. A new
// read goes out only when the last one has been answered.
class PortReader : public QObject {
    Q_OBJECT
public:
    static constexpr int PortCount = 13;
    static constexpr int AnswerLength = 15;
    static constexpr quint8 Marker = 0xFE;
    static const std::array<PortInfo, PortCount> &ports();
    // The bit-name key of bit (0..7) of a port: "720", "A17" ...
    static QString bitKey(int port, int bit);

    // A read unanswered this long counts as lost: the next click reads anew.
    static constexpr int LostAfterMs = 15000;

    PortReader(core::Channel &channel, core::Clock &clock, QObject *parent = nullptr);
    ~PortReader() override;

    // False when nothing was sent: an answer is still outstanding or the queue refused.
    // A request the queue drops unanswered ends the wait when the queue lets go
    // of it; one that never comes back ends it after LostAfterMs.
    bool readPorts();
    bool readReady() const { return m_ready; }
    // The answer procedure of the read; public for the queue's replies in tests.
    void portAnswer(const QByteArray &answer);
    // The queue dropped the request (link error): the view may be read again.
    void requestDropped();

    quint8 value(int port) const { return port >= 0 && port < PortCount ? m_values[size_t(port)] : 0; }

    // The saved file's lines: the date line, then for each saved port its name
    // line and eight lines "%1.1d [%s]  %s" with the bit, its state and its name.
    static QStringList fileLines(const QDateTime &when, const std::array<quint8, PortCount> &values,
                                 const std::function<QString(int port, int bit)> &bitName);
    std::array<quint8, PortCount> values() const { return m_values; }

signals:
    // A valid answer has set new values.
    void valuesRead();
    // Reading (true) or ready again (false): the view's blink lamp.
    void waitingChanged(bool waiting);

private:
    core::Channel &m_channel;
    core::Clock &m_clock;
    bool m_ready = true;
    qint64 m_sentAtMs = 0;
    std::array<quint8, PortCount> m_values{};
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

}  // namespace monitor
