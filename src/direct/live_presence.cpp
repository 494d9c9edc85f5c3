#include "direct/live_presence.h"

#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

#include "hub/trigger_bridge.h"
#include "platform/base/logger.h"
#include "platform/base/shared_instances.h"
#include "platform/power/lid_watcher.h"
#include "platform/runloop/clock.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/system/user_idle_time.h"
#include "platform/x11/x11_pointer.h"

namespace vigilix {

namespace {

const platform::Logger& presenceLog() {
  static const platform::Logger log{"ChatPresence"};
  return log;
}

std::optional<std::vector<VGXDisplay>> displaysOf(platform::X11Pointer& pointer) {
  auto screens = pointer.screens();
  if (!screens) return std::nullopt;
  std::vector<VGXDisplay> displays;
  for (const auto& screen : *screens) {
    displays.push_back({{screen.x, screen.y, screen.width, screen.height}, screen.asleep});
  }
  return displays;
}

// The pointer of the session's X display, or why there is none.
std::shared_ptr<platform::X11Pointer> openPointer(const platform::SessionVariables& session,
                                                  VGXPresenceDisplay& display) {
  switch (platform::desktopSessionFor(session)) {
    case platform::DesktopSession::Wayland:
      display = VGXPresenceDisplay::wayland;
      presenceLog().log("Wayland session: chat presence cannot move the pointer.");
      return nullptr;
    case platform::DesktopSession::NoDisplay:
      display = VGXPresenceDisplay::noDisplay;
      presenceLog().log("No X display: chat presence cannot move the pointer.");
      return nullptr;
    case platform::DesktopSession::X11:
      break;
  }
  auto opened = platform::X11Pointer::open(session.display);
  if (!opened) {
    display = VGXPresenceDisplay::noXTest;
    presenceLog().error("X display {}: {}", session.display, opened.error());
    return nullptr;
  }
  display = VGXPresenceDisplay::xtest;
  return std::move(*opened);
}

VGXPresencePoster::Cancel scheduleOnMain(double delay, std::function<void()> action) {
  auto cancelled = std::make_shared<bool>(false);
  platform::DispatchQueue::main().asyncAfter(delay, [cancelled, action = std::move(action)] {
    if (!*cancelled) action();
  });
  return [cancelled] { *cancelled = true; };
}

std::shared_ptr<VGXPresenceFeature> makeShared() {
  return VGXLivePresence::make(platform::UserDefaults::standard(), VGXLivePresence::parts());
}

constinit platform::SharedInstance<VGXLivePresenceParts> sharedParts(+[] {
  return std::make_shared<VGXLivePresenceParts>(VGXLivePresenceParts::current());
});
constinit platform::SharedInstance<VGXPresenceFeature> sharedFeature(&makeShared);

}  // namespace

VGXLivePresenceParts VGXLivePresenceParts::current() {
  const char* sessionId = std::getenv("XDG_SESSION_ID");
  return {
      .session = platform::SessionVariables::current(),
      .systemBus = []() -> std::shared_ptr<platform::AsyncBusConnection> {
        auto bus = platform::AsyncBusConnection::shared(platform::BusKind::System);
        if (bus) return *bus;
        presenceLog().error("No system bus: chat presence sees neither the lock nor the lid: {}",
                            bus.error().description());
        return nullptr;
      },
      .lookup = {.sessionId = sessionId ? std::optional<std::string>(sessionId) : std::nullopt,
                 .pid = static_cast<unsigned>(::getpid())},
      .effectiveAwake = [] { return VGXTriggerBridge::shared().isAwake(); },
      .setPosting = [](bool posting) { VGXTriggerBridge::shared().setIsPresencePosting(posting); },
  };
}

namespace VGXLivePresence {

VGXLivePresenceParts& parts() { return sharedParts.get(); }

VGXPresenceFeature& shared() { return sharedFeature.get(); }
std::shared_ptr<VGXPresenceFeature> sharedPointer() { return sharedFeature.pointer(); }

VGXLidReading lidReading(const platform::LidReading& reading) {
  switch (reading.presence) {
    case platform::LidPresence::noLid:
      return VGXLidReading::noLid;
    case platform::LidPresence::hasLid:
      if (reading.closed) return *reading.closed ? VGXLidReading::closed : VGXLidReading::open;
      return VGXLidReading::unknown;
    case platform::LidPresence::unknown:
      break;
  }
  return VGXLidReading::unknown;
}

std::shared_ptr<VGXPresenceFeature> make(platform::UserDefaults& defaults,
                                         const VGXLivePresenceParts& parts) {
  VGXPresenceInputs inputs;
  const auto pointer = openPointer(parts.session, inputs.display);
  const auto bus = parts.systemBus ? parts.systemBus() : nullptr;
  inputs.mayPostEvents = [pointer] { return pointer != nullptr; };
  inputs.effectiveAwake = parts.effectiveAwake;
  if (bus) {
    auto lid = std::make_shared<platform::UPowerLidWatcher>(bus);
    inputs.lidClosed = [lid] { return lidClosedGate(lidReading(lid->reading())); };
  }
  if (pointer) {
    inputs.anyDisplayAwake = [pointer] {
      return VGXPresenceRules::anyDisplayAwake(displaysOf(*pointer));
    };
  }
  // The program's one idle reading: the X display's, else logind's.
  inputs.idleSeconds = []() -> std::optional<double> {
    return platform::UserIdleTime::current().secondsSinceLastInput();
  };
  // Only changes reach the hub, so an idle feature does not make the hub early.
  inputs.setPosting = [tell = parts.setPosting,
                       told = std::make_shared<bool>(false)](bool posting) {
    if (posting == *told || !tell) return;
    *told = posting;
    tell(posting);
  };
  inputs.lockMonitor = std::make_shared<VGXLockStateMonitor>(defaults);
  inputs.startLockMonitor = [bus, lookup = parts.lookup](VGXLockStateMonitor& monitor) {
    if (bus) monitor.start(bus, lookup);
  };

  VGXPresencePoster::Functions functions;
  functions.pointer = [pointer]() -> std::optional<VGXPoint> {
    const auto at = pointer ? pointer->position() : std::nullopt;
    if (!at) return std::nullopt;
    return VGXPoint{at->x, at->y};
  };
  functions.displayBounds = [pointer](VGXPoint at) {
    return VGXPresenceRules::displayBounds(pointer ? displaysOf(*pointer) : std::nullopt, at);
  };
  functions.postMove = [pointer](VGXPoint to) { return pointer && pointer->moveTo({to.x, to.y}); };
  functions.schedule = scheduleOnMain;
  functions.now = [] { return platform::Clock::current().now(); };
  return VGXPresenceFeature::make(defaults, std::move(inputs), std::move(functions));
}

}  // namespace VGXLivePresence

}  // namespace vigilix
