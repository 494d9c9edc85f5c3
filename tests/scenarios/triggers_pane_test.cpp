#include <functional>

#include "hub/trigger_configuration_store.h"
#include "hub_fixture.h"
#include "settings/triggers/triggers_pane_controls.h"
#include "settings/triggers/triggers_settings_model.h"

namespace vigilix::scenarios {
namespace {

// The pane's edits reach the running hub: its rules, its automation switch
// and the live line it reads back.
TEST_F(HubScenario, TriggersPaneEditsReachTheHub) {
  using Act = std::function<void(VGXTriggersPaneControls&, VGXTriggersSettingsModel&)>;
  const auto toggle = [](const char* title) -> const TriggersPaneToggle& {
    for (const auto& row : triggersPaneToggles())
      if (std::string(row.title) == title) return row;
    throw std::invalid_argument(title);
  };
  struct Row {
    const char* name;
    Act act;
    bool automation;
    bool awake;
    std::string footer;
  };
  const Row rows[] = {
      {"nothing changed", {}, false, false, "Right now: no conditions match"},
      {"the adapter condition and the top switch",
       [&](auto& controls, auto&) {
         controls.setValue(toggle("Power Adapter Connected"), true);
         controls.setValue(toggle("Enable Automatic Keep-Awake"), true);
       },
       true, true, "Right now: power adapter connected"},
      {"a quick setup switches automation on; its display rule does not match",
       [](auto& controls, auto&) { controls.applyRecipe(TriggerRecipe::atMyDesk); }, true, false,
       "Right now: no conditions match"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    hub.reset();
    defaults().remove(kTriggersDefaultsKey);
    machine->next.isOnPowerAdapter = true;
    startHub();
    const auto pane = makeTriggersSettingsHub(hub);
    VGXTriggersSettingsModel model({defaults(), pane});
    model.load();
    VGXTriggersPaneControls controls(model, defaults(), pane);
    if (row.act) row.act(controls, model);
    platform.advance(60);
    model.refreshLiveFooter();
    EXPECT_EQ(hub->triggerConfiguration(), model.configuration());
    EXPECT_EQ(hub->isAutomationEnabled(), row.automation);
    EXPECT_EQ(hub->isAwake(), row.awake);
    EXPECT_EQ(model.liveFooter(), row.footer);
  }
}

// The pane's watch rows read the running hub, and "Stop" ends the watch
// there; an identifier the hub no longer knows changes nothing.
TEST_F(HubScenario, ThePanesWatchRowsFollowTheHub) {
  startHub();
  const auto pane = makeTriggersSettingsHub(hub);
  struct Row {
    const char* name;
    std::function<std::string(const std::string& id)> stopped;
    std::size_t left;
  };
  const Row rows[] = {
      {"its own identifier", [](const std::string& id) { return id; }, 0},
      {"an unknown one",
       [](const std::string&) { return std::string("6F9619FF-8B86-D011-B42D-00C04FC964FF"); }, 1},
      {"no identifier at all", [](const std::string&) { return std::string("not a uuid"); }, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    hub->stopKeepingAwake();
    ASSERT_TRUE(hub->watchProcessWithPid(platform.processes().start(), "make"));
    const auto watches = pane->activeWatches();
    ASSERT_EQ(watches.size(), 1u);
    EXPECT_EQ(watches[0].label(), "make");
    pane->stopWatch(row.stopped(watches[0].id.uuidString()));
    EXPECT_EQ(pane->activeWatches().size(), row.left);
    EXPECT_EQ(hub->activeWatches().size(), row.left);
  }
}

}  // namespace
}  // namespace vigilix::scenarios
