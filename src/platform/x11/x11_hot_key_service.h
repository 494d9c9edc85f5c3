#pragma once

#include <cstdint>
#include <expected>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/runloop/descriptor_sources.h"
#include "platform/ui/hot_key_service.h"
#include "platform/x11/x11_key_mapping.h"

struct _XDisplay;

namespace vigilix::platform {

// Hot keys grabbed on an X display, system-wide: each registered combination
// is grabbed on the root window with and without Caps Lock and Num Lock, and
// one that another client holds answers kEventHotKeyExistsErr; a key with no
// keycode on this keyboard answers kEventHotKeyInvalidErr. The service has
// its own display connection, a source of the given loop; presses reach the
// handlers on that loop's thread, once per press however long the key is
// held. Main thread only (the loop's thread). When the display goes away the
// service logs it once, delivers nothing more and refuses registrations.
class X11HotKeyService final : public InProcessHotKeyService {
 public:
  // Connects to `displayName` (DISPLAY's form); the reason when it cannot.
  static std::expected<std::unique_ptr<X11HotKeyService>, std::string> open(
      const std::string& displayName, DescriptorSources& sources);
  ~X11HotKeyService() override;
  X11HotKeyService(const X11HotKeyService&) = delete;
  X11HotKeyService& operator=(const X11HotKeyService&) = delete;

  std::expected<EventHotKeyRef, OSStatus> registerEventHotKey(std::uint32_t keyCode,
                                                              std::uint32_t modifiers,
                                                              EventHotKeyID identity) override;
  OSStatus unregisterEventHotKey(EventHotKeyRef ref) override;

  bool isConnected() const { return !lost_; }

 private:
  struct Grab {
    int keycode = 0;
    unsigned modifiers = 0;
    std::vector<unsigned> variants;
    // Taken off an event's state before it is matched.
    unsigned locks = 0;
    std::uint32_t hotKeyCode = 0;
    std::uint32_t hotKeyModifiers = 0;
    // Held down: the repeats of a held key are not presses.
    bool down = false;
  };

  X11HotKeyService(_XDisplay* display, DescriptorSources& sources);

  ModifierMasks modifierMasks() const;
  // Grabs every variant; the server's error when it refused one (then
  // every variant is released again), else Success.
  int grab(const Grab& grab);
  void ungrab(const Grab& grab);
  DescriptorInterest prepare();
  void handlePendingEvents();
  static void displayLost(_XDisplay* display, void* service);

  _XDisplay* display_;
  std::map<EventHotKeyRef, Grab> grabs_;
  bool lost_ = false;
  SourceHandle source_;
};

}  // namespace vigilix::platform
