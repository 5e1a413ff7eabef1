#pragma once

#include "core/Timer.h"

#include <QByteArray>

namespace sysmod {

// The controller's side of the system module transfer: keeps a controller's
// image and answers the transfer telegrams (stop group, select, size, read
// packets, suspend, prepare write, write packets, end of write, reset, link
// check). Used by the stand-in controller and by tests.
class ParameterSetTarget {
public:
    explicit ParameterSetTarget(const core::Clock &clock);

    const QByteArray &image() const { return m_image; }
    // Takes a 1032-byte image; false (image kept) for any other size.
    bool setImage(const QByteArray &image);

    // Whether the telegram is one this class answers.
    static bool handles(const QByteArray &telegram);
    // The answer to a telegram; empty when the controller stays silent (reset,
    // reboot, a telegram it does not know).
    QByteArray answer(const QByteArray &telegram);
    // True from a reset until the reboot time has passed: nothing is answered.
    bool rebooting() const;

    // Fault injection: serve the image with a checksum word that does not match.
    bool corruptChecksum() const { return m_corruptChecksum; }
    void setCorruptChecksum(bool value) { m_corruptChecksum = value; }
    int rebootMs() const { return m_rebootMs; }
    void setRebootMs(int value) { m_rebootMs = value; }
    // What a write session did: the last end of write accepted or refused.
    int acceptedWrites() const { return m_acceptedWrites; }
    int refusedWrites() const { return m_refusedWrites; }
    int resets() const { return m_resets; }

private:
    QByteArray readPacket();
    bool writePacket(const QByteArray &telegram);
    bool endOfWrite();

    const core::Clock &m_clock;
    QByteArray m_image;
    QByteArray m_served;     // the image as the current read session sends it
    int m_readPosition = 0;
    bool m_suspended = false;
    bool m_writing = false;
    bool m_writeOverflow = false;
    QByteArray m_incoming;   // the image of the current write session
    int m_writePosition = 0;
    qint64 m_rebootUntil = -1;
    int m_acceptedWrites = 0;
    int m_refusedWrites = 0;
    int m_resets = 0;

    bool m_corruptChecksum = false;
    int m_rebootMs = 4000;
};

}  // namespace sysmod
