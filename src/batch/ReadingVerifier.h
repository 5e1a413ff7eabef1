#pragma once

#include "core/Channel.h"

#include <QByteArray>
#include <QList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace batch {

// The answer two of the given answers agree on; none while no two are equal.
std::optional<QByteArray> agreedAnswer(const QList<QByteArray> &answers);

// A visit log a script files as good must hold good values, and the 401 line
// cannot check a nibble. So each request is asked twice and the answers
// compared; when they differ it is asked a third time and two equal answers
// win. When no two of three agree, the requester gets an empty answer and
// failed() is true while its procedure runs.
class ReadingVerifier {
public:
    static constexpr int MaxAsks = 3;

    ReadingVerifier();
    ~ReadingVerifier();
    ReadingVerifier(const ReadingVerifier &) = delete;
    ReadingVerifier &operator=(const ReadingVerifier &) = delete;

    // A channel that verifies every request it is given before passing it to
    // inner; while verification is off it passes them as they are. It lives as
    // long as this object. A request dropped on any ask is dropped for its sender.
    core::Channel &wrap(core::Channel &inner);

    bool enabled() const { return m_enabled; }
    void setEnabled(bool value) { m_enabled = value; }
    // The answer being handed over is not verified: no two of three agreed.
    bool failed() const { return m_failed; }

    // A request is about to be asked again (a watchdog gives each ask its own time).
    std::function<void()> onAskAgain;

private:
    struct Tally;
    class Verified;
    bool ask(const std::shared_ptr<Tally> &tally);
    void answered(const std::shared_ptr<Tally> &tally, const QByteArray &answer);

    std::vector<std::unique_ptr<Verified>> m_channels;
    bool m_enabled = true;
    bool m_failed = false;
    // Answers that arrive after this object has gone are dropped.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

}  // namespace batch
