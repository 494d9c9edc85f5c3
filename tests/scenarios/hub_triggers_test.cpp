#include <functional>

#include "hub/trigger_configuration_store.h"
#include "hub_fixture.h"
#include "triggers/trigger_configuration_json.h"

namespace vigilix::scenarios {
namespace {

class HubTriggersTest : public HubScenario {
 public:
  void storeRules(bool enabled, bool onAdapter) {
    TriggerConfiguration rules;
    rules.isEnabled = enabled;
    rules.whenOnPowerAdapter = onAdapter;
    VGXTriggerConfigurationStore::save(rules, defaults());
  }
  void forceRules(bool enabled) {
    TriggerConfiguration rules;
    rules.isEnabled = enabled;
    rules.whenOnPowerAdapter = true;
    const std::string json = encodeTriggerConfiguration(rules).value();
    platform.defaults.standard().setForced(kTriggersDefaultsKey,
                                           platform::Bytes(json.begin(), json.end()));
  }
};

// The machine is read only while automatic keep-awake is on, and the
// decision the monitor hands over is the one the hub keeps awake for.
TEST_F(HubTriggersTest, TheMachineIsReadOnlyWhileAutomationIsOn) {
  using Act = std::function<void(HubTriggersTest&)>;
  struct Row {
    const char* name;
    bool enabled;
    Act act;
    bool sampledLastMinute;
    bool decided;  // the monitor's decision keeps awake
    bool awake;
  };
  const Row rows[] = {
      {"automation off: nothing is read", false, {}, false, false, false},
      {"automation on: the adapter rule keeps awake", true, {}, true, true, true},
      {"turned off by the menu: reading stops, the reasons go", true,
       [](auto& t) { t.hub->setAutomationEnabled(false); }, false, false, false},
      {"turned on by the menu: reading starts", false,
       [](auto& t) { t.hub->setAutomationEnabled(true); }, true, true, true},
      // The state machine takes automation from the stored rules at a reload.
      {"turned on by the settings: reading starts without a reload", false,
       [](auto& t) { t.storeRules(true, true); }, true, true, false},
      {"turned on by the settings, then reloaded", false,
       [](auto& t) { t.storeRules(true, true), t.hub->reloadConfiguration(); }, true, true, true},
      {"a rule dropped by the settings reaches the monitor", true,
       [](auto& t) { t.storeRules(true, false); }, true, false, false},
      {"turned on by a managed policy: reading starts", false,
       [](auto& t) {
         t.forceRules(true);
         t.hub->handleWakeOrClockChange();
       },
       true, true, true},
      {"turned off by a managed policy: reading stops", true,
       [](auto& t) {
         t.forceRules(false);
         t.hub->handleWakeOrClockChange();
       },
       false, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    hub.reset();
    platform.defaults.standard().removeForced(kTriggersDefaultsKey);
    machine->next.isOnPowerAdapter = true;
    storeRules(row.enabled, true);
    startHub();
    if (row.act) row.act(*this);
    platform.runUntilIdle();
    const int before = machine->readings;
    platform.advance(60);
    EXPECT_EQ(machine->readings > before, row.sampledLastMinute);
    EXPECT_EQ(hub->isAwake(), row.awake);
    EXPECT_EQ(hub->currentDecision().shouldKeepAwake, row.decided);
    if (row.sampledLastMinute) {
      EXPECT_EQ(machine->asked.power, hub->triggerConfiguration().whenOnPowerAdapter);
    }
  }
}

}  // namespace
}  // namespace vigilix::scenarios
