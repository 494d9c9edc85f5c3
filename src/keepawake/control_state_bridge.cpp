#include "keepawake/control_state_bridge.h"

#include "platform/defaults/user_defaults.h"
#include "platform/runloop/clock.h"

namespace vigilix {

VGXControlState controlStateForSnapshot(const AwakeSnapshot& snapshot) {
  std::optional<platform::Date> until;
  if (snapshot.isAwake && snapshot.primary.kind() == AwakeStatus::Kind::manualUntil) {
    until = snapshot.primary.date();
  }
  return VGXControlState(snapshot.isAwake, until);
}

ControlStateBridge::SuiteOpener ControlStateBridge::appGroupSuite() {
  return [] { return platform::UserDefaults::suite(VGXControlState::appGroup); };
}

ControlStateBridge::ControlStateBridge(SuiteOpener openSuite, ControlReloader reloadControls)
    : shared_(std::make_shared<Shared>(Shared{std::move(openSuite), {}})),
      reloadControls_(std::move(reloadControls)) {}

ControlStateBridge::~ControlStateBridge() = default;

bool ControlStateBridge::publish(const AwakeSnapshot& snapshot) {
  const auto suite = shared_->openSuite ? shared_->openSuite() : nullptr;
  const bool wrote = controlStateForSnapshot(snapshot).write(suite.get());
  if (wrote && reloadControls_) reloadControls_(VGXControlState::controlKind);
  return wrote;
}

std::optional<bool> ControlStateBridge::takeRequest(platform::Date now) {
  const auto suite = shared_->openSuite ? shared_->openSuite() : nullptr;
  return VGXControlState::takeRequest(now, suite.get());
}

void ControlStateBridge::takeAndDeliver(const std::shared_ptr<Shared>& shared) {
  const auto suite = shared->openSuite ? shared->openSuite() : nullptr;
  const auto value = VGXControlState::takeRequest(platform::Clock::current().now(), suite.get());
  // A copy, so the handler may replace itself while it runs.
  const RequestHandler handler = shared->handler;
  if (value && handler) handler(*value);
}

void ControlStateBridge::startObservingRequests(RequestHandler handler) {
  shared_->handler = std::move(handler);
  // The notification's object is ignored: the request lies in the suite.
  std::weak_ptr<Shared> weak = shared_;
  observer_ = platform::DistributedNotificationCenter::current().addObserver(
      VGXControlState::requestNotification, [weak](const std::string&, const auto&) {
        if (auto shared = weak.lock()) takeAndDeliver(shared);
      });
  takeAndDeliver(shared_);
}

void ControlStateBridge::stopObservingRequests() {
  observer_.reset();
  shared_->handler = nullptr;
}

}  // namespace vigilix
