#include "menubar/global_shortcut_center.h"

#include <cmath>
#include <limits>

#include "platform/base/localized.h"
#include "platform/base/shared_instances.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/weakly.h"
#include "platform/ui/event.h"
#include "platform/ui/keyboard_layout.h"

namespace vigilix {

namespace {

using platform::PropertyDictionary;
using platform::PropertyValue;

// A whole number held by a stored value: an integer, or a real without a
// fraction. A Bool is never a number.
std::optional<std::int64_t> wholeNumber(const PropertyValue& value) {
  if (value.isInteger()) return std::get<std::int64_t>(value.value);
  if (value.isReal()) {
    double d = std::get<double>(value.value);
    if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 9.0e15) {
      return static_cast<std::int64_t>(d);
    }
  }
  return std::nullopt;
}

std::optional<std::int64_t> wholeNumber(const PropertyDictionary& dict, const char* key) {
  auto it = dict.find(key);
  if (it == dict.end()) return std::nullopt;
  return wholeNumber(it->second);
}

std::string keyName(std::uint16_t keyCode) {
  switch (keyCode) {
    case 36:
      return "\u21A9";
    case 48:
      return "\u21E5";
    case 49:
      return "Space";
    case 51:
      return "\u232B";
    case 53:
      return "\u238B";
    case 122:
      return "F1";
    case 120:
      return "F2";
    case 99:
      return "F3";
    case 118:
      return "F4";
    case 96:
      return "F5";
    case 97:
      return "F6";
    case 98:
      return "F7";
    case 100:
      return "F8";
    case 101:
      return "F9";
    case 109:
      return "F10";
    case 103:
      return "F11";
    case 111:
      return "F12";
    default:
      return platform::keyNameForKeyCode(keyCode);
  }
}

}  // namespace

VGXGlobalShortcutCenter& VGXGlobalShortcutCenter::shared() {
  static constinit platform::SharedInstance<VGXGlobalShortcutCenter> instance{[] {
    return create(platform::UserDefaults::standard(), platform::HotKeyService::current());
  }};
  return instance.get();
}

std::shared_ptr<VGXGlobalShortcutCenter> VGXGlobalShortcutCenter::create(
    platform::UserDefaults& defaults, platform::HotKeyService& hotKeys, ToggleAction toggle) {
  return std::make_shared<VGXGlobalShortcutCenter>(Passkey{}, defaults, hotKeys, std::move(toggle));
}

VGXGlobalShortcutCenter::VGXGlobalShortcutCenter(Passkey, platform::UserDefaults& defaults,
                                                 platform::HotKeyService& hotKeys,
                                                 ToggleAction toggle)
    : defaults_(defaults), hotKeys_(hotKeys), toggle_(std::move(toggle)) {}

VGXGlobalShortcutCenter::~VGXGlobalShortcutCenter() {
  // A centre that goes away (between tests) leaves nothing registered.
  unregisterHotKey();
  if (handlerRef_) hotKeys_.removeEventHandler(*handlerRef_);
}

std::optional<VGXShortcut> VGXGlobalShortcutCenter::savedShortcut() const {
  auto dict = defaults_.dictionaryValue(kGlobalShortcutDefaultsKey);
  if (!dict) return std::nullopt;
  auto keyCode = wholeNumber(*dict, "keyCode");
  auto modifiers = wholeNumber(*dict, "modifiers");
  // A negative key code is as unusable as one above 65535.
  if (!keyCode || *keyCode < 0 || *keyCode > 0xFFFF) return std::nullopt;
  if (!modifiers || *modifiers < 0) return std::nullopt;
  return VGXShortcut{static_cast<std::uint16_t>(*keyCode), static_cast<std::uint64_t>(*modifiers)};
}

std::uint32_t VGXGlobalShortcutCenter::hotKeyModifiers(std::uint64_t flags) {
  std::uint32_t bits = 0;
  if (flags & platform::ModifierFlags::Command) bits |= platform::HotKeyModifiers::Command;
  if (flags & platform::ModifierFlags::Shift) bits |= platform::HotKeyModifiers::Shift;
  if (flags & platform::ModifierFlags::Option) bits |= platform::HotKeyModifiers::Option;
  if (flags & platform::ModifierFlags::Control) bits |= platform::HotKeyModifiers::Control;
  return bits;
}

void VGXGlobalShortcutCenter::unregisterHotKey() {
  if (!hotKeyRef_) return;
  hotKeys_.unregisterEventHotKey(*hotKeyRef_);
  hotKeyRef_.reset();
}

void VGXGlobalShortcutCenter::installHandlerIfNeeded() {
  if (handlerRef_) return;
  auto installed = hotKeys_.installEventHandler(
      {platform::EventTypeSpec{platform::kEventClassKeyboard, platform::kEventHotKeyPressed}},
      [weak = weak_from_this()](const platform::HotKeyEvent&) {
        // Any thread: only hand the toggle to the main queue.
        platform::onMain(weak, [](VGXGlobalShortcutCenter& center) {
          if (center.toggle_) center.toggle_();
        });
        return platform::kNoErr;
      });
  if (installed) handlerRef_ = *installed;
}

bool VGXGlobalShortcutCenter::registerShortcut(std::uint32_t keyCode, std::uint64_t modifiers) {
  unregisterHotKey();
  if (registrationOverride_) return registrationOverride_(keyCode, modifiers);
  installHandlerIfNeeded();
  auto ref = hotKeys_.registerEventHotKey(keyCode & 0xFFFF, hotKeyModifiers(modifiers), kHotKeyID);
  if (!ref) return false;
  hotKeyRef_ = *ref;
  return true;
}

void VGXGlobalShortcutCenter::start() {
  auto saved = savedShortcut();
  if (!saved) {
    unregisterHotKey();
    return;
  }
  if (!registerShortcut(saved->keyCode, saved->modifierFlags)) {
    conflictMessage_ = platform::localized(
        "Your shortcut is in use by another app, so it isn't active right now.",
        "Warning when the saved global shortcut cannot be registered at launch");
  }
}

bool VGXGlobalShortcutCenter::setShortcut(std::uint32_t keyCode, std::uint64_t modifiers) {
  auto previous = savedShortcut();
  if (registerShortcut(keyCode, modifiers)) {
    PropertyDictionary stored{
        {"keyCode", PropertyValue(static_cast<std::int64_t>(keyCode & 0xFFFF))},
        {"modifiers", PropertyValue(static_cast<std::int64_t>(modifiers))}};
    defaults_.set(kGlobalShortcutDefaultsKey, PropertyValue(std::move(stored)));
    conflictMessage_.reset();
    return true;
  }
  if (previous && !registerShortcut(previous->keyCode, previous->modifierFlags)) {
    clearShortcut();
    conflictMessage_ =
        "This shortcut is already in use, and your previous shortcut couldn't be restored. "
        "Record a new one.";
    return false;
  }
  conflictMessage_ = platform::localized("This shortcut is already in use. Choose a different one.",
                                         "Warning when a global shortcut cannot be registered");
  return false;
}

void VGXGlobalShortcutCenter::clearShortcut() {
  unregisterHotKey();
  defaults_.remove(kGlobalShortcutDefaultsKey);
  conflictMessage_.reset();
}

std::string VGXGlobalShortcutCenter::displayString(std::uint16_t keyCode, std::uint64_t modifiers) {
  std::string text;
  if (modifiers & platform::ModifierFlags::Control) text += "\u2303";
  if (modifiers & platform::ModifierFlags::Option) text += "\u2325";
  if (modifiers & platform::ModifierFlags::Shift) text += "\u21E7";
  if (modifiers & platform::ModifierFlags::Command) text += "\u2318";
  return text + keyName(keyCode);
}

}  // namespace vigilix
