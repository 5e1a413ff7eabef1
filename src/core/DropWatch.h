#pragma once

#include <functional>
#include <memory>

namespace core {

// Travels inside an answer procedure: the transfer queue drops a request
// after a link error without calling its procedure, and then the last copy
// of the procedure goes. Mark the watch answered when the procedure runs;
// otherwise onDropped is told when it goes.
struct DropWatch {
    std::function<void()> onDropped;
    bool answered = false;

    DropWatch() = default;
    DropWatch(const DropWatch &) = delete;
    DropWatch &operator=(const DropWatch &) = delete;
    ~DropWatch()
    {
        if (!answered && onDropped) onDropped();
    }

    static std::shared_ptr<DropWatch> make(std::function<void()> onDropped)
    {
        auto watch = std::make_shared<DropWatch>();
        watch->onDropped = std::move(onDropped);
        return watch;
    }
};

}  // namespace core
