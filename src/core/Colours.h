#pragma once

namespace core {

// Colours as the controller's tools write them: 0x00BBGGRR. Windows map
// states to these; logic never reads one.
namespace colour {
constexpr unsigned Red = 0x0000FF;
constexpr unsigned Green = 0x008000;
constexpr unsigned Yellow = 0x00FFFF;
constexpr unsigned Lime = 0x00FF00;
constexpr unsigned Maroon = 0x000080;
constexpr unsigned Silver = 0xC0C0C0;
}  // namespace colour

}  // namespace core
