#include "policy/policy_watcher.h"

#include "platform/runloop/weakly.h"
#include "policy/policy_table.h"

namespace vigilix {

using platform::weakly;

namespace {

constexpr const char* kDidBecomeActiveNotification = "NSApplicationDidBecomeActiveNotification";
constexpr const char* kDidWakeNotification = "NSWorkspaceDidWakeNotification";

}  // namespace

VGXPolicyWatcher::Environment VGXPolicyWatcher::Environment::current() {
  return Environment{&platform::UserDefaults::standard(), &platform::RunLoop::main(),
                     &platform::NotificationCenter::defaultCenter(),
                     &platform::NotificationCenter::workspaceCenter(),
                     &platform::DispatchQueue::main()};
}

VGXPolicyWatcher::VGXPolicyWatcher(std::function<void()> onChange, Environment environment)
    : onChange_(std::move(onChange)), environment_(environment) {}

std::shared_ptr<VGXPolicyWatcher> VGXPolicyWatcher::make(std::function<void()> onChange) {
  return make(std::move(onChange), Environment::current());
}

std::shared_ptr<VGXPolicyWatcher> VGXPolicyWatcher::make(std::function<void()> onChange,
                                                         Environment environment) {
  return std::shared_ptr<VGXPolicyWatcher>(new VGXPolicyWatcher(std::move(onChange), environment));
}

VGXPolicyWatcher::~VGXPolicyWatcher() {
  if (timer_) timer_->invalidate();
  // Dropping the tokens ends the key observations and both centres' observers.
  observers_.clear();
}

void VGXPolicyWatcher::start() {
  if (observing_) return;
  observing_ = true;
  const auto changed = weakly(this, &VGXPolicyWatcher::fire);
  // Managed files change behind our back and nothing announces it: the
  // polling routes re-read the defaults first, so the handler sees them.
  const auto rereadAndFire = weakly(this, [](VGXPolicyWatcher& self) {
    self.environment_.defaults->synchronize();
    self.fire();
  });

  for (const VGXPolicyKey& row : VGXPolicy::keys()) {
    observers_.push_back(environment_.defaults->observeKey(row.name, changed));
  }
  timer_ = environment_.runLoop->scheduleTimer(kPollInterval, true, rereadAndFire,
                                               platform::RunLoopMode::Common);
  observers_.push_back(environment_.defaultCenter->addObserver(
      kDidBecomeActiveNotification, nullptr, environment_.mainQueue, rereadAndFire));
  observers_.push_back(environment_.workspaceCenter->addObserver(
      kDidWakeNotification, nullptr, environment_.mainQueue, rereadAndFire));
}

void VGXPolicyWatcher::fire() {
  if (platform::DispatchQueue::isMainThread()) {
    if (onChange_) onChange_();
    return;
  }
  environment_.mainQueue->async(weakly(this, [](VGXPolicyWatcher& self) {
    if (self.onChange_) self.onChange_();
  }));
}

}  // namespace vigilix
