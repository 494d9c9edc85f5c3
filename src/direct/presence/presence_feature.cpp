#include "direct/presence/presence_feature.h"

#include "keepawake/health_registry.h"
#include "platform/base/localized.h"
#include "platform/base/property_value.h"
#include "platform/notifications/notification_center.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/weakly.h"
#include "platform/system/workspace_notifications.h"
#include "policy/policy_gate.h"

namespace vigilix {

using platform::onMain;
using platform::weakly;

std::shared_ptr<VGXPresenceFeature> VGXPresenceFeature::make(
    platform::UserDefaults& defaults, VGXPresenceInputs inputs,
    VGXPresencePoster::Functions posterFunctions) {
  if (inputs.lockMonitor && !inputs.lock) {
    inputs.lock = [monitor = inputs.lockMonitor] {
      return std::pair(monitor->state(), monitor->lockValidated());
    };
  }
  std::shared_ptr<VGXPresenceFeature> feature(new VGXPresenceFeature(defaults, std::move(inputs)));
  // Gone: every gate closed.
  posterFunctions.gatherGates =
      weakly(feature, [](VGXPresenceFeature& self) { return self.gatherGates(); });
  posterFunctions.onAccessRevoked =
      weakly(feature, [](VGXPresenceFeature& self) { self.markDenied(); });
  feature->poster_ = VGXPresencePoster::make(std::move(posterFunctions));
  feature->poster_->setOnResult(
      weakly(feature, [](VGXPresenceFeature& self, const VGXPresenceLastResult& result) {
        self.lastHealthDetail_ = VGXPresencePoster::statusText(result);
      }));
  return feature;
}

VGXPresenceFeature::VGXPresenceFeature(platform::UserDefaults& defaults, VGXPresenceInputs inputs)
    : defaults_(defaults), inputs_(std::move(inputs)) {}

bool VGXPresenceFeature::isEnabled() const { return isSwitchStored() && !isPolicyDenied(); }

bool VGXPresenceFeature::isPolicyDenied() const {
  return VGXPolicyRuntime::enforcedBool(defaults_, VGXPresence::kDisableChatPresence)
      .value_or(false);
}

bool VGXPresenceFeature::isSwitchStored() const {
  return defaults_.boolValue(VGXPresence::kKeepChatAppsActive).value_or(false);
}

bool VGXPresenceFeature::accessRequested() const {
  return defaults_.boolValue(VGXPresence::kAccessRequested).value_or(false);
}

void VGXPresenceFeature::install() {
  if (!installed_) {
    installed_ = true;
    defaults_.registerDefaults({{VGXPresence::kKeepChatAppsActive, platform::PropertyValue(false)},
                                {VGXPresence::kAccessRequested, platform::PropertyValue(false)}});
    follow();
    if (accessRequested()) {
      accessState_ =
          mayPostEvents() ? VGXPresenceAccessState::ready : VGXPresenceAccessState::denied;
    }
  }
  reevaluate();
}

void VGXPresenceFeature::follow() {
  if (inputs_.lockMonitor) {
    inputs_.lockMonitor->onChange = weakly(this, [](VGXPresenceFeature& self) {
      self.gatesChanged();
      self.reevaluate();
    });
    if (inputs_.startLockMonitor) inputs_.startLockMonitor(*inputs_.lockMonitor);
  }
  auto& main = platform::DispatchQueue::main();
  // A burst of settings changes gives one re-evaluation: the switch and the
  // managed policy are both read from the defaults.
  observers_.push_back(platform::NotificationCenter::defaultCenter().addObserver(
      platform::kUserDefaultsDidChangeNotification, nullptr, &main,
      weakly(this, [](VGXPresenceFeature& self) {
        if (self.defaultsChangeScheduled_) return;
        self.defaultsChangeScheduled_ = true;
        onMain(&self, [](VGXPresenceFeature& later) {
          later.defaultsChangeScheduled_ = false;
          later.reevaluate();
        });
      })));
  auto& workspace = platform::NotificationCenter::workspaceCenter();
  for (const bool asleep : {true, false}) {
    observers_.push_back(workspace.addObserver(
        asleep ? platform::kWorkspaceScreensDidSleepNotification
               : platform::kWorkspaceScreensDidWakeNotification,
        nullptr, &main,
        weakly(this, [asleep](VGXPresenceFeature& self) { self.screensChanged(asleep); })));
  }
  VGXHealthRegistry::registerProvider(
      weakly(this, [](const VGXPresenceFeature& self) { return self.healthLines(); }));
}

void VGXPresenceFeature::screensChanged(bool asleep) {
  screensAwake_ = !asleep;
  gatesChanged();
}

void VGXPresenceFeature::gatesChanged() { poster_->gatesChanged(gatherGates()); }

void VGXPresenceFeature::reevaluate() {
  if (accessRequested()) {
    if (mayPostEvents()) {
      accessState_ = VGXPresenceAccessState::ready;
    } else if (accessState_ == VGXPresenceAccessState::ready) {
      accessState_ = VGXPresenceAccessState::denied;
    }
  }
  const bool post = shouldPost();
  if (post) {
    poster_->start();
  } else {
    poster_->stop();
  }
  if (inputs_.setPosting) inputs_.setPosting(post && poster_->isRunning());
  platform::DispatchQueue::main().async([] {
    platform::NotificationCenter::defaultCenter().post(kVGXPresenceFeatureDidChangeNotification);
  });
}

VGXPresenceSetResult VGXPresenceFeature::setEnabled(bool on) {
  if (on && isPolicyDenied()) {
    return VGXPresenceSetResult::policyDenied;
  }
  defaults_.set(VGXPresence::kKeepChatAppsActive, platform::PropertyValue(on));
  reevaluate();
  return VGXPresenceSetResult::ok;
}

void VGXPresenceFeature::requestAccess() {
  if (!accessRequested())
    defaults_.set(VGXPresence::kAccessRequested, platform::PropertyValue(true));
  accessState_ = mayPostEvents() ? VGXPresenceAccessState::ready : VGXPresenceAccessState::denied;
  reevaluate();
}

void VGXPresenceFeature::markDenied() {
  accessState_ = VGXPresenceAccessState::denied;
  reevaluate();
}

bool VGXPresenceFeature::setEnabledFromURL(bool enabled) {
  if (enabled) return false;
  setEnabled(false);
  return true;
}

VGXPresenceGates VGXPresenceFeature::gatherGates() const {
  VGXPresenceGates gates;
  gates.enabled = isEnabled();
  gates.effectiveAwake = inputs_.effectiveAwake && inputs_.effectiveAwake();
  gates.hasPostEventAccess = mayPostEvents();
  if (inputs_.lidClosed) gates.lidClosed = inputs_.lidClosed();
  gates.closedLidArmed = inputs_.closedLidArmed && inputs_.closedLidArmed();
  // A sleep notice holds until the wake notice; otherwise the displays say.
  if (!screensAwake_) {
    gates.anyDisplayAwake = false;
  } else if (inputs_.anyDisplayAwake) {
    gates.anyDisplayAwake = inputs_.anyDisplayAwake();
  }
  if (inputs_.lock) std::tie(gates.lock, gates.lockValidated) = inputs_.lock();
  if (inputs_.idleSeconds) gates.idleSeconds = inputs_.idleSeconds();
  return gates;
}

std::vector<VGXHealthLine> VGXPresenceFeature::healthLines() const {
  std::optional<std::string> detail = lastHealthDetail_;
  if (!detail && poster_->lastResult())
    detail = VGXPresencePoster::statusText(*poster_->lastResult());
  if (!detail) return {};
  return {VGXHealthLine{platform::localized("Chat apps", "Health Check: chat presence"), *detail,
                        VGXHealthSeverity::Ok, std::nullopt}};
}

}  // namespace vigilix
