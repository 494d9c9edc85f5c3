#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace vigilix::platform {

// The X side of a hot key. Shortcuts keep the virtual key code that the key
// names and the recorder use; at the X edge the code becomes the keysym that
// key types on the US layout (unshifted), and the grab takes whichever
// keycode types that keysym on the keyboard in force. Keypad keys map to the
// keypad keysyms. None for a code with no key behind it.
// Xlib's own header stays out: its macros (None, Bool) clash with others.
using KeySymbol = unsigned long;
std::optional<KeySymbol> keysymForKeyCode(std::uint16_t keyCode);

// Which X modifier bits hold Alt, Super and Num Lock on a display (Mod1,
// Mod4 and Mod2 on a standard keymap). 0 where the keymap has none.
struct ModifierMasks {
  unsigned alt = 1u << 3;
  unsigned super = 1u << 6;
  unsigned numLock = 1u << 4;
};

// The hot-key service's modifier bits as X modifiers: Control, Shift,
// Option as Alt, Command as Super. None when a modifier has no bit here.
std::optional<unsigned> xModifiersFor(std::uint32_t hotKeyModifiers, const ModifierMasks& masks);

// The modifier states that must all be grabbed so that Caps Lock and
// Num Lock do not hide the combination, without repeats.
std::vector<unsigned> lockVariants(unsigned modifiers, const ModifierMasks& masks);

}  // namespace vigilix::platform
