#pragma once

#include <QByteArray>
#include <QString>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace testsupport {

// A pseudo-terminal: the master end stands for the controller, the slave is our device.
struct Pty {
    int master = -1;
    QString slave;
    Pty()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) slave = QString::fromLocal8Bit(ptsname(master));
    }
    ~Pty() { closeMaster(); }
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;
    void closeMaster()
    {
        if (master >= 0) ::close(master);
        master = -1;
    }
    // Everything the program wrote that waits at the master end.
    QByteArray readAll()
    {
        QByteArray out;
        char buf[256];
        for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;) out.append(buf, int(n));
        return out;
    }
};

}  // namespace testsupport
