#pragma once

#include <cstdint>
#include <expected>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace vigilix::platform {

using OSStatus = std::int32_t;
inline constexpr OSStatus kNoErr = 0;
inline constexpr OSStatus kParamErr = -50;
inline constexpr OSStatus kEventHotKeyExistsErr = -9878;
inline constexpr OSStatus kEventHotKeyInvalidErr = -9879;

constexpr std::uint32_t fourCharCode(const char (&code)[5]) {
  return (static_cast<std::uint32_t>(static_cast<unsigned char>(code[0])) << 24) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(code[1])) << 16) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(code[2])) << 8) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(code[3]));
}

inline constexpr std::uint32_t kEventClassKeyboard = fourCharCode("keyb");
inline constexpr std::uint32_t kEventHotKeyPressed = 5;

// Modifier bits of the hot-key service (not the event system's flags).
namespace HotKeyModifiers {
inline constexpr std::uint32_t Command = 256;
inline constexpr std::uint32_t Shift = 512;
inline constexpr std::uint32_t Option = 2048;
inline constexpr std::uint32_t Control = 4096;
}  // namespace HotKeyModifiers

struct EventHotKeyID {
  std::uint32_t signature = 0;
  std::uint32_t id = 0;
  bool operator==(const EventHotKeyID&) const = default;
};

struct EventTypeSpec {
  std::uint32_t eventClass = 0;
  std::uint32_t eventKind = 0;
  bool operator==(const EventTypeSpec&) const = default;
};

// A hot-key event as a handler receives it.
struct HotKeyEvent {
  EventTypeSpec type;
  EventHotKeyID hotKeyID;
};

using EventHotKeyRef = std::uint64_t;
using EventHandlerRef = std::uint64_t;

// System-wide hot keys: a key code with modifiers registered under an
// identity; a press goes to the handlers installed for its event type, on
// whatever thread delivers it.
class HotKeyService {
 public:
  using Handler = std::function<OSStatus(const HotKeyEvent&)>;

  virtual ~HotKeyService() = default;

  virtual std::expected<EventHotKeyRef, OSStatus> registerEventHotKey(std::uint32_t keyCode,
                                                                      std::uint32_t modifiers,
                                                                      EventHotKeyID identity) = 0;
  virtual OSStatus unregisterEventHotKey(EventHotKeyRef ref) = 0;
  // Installs a handler on the event dispatcher target for the given types.
  virtual std::expected<EventHandlerRef, OSStatus> installEventHandler(
      std::vector<EventTypeSpec> types, Handler handler) = 0;
  virtual OSStatus removeEventHandler(EventHandlerRef ref) = 0;

  // The service in force: the in-process registry unless a test installed another.
  static HotKeyService& current();
  static void setCurrent(HotKeyService* service);
};

// The in-process registry: combinations are unique within the process and
// presses are delivered by `deliverPress` (from any thread). No desktop key
// grabbing is attached.
class InProcessHotKeyService : public HotKeyService {
 public:
  struct Registration {
    std::uint32_t keyCode = 0;
    std::uint32_t modifiers = 0;
    EventHotKeyID identity;
  };

  std::expected<EventHotKeyRef, OSStatus> registerEventHotKey(std::uint32_t keyCode,
                                                              std::uint32_t modifiers,
                                                              EventHotKeyID identity) override;
  OSStatus unregisterEventHotKey(EventHotKeyRef ref) override;
  std::expected<EventHandlerRef, OSStatus> installEventHandler(std::vector<EventTypeSpec> types,
                                                               Handler handler) override;
  OSStatus removeEventHandler(EventHandlerRef ref) override;

  // A press of the combination: every handler for hot-key-pressed events is
  // called on the calling thread. False when the combination is not registered.
  bool deliverPress(std::uint32_t keyCode, std::uint32_t modifiers);

  std::vector<Registration> registrations() const;
  std::size_t handlerCount() const;

 protected:
  // Whether another application holds the combination; none here.
  virtual bool isTakenElsewhere(std::uint32_t keyCode, std::uint32_t modifiers) const;

 private:
  struct InstalledHandler {
    std::vector<EventTypeSpec> types;
    Handler handler;
  };
  mutable std::mutex mutex_;
  std::uint64_t nextRef_ = 1;
  std::map<EventHotKeyRef, Registration> hotKeys_;
  std::map<EventHandlerRef, InstalledHandler> handlers_;
};

}  // namespace vigilix::platform
