#include "IdleExchange.h"

#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace comlink {

IdleExchange::IdleExchange() : m_wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

IdleExchange::~IdleExchange()
{
    stop();
    if (m_wakeFd >= 0) ::close(m_wakeFd);
}

bool IdleExchange::start(int fd, quint8 byte, quint8 reply, std::function<void()> onEnded)
{
    if (active() || fd < 0 || m_wakeFd < 0) return false;
    quint64 drained = 0;
    while (::read(m_wakeFd, &drained, sizeof drained) > 0) {}  // a stop left over from the last run
    m_fd = fd;
    m_byte = byte;
    m_reply = reply;
    m_onEnded = std::move(onEnded);
    m_stopRequested = false;
    m_exchanges = 0;
    m_lastReply = Clock::now().time_since_epoch().count();
    m_replyPending = true;
    m_unexpected.clear();
    m_running = true;
    m_thread = std::thread([this] { run(); });
    return true;
}

IdleExchangeReport IdleExchange::stop()
{
    if (active()) {
        m_stopRequested = true;
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t woken = ::write(m_wakeFd, &one, sizeof one);
        m_thread.join();
    }
    IdleExchangeReport report = status();
    report.replyPending = m_replyPending;
    return report;
}

IdleExchangeReport IdleExchange::status() const
{
    const auto sinceReply = Clock::now() - Clock::time_point(Clock::duration(m_lastReply.load()));
    return {.exchanges = m_exchanges.load(),
            .msSinceReply = std::chrono::duration_cast<std::chrono::milliseconds>(sinceReply).count(),
            .replyPending = true,
            .running = m_running.load()};
}

QByteArray IdleExchange::takeUnexpected()
{
    if (active() && m_running) return {};  // the thread still owns it
    return std::exchange(m_unexpected, {});
}

void IdleExchange::run()
{
    bool awaiting = true;  // the first reply answers the byte sent before the start
    for (;;) {
        if (!awaiting) {
            if (m_stopRequested) return finish(false);
            if (::write(m_fd, &m_byte, 1) != 1) return finish(false);  // the owner's port sees the error
            awaiting = true;
        }
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return finish(true);
        }
        if (fds[1].revents != 0) return finish(true);  // stopped: the reply stays on the line
        if ((fds[0].revents & POLLIN) == 0) return finish(true);  // hung up or broken: the port reports it
        quint8 reply = 0;
        const ssize_t got = ::read(m_fd, &reply, 1);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got != 1) return finish(true);
        awaiting = false;
        m_lastReply = Clock::now().time_since_epoch().count();
        if (reply != m_reply) {
            m_unexpected = QByteArray(1, char(reply));
            return finish(true);  // handed on: the owner reads it as the reply to the byte sent
        }
        ++m_exchanges;
    }
}

void IdleExchange::finish(bool replyPending)
{
    m_replyPending = replyPending;
    m_running = false;
    if (m_onEnded && !m_stopRequested) m_onEnded();
}

}  // namespace comlink
