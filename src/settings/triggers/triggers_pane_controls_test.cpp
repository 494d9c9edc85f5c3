#include "settings/triggers/triggers_pane_controls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hub/trigger_configuration_store.h"
#include "testing/test_platform.h"
#include "testing/test_user_defaults.h"

namespace vigilix {
namespace {

class CountingHub final : public TriggersSettingsHub {
 public:
  void reloadConfiguration() override { ++reloads; }
  void setAutomationEnabled(bool enabled) override { automation.push_back(enabled); }
  bool watchFileAt(const std::string&) override { return true; }
  TriggerPause pause() const override { return TriggerPause::none(); }
  std::vector<TriggerReason> currentReasons() const override { return {}; }
  StatusTextContext statusTextContext() const override { return {}; }
  std::vector<Watch> activeWatches() const override { return {}; }
  void stopWatch(const std::string&) override {}
  bool watchApp(std::int32_t) override { return false; }

  int reloads = 0;
  std::vector<bool> automation;
};

class TriggersPaneControlsTest : public ::testing::Test {
 protected:
  TriggerConfiguration stored() const { return VGXTriggerConfigurationStore::load(defaults); }
  std::unique_ptr<VGXTriggersSettingsModel> makeModel() {
    auto model = std::make_unique<VGXTriggersSettingsModel>(
        VGXTriggersSettingsModel::Collaborators{defaults, hub});
    model->load();
    return model;
  }

  testing::TestPlatform platform_;
  testing::TestUserDefaults defaults;
  std::shared_ptr<CountingHub> hub = std::make_shared<CountingHub>();
};

// Every switch, clicked on and off: the stored rules (read back through the
// defaults) hold its value, unless it is managed.
TEST_F(TriggersPaneControlsTest, EverySwitchWritesItsRuleUnlessManaged) {
  enum class Managed { no, rules, timeMachine };
  for (const Managed managed : {Managed::no, Managed::rules, Managed::timeMachine}) {
    for (const TriggersPaneToggle& toggle : triggersPaneToggles()) {
      SCOPED_TRACE(std::string(toggle.title) + " managed " +
                   std::to_string(static_cast<int>(managed)));
      defaults.removeForced(kTriggersDefaultsKey);
      defaults.removeForced(kDisableTimeMachineTriggerKey);
      defaults.remove(kTriggersDefaultsKey);
      if (managed == Managed::rules) defaults.setForced(kTriggersDefaultsKey, std::string("{}"));
      if (managed == Managed::timeMachine) defaults.setForced(kDisableTimeMachineTriggerKey, true);
      const bool inert = managed == Managed::rules ||
                         (managed == Managed::timeMachine &&
                          toggle.field == &TriggerConfiguration::whileTimeMachineBacksUp);
      const auto model = makeModel();
      VGXTriggersPaneControls controls(*model, defaults, hub);
      hub->automation.clear();
      EXPECT_EQ(controls.isEnabled(toggle), !inert);
      controls.setValue(toggle, true);
      EXPECT_EQ(stored().*toggle.field, !inert);
      EXPECT_EQ(controls.value(toggle), !inert);
      controls.setValue(toggle, false);
      EXPECT_FALSE(stored().*toggle.field);
      const bool top = toggle.field == &TriggerConfiguration::isEnabled;
      EXPECT_EQ(hub->automation,
                (top && !inert ? std::vector<bool>{true, false} : std::vector<bool>{}));
    }
  }
}

TEST_F(TriggersPaneControlsTest, FootersFollowWhatIsManaged) {
  struct Row {
    const char* name;
    bool rulesForced;
    bool timeMachineForced;
    std::string switchFooter;
    std::size_t conditionLines;
  };
  const std::string base = "Vigilix keeps your computer awake while any condition below matches.";
  const Row rows[] = {
      {"nothing managed", false, false, base, 2},
      {"the rules managed", true, false, "Managed by your organization.\n" + base, 2},
      {"the Time Machine condition managed", false, true, base, 3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    defaults.removeForced(kTriggersDefaultsKey);
    defaults.removeForced(kDisableTimeMachineTriggerKey);
    if (row.rulesForced) defaults.setForced(kTriggersDefaultsKey, std::string("{}"));
    if (row.timeMachineForced) defaults.setForced(kDisableTimeMachineTriggerKey, true);
    const auto model = makeModel();
    VGXTriggersPaneControls controls(*model, defaults, hub);
    EXPECT_EQ(controls.switchFooter(), row.switchFooter);
    const auto lines = controls.conditionsFooter();
    ASSERT_EQ(lines.size(), row.conditionLines);
    if (row.conditionLines == 3) {
      EXPECT_EQ(lines.back(), "Managed by your organization.");
    }
  }
}

TEST_F(TriggersPaneControlsTest, QuickSetupCardsApplyTheirRecipe) {
  for (const TriggerRecipe recipe : kAllTriggerRecipes) {
    SCOPED_TRACE(rawValue(recipe));
    defaults.remove(kTriggersDefaultsKey);
    const auto model = makeModel();
    VGXTriggersPaneControls controls(*model, defaults, hub);
    EXPECT_FALSE(controls.isApplied(recipe));
    controls.applyRecipe(recipe);
    EXPECT_TRUE(controls.isApplied(recipe));
    EXPECT_TRUE(isApplied(recipe, stored()));
    // The derived fields follow: the overnight recipe's threshold shows in MB/s.
    EXPECT_EQ(model->networkEnabled, stored().networkThresholdBytesPerSecond.has_value());
  }
  const auto model = makeModel();
  VGXTriggersPaneControls controls(*model, defaults, hub);
  EXPECT_EQ(controls.sustainExplanation(),
            "Activity must stay above or below the threshold for 30 seconds before the "
            "condition changes.");
}

}  // namespace
}  // namespace vigilix
