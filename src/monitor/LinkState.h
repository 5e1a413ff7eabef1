#pragma once

namespace monitor {

// Whether the link to the controller stands now.
class LinkState {
public:
    virtual ~LinkState() = default;
    virtual bool isLinked() const = 0;
};

}  // namespace monitor
