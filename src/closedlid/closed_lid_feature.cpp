#include "closedlid/closed_lid_feature.h"

#include <fmt/format.h>

#include "closedlid/closed_lid_settings.h"
#include "platform/base/logger.h"
#include "platform/defaults/user_defaults.h"
#include "platform/notifications/notification_center.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/weakly.h"

namespace vigilix {

using platform::weakly;

std::shared_ptr<VGXClosedLidFeature> VGXClosedLidFeature::make(platform::UserDefaults& defaults,
                                                               VGXClosedLidParts parts,
                                                               VGXClosedLidInputs inputs,
                                                               VGXClosedLidEffects effects) {
  std::shared_ptr<VGXClosedLidFeature> feature(new VGXClosedLidFeature(defaults, std::move(parts)));
  std::weak_ptr<VGXClosedLidFeature> weak = feature;
  inputs.lid = weakly(weak, [](VGXClosedLidFeature& self) { return self.parts_.lid->reading(); });
  effects.lockSession = weakly(weak, [](VGXClosedLidFeature& self) {
    if (self.parts_.locker) self.parts_.locker->lock();
  });
  effects.changed = [weak, changed = std::move(effects.changed)] {
    if (changed) changed();
    if (auto self = weak.lock()) {
      self->followApproval();
      self->logChange();
    }
    platform::NotificationCenter::defaultCenter().post(kVGXClosedLidDidChangeNotification);
  };
  feature->controller_ = std::make_unique<VGXClosedLidController>(
      defaults, std::move(inputs), std::move(effects), feature->clientLink_, feature->helperLink_);
  return feature;
}

VGXClosedLidFeature::VGXClosedLidFeature(platform::UserDefaults& defaults, VGXClosedLidParts parts)
    : defaults_(defaults),
      parts_(std::move(parts)),
      helperLink_(*parts_.helper),
      clientLink_(*parts_.client) {}

void VGXClosedLidFeature::install(const std::vector<const char*>& recomputeOn) {
  if (!installed_) {
    installed_ = true;
    parts_.lid->setOnChange(
        weakly(this, [](VGXClosedLidFeature& self) { self.controller_->lidChanged(); }));
    const auto recompute =
        weakly(this, [](VGXClosedLidFeature& self) { self.controller_->recompute(false); });
    parts_.client->onChange = recompute;
    auto& center = platform::NotificationCenter::defaultCenter();
    for (const char* name : recomputeOn) {
      observers_.push_back(
          center.addObserver(name, nullptr, &platform::DispatchQueue::main(), recompute));
    }
    // Heard as it is posted, so that the controller's own writes, made with
    // its flag up, are told apart from everyone else's.
    observers_.push_back(center.addObserver(
        platform::kUserDefaultsDidChangeNotification, &defaults_, nullptr,
        weakly(this, [](VGXClosedLidFeature& self) {
          if (!(platform::DispatchQueue::isMainThread() && self.controller_->applyingDefaults()))
            self.recomputeSoon();
        })));
  }
  controller_->recompute(false);
}

// What the user cannot see from the menu is in the log.
void VGXClosedLidFeature::logChange() {
  const VGXClosedLidController& c = *controller_;
  std::string now = fmt::format("{}, {}", VGXLidModel::availabilityName(c.availability().kind),
                                c.lastArmed() ? "armed" : "not armed");
  if (!c.availability().helperError.empty()) now += ": " + c.availability().helperError;
  if (now == logged_) return;
  logged_ = now;
  platform::Logger("closed-lid").log("Closed-lid mode: {}", now);
}

// Writes come in bursts; one decision after them is enough.
void VGXClosedLidFeature::recomputeSoon() {
  if (recomputeScheduled_.exchange(true)) return;
  platform::onMain(this, [](VGXClosedLidFeature& self) {
    self.recomputeScheduled_ = false;
    self.controller_->recompute(false);
  });
}

void VGXClosedLidFeature::followApproval() {
  if (!controller_->awaitingApproval()) {
    approvalTask_.reset();
    return;
  }
  if (approvalTask_) return;
  approvalTask_ = parts_.scheduler->schedule(
      kApprovalPollSeconds, true,
      weakly(this, [](VGXClosedLidFeature& self) { self.controller_->approvalTick(); }));
}

}  // namespace vigilix
