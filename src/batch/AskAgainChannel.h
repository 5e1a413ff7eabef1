#pragma once

#include "core/Channel.h"

#include <memory>

namespace batch {

// A visit runs unattended: a request that a flush dropped is asked again at
// once. When that is refused (the link is gone) its sender hears of the drop,
// and the watchdog ends what still waits.
class AskAgainChannel : public core::Channel {
public:
    explicit AskAgainChannel(core::Channel &inner) : m_inner(inner) {}
    ~AskAgainChannel() override { *m_alive = false; }
    AskAgainChannel(const AskAgainChannel &) = delete;
    AskAgainChannel &operator=(const AskAgainChannel &) = delete;

    int member() const override { return m_inner.member(); }
    bool putTo(int member, core::Request request) override
    {
        const std::weak_ptr<bool> alive = m_alive;
        request.onDropped = [this, alive, member, again = request] {
            if (const auto a = alive.lock(); !a || !*a) return;
            if (!putTo(member, again) && again.onDropped) again.onDropped();
        };
        return m_inner.putTo(member, std::move(request));
    }

private:
    core::Channel &m_inner;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

}  // namespace batch
