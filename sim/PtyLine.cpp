#include "PtyLine.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

PtyLine::~PtyLine() { close(); }

bool PtyLine::fail(const QString &what)
{
    m_error = what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
    close();
    return false;
}

bool PtyLine::open(const QString &, int)
{
    close();
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0) return fail(QStringLiteral("posix_openpt"));
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0) return fail(QStringLiteral("grantpt"));
    const char *name = ptsname(m_master);
    if (!name) return fail(QStringLiteral("ptsname"));
    m_slavePath = QString::fromLocal8Bit(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY);
    if (m_slave < 0) return fail(QStringLiteral("open ") + m_slavePath);
    // Raw bytes both ways until the program sets its own line settings.
    termios raw{};
    if (tcgetattr(m_slave, &raw) == 0) {
        cfmakeraw(&raw);
        tcsetattr(m_slave, TCSANOW, &raw);
    }
    m_notifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { fill(); });
    m_error.clear();
    return true;
}

void PtyLine::close()
{
    m_notifier.reset();
    if (m_slave >= 0) ::close(m_slave);
    if (m_master >= 0) ::close(m_master);
    m_slave = m_master = -1;
    m_rx.clear();
}

void PtyLine::fill()
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            m_rx.append(buffer, int(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        break;  // EAGAIN: drained
    }
    if (!m_rx.isEmpty() && onReadyRead) onReadyRead();
}

qint64 PtyLine::write(const QByteArray &data)
{
    if (m_master < 0) return -1;
    qint64 done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(m_master, data.constData() + done, size_t(data.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;  // full: nobody reads the other end; drop the rest as a cable would
        }
    }
    return done;
}

QByteArray PtyLine::read(qint64 maxBytes)
{
    const QByteArray out = m_rx.left(int(qBound<qint64>(0, maxBytes, m_rx.size())));
    m_rx.remove(0, out.size());
    return out;
}

}  // namespace sim
