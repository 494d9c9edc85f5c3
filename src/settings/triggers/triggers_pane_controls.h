#pragma once

#include <string>
#include <vector>

#include "platform/defaults/user_defaults.h"
#include "settings/triggers/triggers_settings_model.h"
#include "triggers/trigger_recipes.h"

namespace vigilix {

inline constexpr const char* kDisableTimeMachineTriggerKey = "VGXDisableTimeMachineTrigger";

// One switch of the Triggers pane and the rule it edits.
struct TriggersPaneToggle {
  const char* title;
  const char* comment;
  // The label read to accessibility; empty: the title serves.
  const char* accessibilityComment;
  bool TriggerConfiguration::*field;
};

// The pane's switches in screen order: the top switch, the conditions, then
// "Only While on Power".
const std::vector<TriggersPaneToggle>& triggersPaneToggles();
// The switch of one rule.
const TriggersPaneToggle& triggersPaneToggle(bool TriggerConfiguration::*field);

// The texts of one quick-setup card.
struct TriggersRecipeCard {
  std::string title;
  std::string symbol;
  std::string caption;
};
TriggersRecipeCard recipeCard(TriggerRecipe recipe);

// The rules of the pane's controls over its model: what is managed, what a
// switch or card writes, and the footers. Main thread only.
class VGXTriggersPaneControls {
 public:
  VGXTriggersPaneControls(VGXTriggersSettingsModel& model, platform::UserDefaults& defaults,
                          std::shared_ptr<TriggersSettingsHub> hub);

  // The rules are forced by managed preferences: every control is disabled.
  bool isManaged() const;
  // The policy forces the backup condition off: it reads off, ignores clicks.
  bool isTimeMachineInert() const;
  bool isEnabled(const TriggersPaneToggle& toggle) const;

  bool value(const TriggersPaneToggle& toggle) const;
  // Writes the switch's rule and saves; the top switch also tells the hub.
  void setValue(const TriggersPaneToggle& toggle, bool on);
  // Applies the recipe, saves, and reloads the model's derived fields.
  void applyRecipe(TriggerRecipe recipe);
  bool isApplied(TriggerRecipe recipe) const;

  std::string switchFooter() const;
  std::vector<std::string> conditionsFooter() const;
  std::string sustainExplanation() const;

 private:
  VGXTriggersSettingsModel& model_;
  platform::UserDefaults& defaults_;
  std::shared_ptr<TriggersSettingsHub> hub_;
};

}  // namespace vigilix
