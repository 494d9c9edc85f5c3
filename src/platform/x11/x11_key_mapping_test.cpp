#include "platform/x11/x11_key_mapping.h"

#include <gtest/gtest.h>

// After gtest: Xlib's macros (None, Bool) break its headers.
#include <X11/X.h>
#include <X11/keysym.h>

#include "platform/ui/hot_key_service.h"

namespace vigilix::platform {
namespace {

TEST(X11KeyMapping, KeyCodesBecomeTheKeysymsTheirKeysType) {
  struct Row {
    const char* name;
    std::uint16_t keyCode;
    std::optional<KeySymbol> keysym;
  };
  const Row rows[] = {
      {"letter", 40, XK_k},
      {"Latin-1 beyond ASCII", 10, XK_section},
      {"a key that types no character", 36, XK_Return},
      {"keypad digit, not the main block's", 83, XK_KP_1},
      {"no key at that code", 52, std::nullopt},
      {"beyond every key", 0xFFFF, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(keysymForKeyCode(row.keyCode), row.keysym);
  }
}

// The lock variants themselves are typed live under Xvfb.
TEST(X11KeyMapping, ModifiersAndTheirLockVariants) {
  struct Row {
    const char* name;
    std::uint32_t hotKeyModifiers;
    ModifierMasks masks;
    std::optional<unsigned> modifiers;
    std::size_t variants;
  };
  const Row rows[] = {
      {"control and option",
       HotKeyModifiers::Control | HotKeyModifiers::Option,
       {},
       ControlMask | Mod1Mask,
       4},
      {"command and shift",
       HotKeyModifiers::Command | HotKeyModifiers::Shift,
       {},
       Mod4Mask | ShiftMask,
       4},
      {"alt on another bit", HotKeyModifiers::Option, {.alt = Mod3Mask}, Mod3Mask, 4},
      {"no Num Lock on the keyboard", HotKeyModifiers::Control, {.numLock = 0}, ControlMask, 2},
      {"no Super on the keyboard", HotKeyModifiers::Command, {.super = 0}, std::nullopt, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const auto modifiers = xModifiersFor(row.hotKeyModifiers, row.masks);
    EXPECT_EQ(modifiers, row.modifiers);
    EXPECT_EQ(modifiers ? lockVariants(*modifiers, row.masks).size() : 0, row.variants);
  }
}

}  // namespace
}  // namespace vigilix::platform
