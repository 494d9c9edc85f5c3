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
      {"digit", 18, XK_1},
      {"punctuation", 41, XK_semicolon},
      {"Latin-1 beyond ASCII", 10, XK_section},
      {"return", 36, XK_Return},
      {"space", 49, XK_space},
      {"function key", 122, XK_F1},
      {"keypad digit, not the main block's", 83, XK_KP_1},
      {"no key at that code", 52, std::nullopt},
      {"beyond every key", 0xFFFF, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(keysymForKeyCode(row.keyCode), row.keysym);
  }
}

TEST(X11KeyMapping, ModifiersAndTheirLockVariants) {
  struct Row {
    const char* name;
    std::uint32_t hotKeyModifiers;
    ModifierMasks masks;
    std::optional<unsigned> modifiers;
    std::vector<unsigned> variants;
  };
  const ModifierMasks standard;
  const unsigned lockedNum = Mod2Mask | LockMask;
  const Row rows[] = {
      {"control and option",
       HotKeyModifiers::Control | HotKeyModifiers::Option,
       standard,
       ControlMask | Mod1Mask,
       {ControlMask | Mod1Mask, ControlMask | Mod1Mask | LockMask,
        ControlMask | Mod1Mask | Mod2Mask, ControlMask | Mod1Mask | lockedNum}},
      {"command and shift",
       HotKeyModifiers::Command | HotKeyModifiers::Shift,
       standard,
       Mod4Mask | ShiftMask,
       {Mod4Mask | ShiftMask, Mod4Mask | ShiftMask | LockMask, Mod4Mask | ShiftMask | Mod2Mask,
        Mod4Mask | ShiftMask | lockedNum}},
      {"none: the key alone", 0, standard, 0u, {0, LockMask, Mod2Mask, lockedNum}},
      {"alt on another bit",
       HotKeyModifiers::Option,
       {.alt = Mod3Mask},
       Mod3Mask,
       {Mod3Mask, Mod3Mask | LockMask, Mod3Mask | Mod2Mask, Mod3Mask | lockedNum}},
      {"no Num Lock on the keyboard",
       HotKeyModifiers::Control,
       {.numLock = 0},
       ControlMask,
       {ControlMask, ControlMask | LockMask}},
      {"no Super on the keyboard", HotKeyModifiers::Command, {.super = 0}, std::nullopt, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const auto modifiers = xModifiersFor(row.hotKeyModifiers, row.masks);
    EXPECT_EQ(modifiers, row.modifiers);
    EXPECT_EQ(modifiers ? lockVariants(*modifiers, row.masks) : std::vector<unsigned>{},
              row.variants);
  }
}

}  // namespace
}  // namespace vigilix::platform
