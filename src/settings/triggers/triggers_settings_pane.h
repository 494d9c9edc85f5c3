#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/notifications/notification_center.h"
#include "platform/runloop/run_loop.h"
#include "platform/ui/button.h"
#include "platform/ui/check_box.h"
#include "platform/ui/scroll_view.h"
#include "platform/ui/stack_view.h"
#include "platform/ui/text_field.h"
#include "settings/settings_pane_content.h"
#include "settings/settings_section.h"
#include "settings/triggers/triggers_apps_section.h"
#include "settings/triggers/triggers_conditions_sections.h"
#include "settings/triggers/triggers_pane_controls.h"
#include "settings/triggers/triggers_watching_section.h"

namespace vigilix {

// One quick-setup card: its button, caption and "Added" mark.
struct TriggersRecipeCardView {
  TriggerRecipe recipe;
  std::shared_ptr<platform::Button> button;
  std::shared_ptr<platform::TextField> added;
};

// The Triggers tab of the settings window: the agent and chat slots, the
// quick setups, the top switch, the apps, conditions, "Only While on
// Power", the schedule, the thresholds, the watches and the live "Right
// now" line, which a 2 s timer keeps current while the pane is on screen.
// Everything is disabled while the rules are managed. Ctrl+Z puts the last
// removed app back. Main thread only.
class VGXTriggersSettingsViewController final
    : public VGXSettingsPaneContent,
      public std::enable_shared_from_this<VGXTriggersSettingsViewController> {
 public:
  static constexpr double kFooterInterval = 2.0;

  static std::shared_ptr<VGXTriggersSettingsViewController> make(
      platform::UserDefaults& defaults, std::shared_ptr<TriggersSettingsHub> hub);
  VGXTriggersSettingsViewController(platform::UserDefaults& defaults,
                                    std::shared_ptr<TriggersSettingsHub> hub);
  ~VGXTriggersSettingsViewController() override;

  const std::shared_ptr<platform::View>& paneView() const override { return view_; }
  // Loads the stored rules and starts the footer timer.
  void paneDidAppear() override;
  void paneDidDisappear() override;
  // Shows the model: values, lists, enabled states, footers.
  void refresh();

  VGXTriggersSettingsModel& model() { return *model_; }
  const std::shared_ptr<platform::View>& agentSection() const { return agentSection_; }
  const std::shared_ptr<platform::View>& chatSection() const { return chatSection_; }
  const std::vector<TriggersRecipeCardView>& recipeCards() const { return cards_; }
  // The top switch and "Only While on Power".
  const std::shared_ptr<platform::CheckBox>& enableToggle() const { return enable_; }
  const std::shared_ptr<platform::CheckBox>& powerToggle() const { return power_; }
  const std::shared_ptr<platform::TextField>& switchFooter() const { return switchFooter_; }
  VGXTriggersAppsSection& apps() { return *apps_; }
  VGXTriggersConditionsSections& conditions() { return *conditions_; }
  VGXTriggersWatchingSection& watching() { return *watching_; }
  const std::shared_ptr<platform::TextField>& liveFooter() const { return liveFooter_; }
  bool isFooterTimerRunning() const { return footerTimer_ != nullptr; }

 private:
  void build();
  std::shared_ptr<platform::View> slotSection(const std::string& title, bool agent);
  void buildRecipes(VGXSettingsSection& section);
  void footerTick();

  platform::UserDefaults& defaults_;
  std::shared_ptr<TriggersSettingsHub> hub_;
  std::shared_ptr<VGXTriggersSettingsModel> model_;
  VGXTriggersPaneControls controls_;
  std::shared_ptr<platform::ScrollView> scroll_;
  std::shared_ptr<platform::View> view_;
  std::shared_ptr<platform::StackView> form_;
  std::vector<std::unique_ptr<VGXSettingsSection>> sections_;
  std::shared_ptr<platform::View> agentSection_;
  std::shared_ptr<platform::View> chatSection_;
  std::vector<TriggersRecipeCardView> cards_;
  std::shared_ptr<platform::CheckBox> enable_;
  std::shared_ptr<platform::CheckBox> power_;
  std::shared_ptr<platform::TextField> switchFooter_;
  std::unique_ptr<VGXTriggersAppsSection> apps_;
  std::unique_ptr<VGXTriggersConditionsSections> conditions_;
  std::unique_ptr<VGXTriggersWatchingSection> watching_;
  std::shared_ptr<platform::TextField> liveFooter_;
  std::shared_ptr<platform::Timer> footerTimer_;
  platform::ObserverHandle defaultsObserver_;
  platform::ObserverHandle watchesObserver_;
};

}  // namespace vigilix
