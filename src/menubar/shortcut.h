#pragma once

#include <cstdint>

namespace vigilix {

// A keyboard shortcut: a virtual key code and modifier flags in the event
// system's bit layout (shift 0x20000, control 0x40000, option 0x80000,
// command 0x100000).
struct VGXShortcut {
  std::uint16_t keyCode = 0;
  std::uint64_t modifierFlags = 0;
  bool operator==(const VGXShortcut&) const = default;
};

}  // namespace vigilix
