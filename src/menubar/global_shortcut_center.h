#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "menubar/shortcut.h"
#include "platform/defaults/user_defaults.h"
#include "platform/ui/hot_key_service.h"

namespace vigilix {

inline constexpr const char* kGlobalShortcutDefaultsKey = "run.tarvo.vigilix.GlobalShortcut";

// The one system-wide shortcut that toggles keep-awake: stored in the user
// defaults, registered with the hot-key service, and turned into the
// toggle action on the main queue when pressed. Main thread only, but for
// the press, which may arrive on any thread.
class VGXGlobalShortcutCenter : public std::enable_shared_from_this<VGXGlobalShortcutCenter> {
 public:
  using ToggleAction = std::function<void()>;
  using RegistrationOverride = std::function<bool(std::uint32_t keyCode, std::uint64_t modifiers)>;

  // Hot-key identity of the shortcut: signature "VGXL", id 1.
  static constexpr platform::EventHotKeyID kHotKeyID{platform::fourCharCode("VGXL"), 1};

  // The centre of the process, over the standard defaults and the current
  // hot-key service. It has no toggle action until one is connected.
  static VGXGlobalShortcutCenter& shared();
  static std::shared_ptr<VGXGlobalShortcutCenter> create(platform::UserDefaults& defaults,
                                                         platform::HotKeyService& hotKeys,
                                                         ToggleAction toggle = {});
  ~VGXGlobalShortcutCenter();
  VGXGlobalShortcutCenter(const VGXGlobalShortcutCenter&) = delete;
  VGXGlobalShortcutCenter& operator=(const VGXGlobalShortcutCenter&) = delete;

  // Registers the saved shortcut at launch.
  void start();
  std::optional<VGXShortcut> savedShortcut() const;
  // Registers and stores; false (with a message) when it cannot be registered.
  bool setShortcut(std::uint32_t keyCode, std::uint64_t modifiers);
  void clearShortcut();
  const std::optional<std::string>& conflictMessage() const { return conflictMessage_; }

  // The shortcut as shown: modifier symbols in the order ⌃⌥⇧⌘, then the key.
  static std::string displayString(std::uint16_t keyCode, std::uint64_t modifiers);
  // The event system's modifier flags in the hot-key service's bits.
  static std::uint32_t hotKeyModifiers(std::uint64_t modifierFlags);

  // Used in place of the hot-key service when set.
  void setRegistrationOverride(RegistrationOverride registration) {
    registrationOverride_ = std::move(registration);
  }
  // The keep-awake toggle a press runs (the hub's).
  void setToggleAction(ToggleAction toggle) { toggle_ = std::move(toggle); }
  // Whether a hot key is registered with the service now.
  bool isRegistered() const { return hotKeyRef_.has_value(); }

 private:
  struct Passkey {};

 public:
  VGXGlobalShortcutCenter(Passkey, platform::UserDefaults& defaults,
                          platform::HotKeyService& hotKeys, ToggleAction toggle);

 private:
  bool registerShortcut(std::uint32_t keyCode, std::uint64_t modifiers);
  void unregisterHotKey();
  void installHandlerIfNeeded();

  platform::UserDefaults& defaults_;
  platform::HotKeyService& hotKeys_;
  RegistrationOverride registrationOverride_;
  std::optional<platform::EventHotKeyRef> hotKeyRef_;
  std::optional<platform::EventHandlerRef> handlerRef_;
  std::optional<std::string> conflictMessage_;
  ToggleAction toggle_;
};

}  // namespace vigilix
