#include "agents/cli_v2_server.h"
#include "health/protection_verifier.h"
#include "keepawake/health_registry.h"
#include "platform/power/low_power_mode.h"
#include "platform/power/power_sources.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/weakly.h"
#include "platform/system/workspace_notifications.h"

namespace vigilix {

using platform::weakly;

namespace {

constexpr const char* kWillSleep = "NSWorkspaceWillSleepNotification";
constexpr const char* kDidWake = "NSWorkspaceDidWakeNotification";
constexpr const char* kScreensDidWake = platform::kWorkspaceScreensDidWakeNotification;
constexpr const char* kScreensDidSleep = platform::kWorkspaceScreensDidSleepNotification;
constexpr const char* kScreenParametersDidChange =
    "NSApplicationDidChangeScreenParametersNotification";

}  // namespace

void VGXProtectionVerifier::startWithExpectedTypes(ExpectedTypes expected,
                                                   std::function<bool()> repair,
                                                   std::function<void()> changed) {
  expected_ = std::move(expected);
  repair_ = std::move(repair);
  changed_ = std::move(changed);
  if (started_) return;
  started_ = true;
  startObserving();
  registerHealth();
  check();
}

void VGXProtectionVerifier::startObserving() {
  const auto checkLater = weakly(this, [](VGXProtectionVerifier& self) { self.check(); });
  auto& workspace = platform::NotificationCenter::workspaceCenter();
  auto& center = platform::NotificationCenter::defaultCenter();
  auto* main = &platform::DispatchQueue::main();
  // The lid stands for the other platform's power-management interest
  // notices, which fire on lid changes among others.
  for (const char* name : {kDidWake, kScreensDidWake, kScreensDidSleep,
                           platform::kWorkspaceLidDidChangeNotification}) {
    observers_.push_back(workspace.addObserver(name, nullptr, main, checkLater));
  }
  // Synchronously: the incident must be on record before the machine sleeps.
  observers_.push_back(workspace.addObserver(
      kWillSleep, nullptr, nullptr,
      weakly(this, [](VGXProtectionVerifier& self) { self.recordSleepIncident(); })));
  for (const char* name :
       {platform::kPowerStateDidChangeNotification, kScreenParametersDidChange}) {
    observers_.push_back(center.addObserver(name, nullptr, main, checkLater));
  }
  // Without a change source the timer and the other observers still check.
  if (auto source = platform::PowerSources::current().addChangeObserver(
          platform::RunLoopMode::Common, checkLater)) {
    observers_.push_back(std::move(source));
  }
  // In the common modes, so checks go on while a menu is open.
  timer_ = platform::RunLoop::main().scheduleTimer(
      kCheckIntervalSeconds, true,
      weakly(this, [](VGXProtectionVerifier& self) { self.periodicCheck(); }),
      platform::RunLoopMode::Common);
}

void VGXProtectionVerifier::registerHealth() {
  std::weak_ptr<VGXProtectionVerifier> weak = weak_from_this();
  VGXHealthRegistry::registerProvider(
      weakly(weak, [](VGXProtectionVerifier& self) { return self.healthLines(); }));
  VGXHealthRegistry::registerProvider([weak] {
    auto self = weak.lock();
    return storeBuildHealthLines(self && self->says(self->hub_.directAvailable));
  });
  VGXCLIv2Server::registerHandler(VGXCLIv2Verb::doctor, [weak](const VGXCLIv2Request& request) {
    return doctorReply(weak.lock().get(), request);
  });
}

}  // namespace vigilix
