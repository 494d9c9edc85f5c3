#include "direct/presence/presence_settings_model.h"

#include "platform/base/localized.h"

namespace vigilix {

using platform::localized;

VGXPresenceSettingsModel::VGXPresenceSettingsModel(std::shared_ptr<VGXPresenceFeature> feature)
    : feature_(std::move(feature)) {
  refresh();
}

void VGXPresenceSettingsModel::refresh() {
  policyDenied_ = feature_->isPolicyDenied();
  switchOn_ = feature_->isSwitchStored() && !policyDenied_;
  accessState_ = feature_->accessState();
  changed();
}

void VGXPresenceSettingsModel::setSwitch(bool on) {
  if (!on) {
    feature_->setEnabled(false);
    refresh();
    return;
  }
  // The denied line says why; switching on would change nothing.
  if (policyDenied_ || accessState_ == VGXPresenceAccessState::denied) {
    changed();
    return;
  }
  if (!feature_->accessRequested()) {
    showExplanation_ = true;
    changed();
    return;
  }
  feature_->requestAccess();
  feature_->setEnabled(true);
  refresh();
}

void VGXPresenceSettingsModel::continueExplanation() {
  showExplanation_ = false;
  feature_->requestAccess();
  feature_->setEnabled(true);
  refresh();
}

void VGXPresenceSettingsModel::cancelExplanation() {
  showExplanation_ = false;
  switchOn_ = false;
  changed();
}

void VGXPresenceSettingsModel::changed() {
  if (onChange) onChange();
}

std::optional<std::string> VGXPresenceSettingsModel::accessLine() const {
  switch (accessState_) {
    case VGXPresenceAccessState::notRequested:
    case VGXPresenceAccessState::ready:
      return std::nullopt;
    case VGXPresenceAccessState::waiting:
      return localized("Waiting for permission to control your computer.",
                       "Keep Chat Apps: waiting for XTest");
    case VGXPresenceAccessState::denied:
      break;
  }
  switch (feature_->display()) {
    case VGXPresenceDisplay::wayland:
      return localized(
          "This session runs Wayland, which lets no application move the pointer. Log in to "
          "an X11 session to use Keep Chat Apps Active.",
          "Keep Chat Apps: denied under Wayland");
    case VGXPresenceDisplay::noXTest:
      return localized(
          "This X display has no XTest extension, through which Vigilix moves the pointer.",
          "Keep Chat Apps: denied without XTest");
    case VGXPresenceDisplay::noDisplay:
    case VGXPresenceDisplay::xtest:
      break;
  }
  return localized("Vigilix has no X display on which to move the pointer.",
                   "Keep Chat Apps: denied without a display");
}

std::string VGXPresenceSettingsModel::footer() const {
  if (policyDenied_) {
    return localized("Managed by your organization.", "Keep Chat Apps managed footer");
  }
  return localized(
      "Moves the pointer by one pixel and back once a minute while Vigilix keeps your computer "
      "awake and you're away. Some workplaces treat tools like this as against their attendance "
      "policy \u2014 check before you turn it on.",
      "Keep Chat Apps settings footer");
}

namespace VGXPresenceTexts {

std::string title() { return localized("Keep Chat Apps Active", "Keep Chat Apps master switch"); }

std::string explanation() {
  return localized(
      "Some chat apps mark you away when you haven't touched the mouse. Vigilix can move the "
      "pointer by one pixel and back once a minute while it keeps your computer awake and you're "
      "away. This needs permission "
      "to control your computer. Some workplaces treat tools like this as against their "
      "attendance policy \u2014 check before you turn it on.",
      "Keep Chat Apps explanation sheet");
}

}  // namespace VGXPresenceTexts

}  // namespace vigilix
