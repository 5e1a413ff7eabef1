#pragma once

#include <QString>

#include <functional>

struct serial_struct;

namespace comlink {

// The serial driver's ioctl as the low-latency request uses it (TIOCGSERIAL, TIOCSSERIAL).
using SerialIoctl = std::function<int(int fd, unsigned long request, serial_struct *info)>;
int systemSerialIoctl(int fd, unsigned long request, serial_struct *info);

// Asks the driver of an open serial device to pass each byte on at once
// instead of after its latency timer (USB adapters: 16 ms). Pseudo-terminals
// and many drivers cannot; that is no error. Returns what the user is told:
// "on", "not available (...)" or "refused (...)".
QString requestLowLatency(int fd, const SerialIoctl &ioctl = systemSerialIoctl);

}  // namespace comlink
