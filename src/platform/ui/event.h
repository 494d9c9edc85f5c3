#pragma once

#include <cstdint>
#include <string>

#include "platform/ui/geometry.h"

namespace vigilix::platform {

// Modifier flags in the event system's bit layout.
namespace ModifierFlags {
inline constexpr std::uint64_t CapsLock = 0x10000;
inline constexpr std::uint64_t Shift = 0x20000;
inline constexpr std::uint64_t Control = 0x40000;
inline constexpr std::uint64_t Option = 0x80000;
inline constexpr std::uint64_t Command = 0x100000;
inline constexpr std::uint64_t NumericPad = 0x200000;
inline constexpr std::uint64_t Function = 0x800000;
// Shift, control, option and command.
inline constexpr std::uint64_t DeviceIndependentShortcutMask = 0x1E0000;
}  // namespace ModifierFlags

// Virtual key codes of the keys the interface handles by name.
namespace KeyCode {
inline constexpr std::uint16_t Return = 36;
inline constexpr std::uint16_t Tab = 48;
inline constexpr std::uint16_t Space = 49;
inline constexpr std::uint16_t Delete = 51;
inline constexpr std::uint16_t Escape = 53;
inline constexpr std::uint16_t LeftArrow = 123;
inline constexpr std::uint16_t RightArrow = 124;
inline constexpr std::uint16_t DownArrow = 125;
inline constexpr std::uint16_t UpArrow = 126;
}  // namespace KeyCode

// One input event. Mouse locations are in window coordinates (origin at the
// bottom left of the content area).
struct Event {
  enum class Type { LeftMouseDown, LeftMouseDragged, LeftMouseUp, KeyDown };

  Type type = Type::KeyDown;
  Point locationInWindow;
  std::uint16_t keyCode = 0;
  std::uint64_t modifierFlags = 0;
  // The characters the key produces (empty for keys that produce none).
  std::string characters;

  static Event mouse(Type type, Point locationInWindow) {
    Event e;
    e.type = type;
    e.locationInWindow = locationInWindow;
    return e;
  }
  static Event key(std::uint16_t keyCode, std::string characters, std::uint64_t modifiers = 0) {
    Event e;
    e.type = Type::KeyDown;
    e.keyCode = keyCode;
    e.characters = std::move(characters);
    e.modifierFlags = modifiers;
    return e;
  }
};

}  // namespace vigilix::platform
