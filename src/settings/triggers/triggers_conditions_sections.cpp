#include "settings/triggers/triggers_conditions_sections.h"

#include "health/direct_availability.h"
#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"
#include "platform/ui/font.h"
#include "platform/ui/number_formatter.h"
#include "platform/ui/stepper.h"
#include "settings/triggers/triggers_pane_rows.h"

namespace vigilix {

using platform::localized;

namespace {

std::shared_ptr<platform::StackView> vertical() {
  auto stack = std::make_shared<platform::StackView>(platform::StackView::Orientation::Vertical);
  stack->setSpacing(6);
  return stack;
}

}  // namespace

std::shared_ptr<platform::CheckBox> makeRuleToggle(VGXTriggersPaneControls& controls,
                                                   const TriggersPaneToggle& toggle) {
  auto box = platform::CheckBox::withTitle(localized(toggle.title, toggle.comment));
  if (*toggle.accessibilityComment)
    box->setAccessibilityLabel(localized(toggle.title, toggle.accessibilityComment));
  box->setAction([&controls, &toggle](platform::Control& sender) {
    auto& self = static_cast<platform::CheckBox&>(sender);
    controls.setValue(toggle, self.isOn());
    // An inert switch shows the rule again.
    self.setState(checkState(controls.value(toggle)));
  });
  return box;
}

VGXTriggersConditionsSections::VGXTriggersConditionsSections(
    std::shared_ptr<VGXTriggersSettingsModel> model, VGXTriggersPaneControls& controls)
    : model_(std::move(model)),
      controls_(controls),
      conditions_(localized("Conditions", "Triggers conditions")),
      schedule_(localized("Schedule", "Triggers schedule")),
      advanced_(std::nullopt) {
  buildConditions();
  buildSchedule();
  buildAdvanced();
  refresh();
}

void VGXTriggersConditionsSections::buildConditions() {
  const bool TriggerConfiguration::*const order[] = {
      &TriggerConfiguration::duringCalls, &TriggerConfiguration::whileAudioPlaying,
      &TriggerConfiguration::whileTimeMachineBacksUp, &TriggerConfiguration::whenOnPowerAdapter,
      &TriggerConfiguration::whenExternalDisplayConnected};
  for (auto field : order) {
    const TriggersPaneToggle& toggle =
        triggersPaneToggle(const_cast<bool TriggerConfiguration::*>(field));
    if (field == &TriggerConfiguration::whileTimeMachineBacksUp &&
        !VGXDirectAvailability::isDirectBuild()) {
      // Without the backup trigger the row only says where it comes with.
      auto note = secondaryLine(
          localized("Comes with the version from vigilix.tarvo.run.", "Backup trigger note"));
      note->setFont(platform::Font::systemFont(platform::Font::smallSystemFontSize()));
      conditions_.addRow(triggersPaneLine(
          {platform::TextField::labelWithString(localized(toggle.title, toggle.comment)), note}));
      continue;
    }
    auto box = makeRuleToggle(controls_, toggle);
    toggles_[toggle.title] = box;
    conditions_.addRow(box);
  }
  auto label =
      platform::TextField::labelWithString(localized("Wi-Fi Networks", "Triggers Wi-Fi row label"));
  networks_ = vertical();
  conditions_.addRow(label);
  conditions_.addRow(networks_);
  addNetwork_ = platform::Button::withTitle(localized("Add Current Network", "Triggers Wi-Fi"));
  addNetwork_->setAction([this](platform::Control&) { model_->addCurrentNetwork(); });
  wifiStatus_ = secondaryLine("");
  conditions_.addRow(triggersPaneLine({addNetwork_}));
  conditions_.addRow(wifiStatus_);
}

void VGXTriggersConditionsSections::buildSchedule() {
  scheduleToggle_ = platform::CheckBox::withTitle(
      localized("Keep Awake on a Schedule", "Triggers schedule toggle"));
  scheduleToggle_->setAction([this](platform::Control& sender) {
    model_->setScheduleEnabled(static_cast<platform::CheckBox&>(sender).isOn());
  });
  schedule_.addRow(scheduleToggle_);
  scheduleBody_ = vertical();
  auto days = triggersPaneLine({platform::TextField::labelWithString(
      localized("Weekdays", "Triggers schedule weekdays row"))});
  weekdayItems_ = model_->weekdayItems();
  for (const WeekdayItem& item : weekdayItems_) {
    auto box = platform::CheckBox::withTitle(item.abbreviation);
    box->setAccessibilityLabel(item.fullName);
    box->setAction([this, weekday = item.weekday](platform::Control& sender) {
      model_->setWeekday(weekday, static_cast<platform::CheckBox&>(sender).isOn());
    });
    days->addArrangedSubview(box);
    weekdays_.push_back(box);
  }
  scheduleBody_->addArrangedSubview(days);
  start_ = std::make_shared<platform::DatePicker>();
  start_->setAccessibilityLabel(localized("Start", "Triggers schedule"));
  start_->setAction([this](platform::Control&) {
    model_->setScheduleStart(start_->dateValue());
    model_->applyScheduleTimes();
  });
  end_ = std::make_shared<platform::DatePicker>();
  end_->setAccessibilityLabel(localized("End", "Triggers schedule"));
  end_->setAction([this](platform::Control&) {
    model_->setScheduleEnd(end_->dateValue());
    model_->applyScheduleTimes();
  });
  scheduleBody_->addArrangedSubview(triggersPaneLine(
      {platform::TextField::labelWithString(localized("Start", "Triggers schedule")), start_,
       platform::TextField::labelWithString(localized("End", "Triggers schedule")), end_}));
  message_ = secondaryLine("");
  scheduleBody_->addArrangedSubview(message_);
  schedule_.addRow(scheduleBody_);
  schedule_.setFooter(localized(
      "Uses your computer's time zone. A schedule keeps an awake computer awake; it does not "
      "wake a sleeping computer.",
      "Triggers schedule"));
}

void VGXTriggersConditionsSections::buildAdvanced() {
  advancedButton_ = platform::Button::withTitle("");
  advancedButton_->setAction([this](platform::Control&) {
    model_->advancedExpanded = !model_->advancedExpanded;
    refresh();
  });
  advanced_.addRow(advancedButton_);
  advancedBody_ = vertical();
  for (const ThresholdRow& row : thresholdRows()) {
    TriggersThresholdControls shown{row, platform::CheckBox::withTitle(row.toggleTitle), nullptr,
                                    makeThresholdEditor(model_, row)};
    if (row.enabled == &VGXTriggersSettingsModel::diskEnabled)
      shown.toggle->setAccessibilityLabel(
          localized("Disk Activity", "Disk toggle accessibility label"));
    shown.toggle->setAction([this, row](platform::Control& sender) {
      (*model_).*row.enabled = static_cast<platform::CheckBox&>(sender).isOn();
      ((*model_).*row.apply)();
    });
    shown.above = triggersPaneLine({platform::TextField::labelWithString(
                                        localized("Above", "Triggers advanced threshold row")),
                                    shown.editor});
    advancedBody_->addArrangedSubview(shown.toggle);
    advancedBody_->addArrangedSubview(shown.above);
    thresholds_.push_back(std::move(shown));
  }
  sustain_ = secondaryLine("");
  advancedBody_->addArrangedSubview(sustain_);
  advancedBody_->addArrangedSubview(secondaryLine(
      localized("These can match during backups and indexing.", "Triggers advanced")));
  advanced_.addRow(advancedBody_);
}

std::shared_ptr<platform::CheckBox> VGXTriggersConditionsSections::toggleTitled(
    const std::string& title) const {
  const auto found = toggles_.find(title);
  return found == toggles_.end() ? nullptr : found->second;
}

void VGXTriggersConditionsSections::refreshNetworks() {
  const auto& names = model_->configuration().wifiNetworkNames;
  if (names == shownNetworks_) return;
  shownNetworks_ = names;
  retiredNetworks_ = std::move(removeNetwork_);
  removeNetwork_.clear();
  networks_->removeAllArrangedSubviews();
  for (const std::string& name : names) {
    auto remove = platform::Button::withTitle("\u2212");
    remove->setAccessibilityLabel(
        platform::fillPlaceholders(localized("Remove Wi-Fi network %@", "Triggers Wi-Fi"), {name}));
    remove->setAction([this, name](platform::Control&) {
      model_->editConfiguration([&](TriggerConfiguration& configuration) {
        std::erase(configuration.wifiNetworkNames, name);
      });
    });
    networks_->addArrangedSubview(
        triggersPaneLine({platform::TextField::labelWithString(name), remove}));
    removeNetwork_.push_back(remove);
  }
}

void VGXTriggersConditionsSections::refresh() {
  for (const auto& toggle : triggersPaneToggles()) {
    const auto box = toggleTitled(toggle.title);
    if (!box) continue;
    box->setState(checkState(controls_.value(toggle)));
    box->setEnabled(controls_.isEnabled(toggle));
  }
  refreshNetworks();
  networks_->setHidden(shownNetworks_.empty());
  const auto& status = model_->wifiStatusText();
  wifiStatus_->setStringValue(status.value_or(""));
  wifiStatus_->setHidden(!status);
  const auto footer = controls_.conditionsFooter();
  std::string lines;
  for (const auto& line : footer) lines += (lines.empty() ? "" : "\n") + line;
  conditions_.setFooter(lines);

  scheduleToggle_->setState(checkState(model_->scheduleEnabled()));
  scheduleBody_->setHidden(!model_->scheduleEnabled());
  const auto& schedule = model_->configuration().schedule;
  for (std::size_t i = 0; i < weekdays_.size(); ++i)
    weekdays_[i]->setState(
        checkState(schedule && schedule->weekdays.contains(weekdayItems_[i].weekday)));
  start_->setDateValue(model_->scheduleStart());
  end_->setDateValue(model_->scheduleEnd());
  const auto& message = model_->scheduleValidationMessage();
  message_->setStringValue(message.value_or(""));
  message_->setHidden(!message);

  advancedButton_->setTitle((model_->advancedExpanded ? "\u25BE " : "\u25B8 ") +
                            localized("Advanced", "Triggers advanced"));
  advancedBody_->setHidden(!model_->advancedExpanded);
  for (const auto& shown : thresholds_) {
    const bool on = (*model_).*shown.row.enabled;
    shown.toggle->setState(checkState(on));
    shown.above->setHidden(!on);
    // The editor shows what the model holds after a load.
    const double value = (*model_).*shown.row.value;
    const auto parts = shown.editor->arrangedSubviews();
    auto* field = dynamic_cast<platform::TextField*>(parts[0].get());
    auto* stepper = dynamic_cast<platform::Stepper*>(parts[1].get());
    if (field && stepper && stepper->doubleValue() != value) {
      stepper->setDoubleValue(value);
      if (const auto formatter = field->formatter())
        field->setStringValue(formatter->stringFromNumber(value));
    }
  }
  sustain_->setStringValue(controls_.sustainExplanation());
  for (auto* section : {&conditions_, &schedule_, &advanced_})
    section->view()->setNeedsLayout(true);
}

}  // namespace vigilix
