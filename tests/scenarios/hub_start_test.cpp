#include <functional>

#include "core/dzl_keys.h"
#include "hub_fixture.h"
#include "keepawake/focus_mode.h"

namespace vigilix::scenarios {
namespace {

class HubStartTest : public HubScenario {};

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
       [](auto& test) { EXPECT_TRUE(test.hub->isAwake()); }},
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

}  // namespace
}  // namespace vigilix::scenarios
