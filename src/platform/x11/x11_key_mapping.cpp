#include "platform/x11/x11_key_mapping.h"

#include <X11/X.h>
#include <X11/keysym.h>

#include <algorithm>
#include <map>

#include "platform/ui/hot_key_service.h"
#include "platform/ui/keyboard_layout.h"

namespace vigilix::platform {

namespace {

// Keys that type no character, and the keypad, whose characters would
// otherwise name the main block's keys.
const std::map<std::uint16_t, KeySymbol>& namedKeys() {
  static const std::map<std::uint16_t, KeySymbol> keys{
      {36, XK_Return},      {48, XK_Tab},      {49, XK_space},     {51, XK_BackSpace},
      {53, XK_Escape},      {117, XK_Delete},  {114, XK_Insert},   {115, XK_Home},
      {119, XK_End},        {116, XK_Prior},   {121, XK_Next},     {123, XK_Left},
      {124, XK_Right},      {125, XK_Down},    {126, XK_Up},       {122, XK_F1},
      {120, XK_F2},         {99, XK_F3},       {118, XK_F4},       {96, XK_F5},
      {97, XK_F6},          {98, XK_F7},       {100, XK_F8},       {101, XK_F9},
      {109, XK_F10},        {103, XK_F11},     {111, XK_F12},      {105, XK_F13},
      {107, XK_F14},        {113, XK_F15},     {106, XK_F16},      {64, XK_F17},
      {79, XK_F18},         {80, XK_F19},      {90, XK_F20},       {65, XK_KP_Decimal},
      {67, XK_KP_Multiply}, {69, XK_KP_Add},   {75, XK_KP_Divide}, {76, XK_KP_Enter},
      {78, XK_KP_Subtract}, {81, XK_KP_Equal}, {82, XK_KP_0},      {83, XK_KP_1},
      {84, XK_KP_2},        {85, XK_KP_3},     {86, XK_KP_4},      {87, XK_KP_5},
      {88, XK_KP_6},        {89, XK_KP_7},     {91, XK_KP_8},      {92, XK_KP_9},
  };
  return keys;
}

static_assert(ModifierMasks{}.alt == Mod1Mask && ModifierMasks{}.super == Mod4Mask &&
              ModifierMasks{}.numLock == Mod2Mask);

}  // namespace

std::optional<KeySymbol> keysymForKeyCode(std::uint16_t keyCode) {
  const auto& named = namedKeys();
  if (auto it = named.find(keyCode); it != named.end()) return it->second;
  // Latin-1 characters are their own keysyms.
  auto text = KeyboardLayout::us()->translateForDisplay(keyCode, 1);
  if (!text || text->front() < 0x20 || text->front() > 0xFF) return std::nullopt;
  return static_cast<KeySymbol>(text->front());
}

std::optional<unsigned> xModifiersFor(std::uint32_t hotKeyModifiers, const ModifierMasks& masks) {
  unsigned x = 0;
  if (hotKeyModifiers & HotKeyModifiers::Control) x |= ControlMask;
  if (hotKeyModifiers & HotKeyModifiers::Shift) x |= ShiftMask;
  if (hotKeyModifiers & HotKeyModifiers::Option) {
    if (masks.alt == 0) return std::nullopt;
    x |= masks.alt;
  }
  if (hotKeyModifiers & HotKeyModifiers::Command) {
    if (masks.super == 0) return std::nullopt;
    x |= masks.super;
  }
  return x;
}

std::vector<unsigned> lockVariants(unsigned modifiers, const ModifierMasks& masks) {
  std::vector<unsigned> variants;
  for (unsigned lock : {0u, unsigned{LockMask}, masks.numLock, LockMask | masks.numLock}) {
    const unsigned state = modifiers | lock;
    if (std::ranges::find(variants, state) == variants.end()) variants.push_back(state);
  }
  return variants;
}

}  // namespace vigilix::platform
