#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "direct/presence/presence_feature.h"

namespace vigilix {

// What the "Keep Chat Apps Active" settings section shows and does, over the
// feature. Turning the switch on the first time asks for the explanation
// first; nothing is written until it is confirmed. Main thread only.
class VGXPresenceSettingsModel {
 public:
  explicit VGXPresenceSettingsModel(std::shared_ptr<VGXPresenceFeature> feature);

  // Reads the policy, the stored switch and the access state again.
  void refresh();
  void setSwitch(bool on);
  // The explanation's buttons.
  void continueExplanation();
  void cancelExplanation();

  bool policyDenied() const { return policyDenied_; }
  // Off while the policy forces the feature off.
  bool switchShown() const { return switchOn_ && !policyDenied_; }
  VGXPresenceAccessState accessState() const { return accessState_; }
  bool showExplanation() const { return showExplanation_; }
  // The line under the switch while the pointer cannot be moved, naming why.
  std::optional<std::string> accessLine() const;
  std::string footer() const;

  // After every refresh and action.
  std::function<void()> onChange;

 private:
  void changed();

  std::shared_ptr<VGXPresenceFeature> feature_;
  bool policyDenied_ = false;
  bool switchOn_ = false;
  VGXPresenceAccessState accessState_ = VGXPresenceAccessState::notRequested;
  bool showExplanation_ = false;
};

namespace VGXPresenceTexts {
std::string title();
std::string explanation();
}  // namespace VGXPresenceTexts

}  // namespace vigilix
