#include "closedlid/closed_lid_settings_model.h"

#include <algorithm>

#include "closedlid/closed_lid_settings.h"

namespace vigilix {

namespace {

using enum VGXLidAvailabilityKind;
namespace Keys = VGXClosedLidKeys;

// Where the mode cannot run the switch is off; elsewhere it shows the
// setting, so that a switch turned off stays off and can be turned on again.
bool switchShowsOn(VGXLidAvailabilityKind kind, bool settingOn) {
  switch (kind) {
    case hidden:
    case removeOnly:
    case unsupportedMac:
    case unknownLid:
    case policyDisabled:
      return false;
    default:
      return settingOn;
  }
}

}  // namespace

std::vector<int> choicesWith(std::vector<int> choices, int current) {
  if (std::ranges::find(choices, current) == choices.end()) {
    choices.push_back(current);
    std::ranges::sort(choices);
  }
  return choices;
}

VGXClosedLidSettingsModel::VGXClosedLidSettingsModel(VGXClosedLidController& controller,
                                                     platform::UserDefaults& defaults,
                                                     Actions actions)
    : controller_(controller), defaults_(defaults), actions_(std::move(actions)) {
  refresh();
}

void VGXClosedLidSettingsModel::refresh() {
  const VGXLidAvailabilityKind kind = controller_.availability().kind;
  VGXClosedLidSectionState s;
  s.visible = kind != hidden;
  s.removalOnly = kind == removeOnly;
  s.switchOn = switchShowsOn(kind, controller_.settingOn());
  s.switchEnabled = VGXLidModel::allowsEnabling(kind) || kind == moveToApplications;
  s.reason = VGXLidModel::availabilityText(controller_.availability());
  s.showAskAgain = kind == needsApproval || kind == turnedOffInSettings;
  s.showTryAgain = kind == helperFailed;
  s.batteryFloor = controller_.batteryFloor();
  s.batteryCapHours = controller_.batteryCapHours();
  for (int floor : choicesWith({std::begin(VGXLidModel::kBatteryFloorChoices),
                                std::end(VGXLidModel::kBatteryFloorChoices)},
                               s.batteryFloor))
    s.floorChoices.push_back({floor, std::to_string(floor) + "%"});
  for (int hours : choicesWith(
           {std::begin(VGXLidModel::kCapHourChoices), std::end(VGXLidModel::kCapHourChoices)},
           s.batteryCapHours))
    s.capChoices.push_back({hours, VGXLidModel::capDurationText(hours)});
  s.floorManaged = defaults_.objectIsForced(Keys::batteryFloor);
  s.capManaged = defaults_.objectIsForced(Keys::batteryCapHours);
  s.endSessionOnLidOpen = defaults_.boolValue(Keys::endSessionOnLidOpen).value_or(false);
  s.showRemoveRetry = controller_.removeFailed();
  s.showRemove = controller_.isRegistered() && !s.showRemoveRetry;
  state_ = std::move(s);
}

void VGXClosedLidSettingsModel::setSwitch(bool on) {
  if (on) {
    controller_.requestEnable();
  } else {
    controller_.disable();
  }
  refresh();
}

void VGXClosedLidSettingsModel::askAgain() {
  if (actions_.askForApprovalAgain) actions_.askForApprovalAgain();
  refresh();
}

void VGXClosedLidSettingsModel::tryAgain() {
  controller_.requestEnable();
  refresh();
}

void VGXClosedLidSettingsModel::chooseFloor(int percent) {
  if (!state_.floorManaged) controller_.setBatteryFloor(percent);
  refresh();
}

void VGXClosedLidSettingsModel::chooseCap(int hours) {
  if (!state_.capManaged) controller_.setBatteryCapHours(hours);
  refresh();
}

void VGXClosedLidSettingsModel::setEndSessionOnLidOpen(bool on) {
  defaults_.set(Keys::endSessionOnLidOpen, on);
  refresh();
}

void VGXClosedLidSettingsModel::remove() {
  if (!actions_.confirmRemoval) return;
  actions_.confirmRemoval([this](bool confirmed) {
    if (confirmed) controller_.removeHelper();
    refresh();
  });
}

void VGXClosedLidSettingsModel::retryRemoval() {
  controller_.removeHelper();
  refresh();
}

}  // namespace vigilix
