#include "settings/triggers/triggers_pane_controls.h"

#include <cmath>

#include "hub/trigger_configuration_store.h"
#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"
#include "policy/policy_gate.h"

namespace vigilix {

using platform::localized;

namespace {
constexpr const char* kManagedLine = "Managed by your organization.";
}

const std::vector<TriggersPaneToggle>& triggersPaneToggles() {
  static const std::vector<TriggersPaneToggle> toggles = {
      {"Enable Automatic Keep-Awake", "Triggers settings", "", &TriggerConfiguration::isEnabled},
      {"During Calls", "Triggers conditions", "Triggers conditions accessibility label",
       &TriggerConfiguration::duringCalls},
      {"While Audio Is Playing", "Triggers conditions", "Triggers conditions accessibility label",
       &TriggerConfiguration::whileAudioPlaying},
      {"While a Backup Is Running", "Triggers conditions",
       "Triggers conditions accessibility label", &TriggerConfiguration::whileTimeMachineBacksUp},
      {"Power Adapter Connected", "Triggers conditions", "",
       &TriggerConfiguration::whenOnPowerAdapter},
      {"External Display Connected", "Triggers conditions", "",
       &TriggerConfiguration::whenExternalDisplayConnected},
      {"Only While on Power", "Triggers settings", "", &TriggerConfiguration::onlyWhileOnPower},
  };
  return toggles;
}

const TriggersPaneToggle& triggersPaneToggle(bool TriggerConfiguration::*field) {
  for (const auto& toggle : triggersPaneToggles())
    if (toggle.field == field) return toggle;
  return triggersPaneToggles().front();
}

TriggersRecipeCard recipeCard(TriggerRecipe recipe) {
  const auto card = [](const char* title, const char* symbol, const char* caption) {
    return TriggersRecipeCard{localized(title, "Quick setup"), symbol,
                              localized(caption, "Quick setup caption")};
  };
  switch (recipe) {
    case TriggerRecipe::atMyDesk:
      return card("At My Desk", "desktopcomputer", "External display, on power");
    case TriggerRecipe::inCalls:
      return card("In Calls", "phone", "Microphone or camera in use");
    case TriggerRecipe::overnightDownload:
      return card("Overnight Download", "arrow.down.circle", "Network activity, on power");
    case TriggerRecipe::presenting:
      return card("Presenting", "play.rectangle", "LibreOffice or pdfpc focused");
  }
  return {};
}

VGXTriggersPaneControls::VGXTriggersPaneControls(VGXTriggersSettingsModel& model,
                                                 platform::UserDefaults& defaults,
                                                 std::shared_ptr<TriggersSettingsHub> hub)
    : model_(model), defaults_(defaults), hub_(std::move(hub)) {}

bool VGXTriggersPaneControls::isManaged() const {
  return defaults_.objectIsForced(kTriggersDefaultsKey);
}

bool VGXTriggersPaneControls::isTimeMachineInert() const {
  return VGXPolicyRuntime::enforcedBool(defaults_, kDisableTimeMachineTriggerKey).value_or(false);
}

bool VGXTriggersPaneControls::isEnabled(const TriggersPaneToggle& toggle) const {
  if (isManaged()) return false;
  return toggle.field != &TriggerConfiguration::whileTimeMachineBacksUp || !isTimeMachineInert();
}

bool VGXTriggersPaneControls::value(const TriggersPaneToggle& toggle) const {
  if (toggle.field == &TriggerConfiguration::whileTimeMachineBacksUp && isTimeMachineInert())
    return false;
  return model_.configuration().*toggle.field;
}

void VGXTriggersPaneControls::setValue(const TriggersPaneToggle& toggle, bool on) {
  // A control the renderer left clickable still writes nothing here.
  if (!isEnabled(toggle)) return;
  model_.editConfiguration(
      [&](TriggerConfiguration& configuration) { configuration.*toggle.field = on; });
  if (toggle.field == &TriggerConfiguration::isEnabled && hub_) hub_->setAutomationEnabled(on);
}

void VGXTriggersPaneControls::applyRecipe(TriggerRecipe recipe) {
  if (isManaged()) return;
  model_.editConfiguration(
      [recipe](TriggerConfiguration& configuration) { apply(recipe, configuration); });
  model_.load();
}

bool VGXTriggersPaneControls::isApplied(TriggerRecipe recipe) const {
  return vigilix::isApplied(recipe, model_.configuration());
}

std::string VGXTriggersPaneControls::switchFooter() const {
  const std::string base = localized(
      "Vigilix keeps your computer awake while any condition below matches.", "Triggers settings");
  if (!isManaged()) return base;
  return localized(kManagedLine, "Managed setting footer") + "\n" + base;
}

std::vector<std::string> VGXTriggersPaneControls::conditionsFooter() const {
  std::vector<std::string> lines = {
      localized("On when any microphone or camera is in use. Vigilix only checks whether they're "
                "in use \u2014 it never records.",
                "During Calls privacy explanation"),
      localized("Vigilix reads the current Wi-Fi name from NetworkManager only to match it. "
                "It is not stored elsewhere or shared.",
                "Wi-Fi name explanation"),
  };
  if (isTimeMachineInert() && VGXPolicyGate::isForced(defaults_, kDisableTimeMachineTriggerKey))
    lines.push_back(localized(kManagedLine, "Managed setting footer"));
  return lines;
}

std::string VGXTriggersPaneControls::sustainExplanation() const {
  const auto seconds = static_cast<long long>(std::llround(model_.configuration().sustainSeconds));
  return platform::fillPlaceholders(
      localized("Activity must stay above or below the threshold for %lld seconds before the "
                "condition changes.",
                "Threshold sustain explanation"),
      {std::to_string(seconds)});
}

}  // namespace vigilix
