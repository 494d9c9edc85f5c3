#include "closedlid/closed_lid_settings_section.h"

#include <algorithm>

#include "platform/base/localized.h"
#include "platform/notifications/notification_center.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/weakly.h"

namespace vigilix {

namespace {

using platform::localized;

std::shared_ptr<platform::View> row(std::vector<std::shared_ptr<platform::View>> views) {
  auto stack = platform::StackView::make(platform::StackView::Orientation::Horizontal, views);
  stack->setAlignment(platform::StackView::Alignment::Center);
  return stack;
}

std::shared_ptr<platform::Stepper> choiceStepper(const std::string& label) {
  auto stepper = std::make_shared<platform::Stepper>();
  stepper->setValueWraps(false);
  stepper->setAccessibilityLabel(label);
  // A picker: Tab reaches it and the arrow keys step it.
  stepper->setRefusesFirstResponder(false);
  return stepper;
}

// Points the stepper at `current` among `choices`.
void showChoice(platform::Stepper& stepper, platform::TextField& text,
                const std::vector<VGXClosedLidChoice>& choices, int current, bool managed) {
  stepper.setMinValue(0);
  stepper.setMaxValue(static_cast<double>(choices.size() - 1));
  const auto at = std::ranges::find(choices, current, &VGXClosedLidChoice::value);
  stepper.setIntegerValue(at == choices.end() ? 0 : at - choices.begin());
  stepper.setEnabled(!managed);
  text.setStringValue(at == choices.end() ? std::to_string(current) : at->label);
}

// The choice the stepper points at after a step.
int chosen(const platform::Stepper& stepper, const std::vector<VGXClosedLidChoice>& choices) {
  const auto index = static_cast<std::size_t>(std::max<std::int64_t>(0, stepper.integerValue()));
  return choices[std::min(index, choices.size() - 1)].value;
}

}  // namespace

std::shared_ptr<VGXClosedLidSettingsSection> VGXClosedLidSettingsSection::make(
    VGXClosedLidController& controller, platform::UserDefaults& defaults,
    VGXClosedLidSettingsModel::Actions actions) {
  auto section =
      std::make_shared<VGXClosedLidSettingsSection>(controller, defaults, std::move(actions));
  section->build();
  return section;
}

VGXClosedLidSettingsSection::VGXClosedLidSettingsSection(VGXClosedLidController& controller,
                                                         platform::UserDefaults& defaults,
                                                         VGXClosedLidSettingsModel::Actions actions)
    : model_(controller, defaults, std::move(actions)),
      section_(localized("Closed Lid", "closed-lid section")) {}

void VGXClosedLidSettingsSection::build() {
  std::weak_ptr<VGXClosedLidSettingsSection> weak =
      std::static_pointer_cast<VGXClosedLidSettingsSection>(shared_from_this());
  // Each control calls the model, then the section shows what came of it.
  auto act = [weak](auto call) {
    return platform::weakly(weak,
                            [call](VGXClosedLidSettingsSection& self, platform::Control& sender) {
                              call(self, sender);
                              self.render();
                            });
  };

  switch_ = platform::CheckBox::withTitle(
      localized(std::string(VGXLidModel::kMenuItemTitle), "closed-lid section"));
  switch_->setAction(act([](VGXClosedLidSettingsSection& self, platform::Control& sender) {
    self.model_.setSwitch(static_cast<platform::CheckBox&>(sender).isOn());
  }));
  reason_ = secondaryLine("");
  askAgain_ = platform::Button::withTitle(
      localized("Ask for the Administrator Password Again", "closed-lid section"));
  askAgain_->setAction(
      act([](VGXClosedLidSettingsSection& self, platform::Control&) { self.model_.askAgain(); }));
  tryAgain_ = platform::Button::withTitle(localized("Try Again", "closed-lid section"));
  tryAgain_->setAction(
      act([](VGXClosedLidSettingsSection& self, platform::Control&) { self.model_.tryAgain(); }));

  floor_ = choiceStepper(localized("Battery Floor", "closed-lid section"));
  floorText_ = platform::TextField::labelWithString("");
  floor_->setAction(act([](VGXClosedLidSettingsSection& self, platform::Control&) {
    self.model_.chooseFloor(chosen(*self.floor_, self.model_.state().floorChoices));
  }));
  floorRow_ =
      row({platform::TextField::labelWithString(localized("Battery Floor", "closed-lid section")),
           floorText_, floor_});
  cap_ = choiceStepper(localized("On Battery, Stop After", "closed-lid section"));
  capText_ = platform::TextField::labelWithString("");
  cap_->setAction(act([](VGXClosedLidSettingsSection& self, platform::Control&) {
    self.model_.chooseCap(chosen(*self.cap_, self.model_.state().capChoices));
  }));
  capRow_ = row({platform::TextField::labelWithString(
                     localized("On Battery, Stop After", "closed-lid section")),
                 capText_, cap_});
  floorManaged_ = secondaryLine(localized("Managed by your organization.", "closed-lid section"));
  capManaged_ = secondaryLine(localized("Managed by your organization.", "closed-lid section"));
  heatNote_ = secondaryLine(localized(std::string(VGXLidModel::kHeatNote), "closed-lid section"));
  endSession_ = platform::CheckBox::withTitle(
      localized("End Manual Session When I Open the Lid", "closed-lid section"));
  endSession_->setAction(act([](VGXClosedLidSettingsSection& self, platform::Control& sender) {
    self.model_.setEndSessionOnLidOpen(static_cast<platform::CheckBox&>(sender).isOn());
  }));
  remove_ = platform::Button::withTitle(localized("Remove Helper…", "closed-lid section"));
  remove_->setAction(
      act([](VGXClosedLidSettingsSection& self, platform::Control&) { self.model_.remove(); }));
  removeRetry_ = platform::Button::withTitle(
      localized("Couldn't remove the helper — Try Again", "closed-lid section"));
  removeRetry_->setAction(act(
      [](VGXClosedLidSettingsSection& self, platform::Control&) { self.model_.retryRemoval(); }));

  for (const auto& view : std::vector<std::shared_ptr<platform::View>>{
           switch_, reason_, askAgain_, tryAgain_, floorRow_, floorManaged_, capRow_, capManaged_,
           heatNote_, endSession_, remove_, removeRetry_})
    section_.addRow(view);
  section_.setFooter(localized(std::string(VGXLidModel::kLockNote), "closed-lid section"));
  addSubview(section_.view());

  observer_ = platform::NotificationCenter::defaultCenter().addObserver(
      kVGXClosedLidDidChangeNotification, nullptr, &platform::DispatchQueue::main(),
      platform::weakly(weak, [](VGXClosedLidSettingsSection& self) { self.render(); }));
  render();
}

void VGXClosedLidSettingsSection::render() {
  model_.refresh();
  const VGXClosedLidSectionState& s = model_.state();
  setHidden(!s.visible);
  const bool full = s.visible && !s.removalOnly;
  switch_->setHidden(!full);
  switch_->setState(s.switchOn ? platform::ControlStateValue::On
                               : platform::ControlStateValue::Off);
  switch_->setEnabled(s.switchEnabled);
  reason_->setHidden(!full || !s.reason);
  reason_->setStringValue(s.reason.value_or(""));
  askAgain_->setHidden(!full || !s.showAskAgain);
  tryAgain_->setHidden(!full || !s.showTryAgain);
  floorRow_->setHidden(!full);
  showChoice(*floor_, *floorText_, s.floorChoices, s.batteryFloor, s.floorManaged);
  floorManaged_->setHidden(!full || !s.floorManaged);
  capRow_->setHidden(!full);
  showChoice(*cap_, *capText_, s.capChoices, s.batteryCapHours, s.capManaged);
  capManaged_->setHidden(!full || !s.capManaged);
  heatNote_->setHidden(!full);
  endSession_->setHidden(!full);
  endSession_->setState(s.endSessionOnLidOpen ? platform::ControlStateValue::On
                                              : platform::ControlStateValue::Off);
  remove_->setHidden(!s.showRemove);
  removeRetry_->setHidden(!s.showRemoveRetry);
  // Rows come and go: the pane's sections below move with them.
  invalidateIntrinsicContentSize();
}

platform::Size VGXClosedLidSettingsSection::intrinsicContentSize() const {
  return section_.view()->fittingSize();
}

void VGXClosedLidSettingsSection::layout() { section_.view()->setFrame(bounds()); }

}  // namespace vigilix
