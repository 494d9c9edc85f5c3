#pragma once

#include <functional>
#include <memory>

#include "direct/presence/presence_feature.h"
#include "platform/dbus/async_bus_connection.h"
#include "platform/power/desktop_watches.h"
#include "platform/power/lid_watcher.h"
#include "platform/x11/desktop_session.h"

namespace vigilix {

// Where chat presence reads and moves: the pointer and the screens on the X
// display of the session, the screen lock of the user's logind session and
// the lid from UPower on the system bus. Replaced by a test before the
// shared feature is first made.
struct VGXLivePresenceParts {
  platform::SessionVariables session;
  // None: the lock reads unknown and the lid unknown, so nothing is posted.
  std::function<std::shared_ptr<platform::AsyncBusConnection>()> systemBus;
  platform::LogindSessionLookup lookup;
  // The hub: whether it keeps the computer awake, and being told whether the
  // pointer is being moved.
  std::function<bool()> effectiveAwake;
  std::function<void(bool)> setPosting;

  // This process's: its environment's display, the shared system bus, its
  // logind session.
  static VGXLivePresenceParts current();
};

namespace VGXLivePresence {

// The parts the shared feature is made from; the process's until replaced.
VGXLivePresenceParts& parts();
// Made once from parts() on the standard defaults, reporting to the shared hub.
VGXPresenceFeature& shared();
std::shared_ptr<VGXPresenceFeature> sharedPointer();
std::shared_ptr<VGXPresenceFeature> make(platform::UserDefaults& defaults,
                                         const VGXLivePresenceParts& parts);
// What a lid reading means for the nudge: a machine without a lid is open.
VGXLidReading lidReading(const platform::LidReading& reading);

}  // namespace VGXLivePresence

}  // namespace vigilix
