#include "app/chat_presence_launch.h"

#include <memory>

#include "direct/presence/presence_feature.h"
#include "hub/trigger_bridge.h"
#include "keepawake/health_registry.h"
#include "platform/notifications/notification_center.h"
#include "platform/power/lid_state.h"
#include "platform/runloop/clock.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/x11/x11_idle_time.h"
#include "platform/x11/x11_pointer.h"

namespace vigilix {

namespace {

std::optional<std::vector<VGXDisplay>> displaysOf(platform::X11Pointer& pointer) {
  auto screens = pointer.screens();
  if (!screens) return std::nullopt;
  std::vector<VGXDisplay> displays;
  for (const auto& screen : *screens) {
    displays.push_back({{screen.x, screen.y, screen.width, screen.height}, screen.asleep});
  }
  return displays;
}

}  // namespace

void installChatPresence(const platform::SessionVariables& session) {
  std::shared_ptr<platform::X11Pointer> pointer;
  std::shared_ptr<platform::X11IdleTime> idle;
  if (platform::desktopSessionFor(session) == platform::DesktopSession::X11) {
    if (auto opened = platform::X11Pointer::open(session.display)) pointer = std::move(*opened);
    if (auto opened = platform::X11IdleTime::open(session.display)) idle = std::move(*opened);
  }
  VGXPresenceInputs inputs;
  inputs.mayPostEvents = [pointer] { return pointer != nullptr; };
  inputs.effectiveAwake = [] { return VGXTriggerBridge::shared().isAwake(); };
  // logind reads a machine without a lid as open; only a failed reading is unknown.
  inputs.lidClosed = [] { return platform::LidState::current().isLidClosed(); };
  inputs.anyDisplayAwake = [pointer]() -> std::optional<bool> {
    if (!pointer) return std::nullopt;
    return VGXPresenceRules::anyDisplayAwake(displaysOf(*pointer));
  };
  // The screen-lock reading stays an empty slot until a lock monitor fills it.
  if (idle) inputs.idleSeconds = [idle] { return idle->secondsSinceLastInput(); };
  inputs.setPosting = [](bool posting) {
    VGXTriggerBridge::shared().setIsPresencePosting(posting);
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
  functions.schedule = [](double delay, std::function<void()> action) {
    auto cancelled = std::make_shared<bool>(false);
    platform::DispatchQueue::main().asyncAfter(delay, [cancelled, action = std::move(action)] {
      if (!*cancelled) action();
    });
    return std::function<void()>([cancelled] { *cancelled = true; });
  };
  functions.now = [] { return platform::Clock::current().now(); };

  // Lives as long as the program.
  static std::shared_ptr<VGXPresenceFeature> feature;
  if (feature) return;
  feature = VGXPresenceFeature::make(platform::UserDefaults::standard(), std::move(inputs),
                                     std::move(functions));
  std::weak_ptr<VGXPresenceFeature> weak = feature;
  VGXHealthRegistry::registerProvider([weak] {
    auto self = weak.lock();
    return self ? self->healthLines() : std::vector<VGXHealthLine>{};
  });
  // The switch and the policy are read again after every settings change.
  static platform::ObserverHandle defaultsObserver =
      platform::NotificationCenter::defaultCenter().addObserver(
          platform::kUserDefaultsDidChangeNotification, nullptr, &platform::DispatchQueue::main(),
          [weak](const platform::Notification&) {
            if (auto self = weak.lock()) self->reevaluate();
          });
  feature->install();
}

}  // namespace vigilix
