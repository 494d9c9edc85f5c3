#include <functional>

#include "core/dzl_keys.h"
#include "hub_fixture.h"
#include "keepawake/focus_mode.h"

namespace vigilix::scenarios {
namespace {

class HubStartTest : public HubScenario {};

TEST_F(HubStartTest, ASecondStartOnlyReloadsAndRefreshes) {
  startHub();
  const auto monitor = hub->monitor();
  const auto holds = hub->agentHoldController();
  ASSERT_TRUE(monitor && holds);
  EXPECT_EQ(holds->store().maxTTL(), VGXTriggerBridge::kAgentHoldMaxTTL);

  defaults().set(kDZLBatteryCapacityThresholdKey, 40.0);
  hub->start();

  EXPECT_EQ(hub->monitor(), monitor);
  EXPECT_EQ(hub->agentHoldController(), holds);
  EXPECT_EQ(hub->controller().batteryThreshold(), 40);
  EXPECT_GE(count("delegate"), 1);
}

TEST_F(HubStartTest, CreationAndStartReadWhatWasStored) {
  struct Row {
    const char* name;
    std::function<void(platform::UserDefaults&)> store;
    std::function<void(HubStartTest&)> expect;
  };
  const std::vector<Row> rows = {
      {"the legacy external-display switch becomes a trigger, once",
       [](auto& defaults) { defaults.set(kDZLActivateOnExternalDisplayConnectedEnabledKey, true); },
       [](auto& test) {
         const TriggerConfiguration configuration = test.hub->triggerConfiguration();
         EXPECT_TRUE(configuration.isEnabled && configuration.whenExternalDisplayConnected);
         EXPECT_TRUE(test.hub->isAutomationEnabled());
         EXPECT_FALSE(test.defaults().object(kDZLActivateOnExternalDisplayConnectedEnabledKey));
       }},
      {"a stored Focus mode keeps awake",
       [](auto& defaults) { defaults.set(kFocusModeDefaultsKey, "keepAwake"); },
       [](auto& test) {
         EXPECT_EQ(test.hub->storedFocusMode(), VGXFocusMode::keepAwake);
         EXPECT_TRUE(test.hub->isAwake());
       }},
      {"Low Power Mode with its monitoring on ends a restored session",
       [](auto& defaults) {
         AwakeController saved(platform::Date(), 20);
         saved.startIndefinite(platform::Date());
         defaults.set(VGXTriggerBridge::awakeStateDefaultsKey, saved.encodedState());
         DZLKeys::setDzl_lowPowerModeMonitoringEnabled(defaults, true);
       },
       [](auto& test) {
         EXPECT_FALSE(test.hub->isManualSession());
         EXPECT_TRUE(test.hub->isLowPowerModeBlocked());
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestDefaultsEnvironment fresh;
    platform.power.lowPowerMode.setLowPowerModeEnabled(true);
    hub.reset();
    row.store(defaults());
    startHub();
    row.expect(*this);
    hub.reset();
    // Shared instances made in this row hold its defaults.
    platform::resetSharedInstances();
  }
}

TEST_F(HubStartTest, AStopEndsEveryAgentHoldSoNoneComesBackWithTheNextChange) {
  startHub();
  hub->keepAwakeIndefinitely();
  const auto hold = [](std::string nonce, std::string tool) {
    return VGXCLIv2Request{.nonce = nonce,
                           .verb = VGXCLIv2Verb::hold,
                           .id = tool + ":s1",
                           .ttl = 600,
                           .tool = tool,
                           .seq = 1};
  };
  hub->agentHoldController()->handle(hold("n-1", "claude"));
  const auto generation = hub->controller().stopGeneration();

  hub->stopKeepingAwake();

  EXPECT_FALSE(hub->isAwake());
  EXPECT_EQ(hub->controller().stopGeneration(), generation + 1);
  EXPECT_TRUE(hub->controller().agentReasons().empty());
  EXPECT_TRUE(hub->agentHoldController()->store().snapshot().empty());

  hub->agentHoldController()->handle(hold("n-2", "codex"));
  platform.runUntilIdle();
  EXPECT_EQ(hub->controller().agentReasons(), std::vector{TriggerReason::agent("codex")});
}

}  // namespace
}  // namespace vigilix::scenarios
