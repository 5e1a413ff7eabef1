#pragma once

#include <functional>

namespace core {

// Colours as the controller's tools write them: 0x00BBGGRR.
namespace colour {
constexpr unsigned Red = 0x0000FF;
constexpr unsigned Green = 0x008000;
constexpr unsigned Yellow = 0x00FFFF;
constexpr unsigned Lime = 0x00FF00;
constexpr unsigned Maroon = 0x000080;
constexpr unsigned Silver = 0xC0C0C0;
}  // namespace colour

// A small lamp that shows a link state: red when down, green when up.
// The widget (StatusLamp) implements it; logic only sets colours and hears clicks.
class LinkLamp {
public:
    virtual ~LinkLamp() = default;
    virtual void setLampColour(unsigned bgr) = 0;
    virtual unsigned lampColour() const = 0;
    std::function<void()> onClick;
};

}  // namespace core
