#include "LowLatency.h"

#include <cerrno>
#include <cstring>
#include <linux/serial.h>
#include <sys/ioctl.h>

namespace comlink {

int systemSerialIoctl(int fd, unsigned long request, serial_struct *info)
{
    return ::ioctl(fd, request, info);
}

QString requestLowLatency(int fd, const SerialIoctl &ioctl)
{
    const auto reason = [] { return QString::fromLocal8Bit(std::strerror(errno)); };
    serial_struct info{};
    if (fd < 0 || ioctl(fd, TIOCGSERIAL, &info) != 0)
        return QStringLiteral("not available (%1)").arg(fd < 0 ? QStringLiteral("no device") : reason());
    if (info.flags & ASYNC_LOW_LATENCY) return QStringLiteral("on");
    info.flags |= ASYNC_LOW_LATENCY;
    if (ioctl(fd, TIOCSSERIAL, &info) != 0) return QStringLiteral("refused (%1)").arg(reason());
    // Some drivers accept the call and ignore the flag: believe only what they report back.
    serial_struct check{};
    if (ioctl(fd, TIOCGSERIAL, &check) == 0 && !(check.flags & ASYNC_LOW_LATENCY))
        return QStringLiteral("refused (the driver ignores it)");
    return QStringLiteral("on");
}

}  // namespace comlink
