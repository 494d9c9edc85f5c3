#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace vigilix::platform {

// A keyboard layout: what a key types on its own (no modifiers), for showing
// key names. Key codes are the macOS virtual key codes.
class KeyboardLayout {
 public:
  virtual ~KeyboardLayout() = default;
  // The text the key shows, at most `maxLength` UTF-16 units; none when the
  // layout has no text for it.
  virtual std::optional<std::u16string> translateForDisplay(std::uint16_t keyCode,
                                                            std::size_t maxLength) const = 0;

  // The layout in force; nullptr when the system has none.
  static std::shared_ptr<const KeyboardLayout> current();
  // Installs a layout (nullptr: no layout at all).
  static void setCurrent(std::shared_ptr<const KeyboardLayout> layout);
  // Back to the built-in US layout.
  static void restoreDefault();
  // The built-in US (ANSI) layout: letters, digits, punctuation and keypad.
  static std::shared_ptr<const KeyboardLayout> us();
};

// A layout given as a table of key code to text.
class TableKeyboardLayout : public KeyboardLayout {
 public:
  explicit TableKeyboardLayout(std::map<std::uint16_t, std::u16string> keys)
      : keys_(std::move(keys)) {}
  std::optional<std::u16string> translateForDisplay(std::uint16_t keyCode,
                                                    std::size_t maxLength) const override;

 private:
  std::map<std::uint16_t, std::u16string> keys_;
};

// The name shown for a key in the current layout, upper-cased; "Key " and
// the code in decimal when there is no layout or it has no text for the key.
std::string keyNameForKeyCode(std::uint16_t keyCode);

}  // namespace vigilix::platform
