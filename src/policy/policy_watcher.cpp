#include "policy/policy_watcher.h"

#include "policy/policy_table.h"

namespace vigilix {

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
  std::weak_ptr<VGXPolicyWatcher> weak = weak_from_this();
  auto fireWeak = [weak] {
    if (auto self = weak.lock()) self->fire();
  };
  // Managed files change behind our back and nothing announces it: the
  // polling routes re-read the defaults first, so the handler sees them.
  auto rereadAndFireWeak = [weak] {
    if (auto self = weak.lock()) {
      self->environment_.defaults->synchronize();
      self->fire();
    }
  };

  for (const VGXPolicyKey& row : VGXPolicy::keys()) {
    observers_.push_back(environment_.defaults->observeKey(
        row.name, [fireWeak](const std::optional<platform::PropertyValue>&) { fireWeak(); }));
  }
  timer_ = environment_.runLoop->scheduleTimer(
      kPollInterval, true, [rereadAndFireWeak](platform::Timer&) { rereadAndFireWeak(); },
      platform::RunLoopMode::Common);
  observers_.push_back(environment_.defaultCenter->addObserver(
      kDidBecomeActiveNotification, nullptr, environment_.mainQueue,
      [rereadAndFireWeak](const platform::Notification&) { rereadAndFireWeak(); }));
  observers_.push_back(environment_.workspaceCenter->addObserver(
      kDidWakeNotification, nullptr, environment_.mainQueue,
      [rereadAndFireWeak](const platform::Notification&) { rereadAndFireWeak(); }));
}

void VGXPolicyWatcher::fire() {
  if (platform::DispatchQueue::isMainThread()) {
    if (onChange_) onChange_();
    return;
  }
  std::weak_ptr<VGXPolicyWatcher> weak = weak_from_this();
  environment_.mainQueue->async([weak] {
    if (auto self = weak.lock(); self && self->onChange_) self->onChange_();
  });
}

}  // namespace vigilix
