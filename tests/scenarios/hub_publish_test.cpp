#include <functional>

#include "hub_fixture.h"
#include "platform/power/thermal_state.h"

namespace vigilix::scenarios {
namespace {

using Action = std::function<void(VGXTriggerBridge&)>;

class HubPublishTest : public HubScenario {
 protected:
  // Records every settings write (the saved state in the standard defaults,
  // the control state in the app group) and the change notification.
  void recordPublishing() {
    observers.push_back(platform::NotificationCenter::defaultCenter().addObserver(
        platform::kUserDefaultsDidChangeNotification, nullptr, nullptr,
        [this](const platform::Notification& note) {
          events.push_back(note.object == &defaults() ? "save" : "control");
        }));
    observers.push_back(platform::NotificationCenter::defaultCenter().addObserver(
        kAwakeStateDidChangeNotification, hub.get(), nullptr,
        [this](const platform::Notification&) { events.push_back("notification"); }));
  }

  std::vector<platform::ObserverHandle> observers;
};

TEST_F(HubPublishTest, EveryChangeSavesArmsSharesTellsTheDelegateThenNotifiesInThatOrder) {
  struct Row {
    const char* name;
    Action before;
    Action action;
    std::vector<std::string> expected;
    double tickOffset;
  };
  const std::vector<Row> rows = {
      {"a timed session begins",
       {},
       [](auto& hub) { hub.keepAwakeForDuration(45); },
       {"save", "control", "delegate", "notification"},
       45},
      {"the session ends",
       [](auto& hub) { hub.keepAwakeForDuration(600); },
       [](auto& hub) { hub.endManualSession(); },
       {"save", "control", "delegate", "notification"},
       60},
      {"nothing shown changes: no control state written",
       [](auto& hub) { hub.keepAwakeIndefinitely(); },
       [](auto& hub) { hub.pauseOrResumeTriggers(); },
       {"save", "delegate", "notification"},
       60},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    hub.reset();
    startHub();
    if (row.before) row.before(*hub);
    platform.runUntilIdle();
    recordPublishing();
    events.clear();

    row.action(*hub);

    EXPECT_EQ(events, row.expected);
    auto saved = AwakeController::restore(
        *defaults().dataValue(VGXTriggerBridge::awakeStateDefaultsKey), now(), 20);
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->manual(), hub->controller().manual());
    events.clear();
    EXPECT_EQ(secondsUntilNextPublish(), row.tickOffset) << "the tick was armed";
    observers.clear();
  }
}

TEST_F(HubPublishTest, TheTickIsArmedForTheEarliestDueMoment) {
  struct Row {
    const char* name;
    bool restartOnActivity;
    Action action;
    double expectedOffset;
    bool idleReading = true;
  };
  auto heatCoolingFor = [this](double seconds) {
    return [this, seconds](VGXTriggerBridge& hub) {
      platform.power.thermal.setThermalState(platform::ThermalState::Serious);
      platform.runUntilIdle();
      platform.power.thermal.setThermalState(platform::ThermalState::Nominal);
      platform.runUntilIdle();
      platform.advance(seconds);
      hub.tickNow();
    };
  };
  const std::vector<Row> rows = {
      {"nothing pending: 60 s", false, [](auto& hub) { hub.tickNow(); }, 60},
      {"a session ending in 20 s", false, [](auto& hub) { hub.keepAwakeForDuration(20); }, 20},
      {"restart on activity, 10 minutes left: 30 s", true,
       [](auto& hub) { hub.keepAwakeForDuration(600); }, 30},
      {"restart on activity, 20 s left: the deadline", true,
       [](auto& hub) { hub.keepAwakeForDuration(20); }, 20},
      {"restart on activity does not apply to an until-a-time session", true,
       [this](auto& hub) { hub.keepAwakeUntil(now() + 600); }, 60},
      {"restart on activity with no idle reading: 60 s", true,
       [](auto& hub) { hub.keepAwakeForDuration(600); }, 60, false},
      {"heat cool-down began 270 s ago: its end", false, heatCoolingFor(270), 30},
      {"heat cool-down began 200 s ago: 60 s first", false, heatCoolingFor(200), 60},
      {"a date already past: at once", false, [this](auto& hub) { hub.keepAwakeUntil(now() - 5); },
       0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    hub.reset();
    defaults().set("VGXRestartTimerOnActivity", row.restartOnActivity);
    secondsSinceLastInput = nullptr;
    if (row.idleReading) secondsSinceLastInput = [] { return 5.0; };
    startHub();
    row.action(*hub);
    events.clear();
    EXPECT_EQ(secondsUntilNextPublish(), row.expectedOffset);
  }
}

TEST_F(HubPublishTest, AnUntilDateAlreadyPastKeepsTheMacAwakeForNoTimeAtAll) {
  startHub();
  hub->keepAwakeUntil(now() - 5);
  platform.runUntilIdle();
  EXPECT_FALSE(hub->isAwake());
  events.clear();
  EXPECT_EQ(secondsUntilNextPublish(), VGXTriggerBridge::kTickInterval);
}

TEST_F(HubPublishTest, ABurstOfSettingsChangesIsHandledInOnePass) {
  startHub();
  defaults().set("some.user.setting", 0);
  platform.runUntilIdle();
  const int publishesPerPass = count("delegate");
  ASSERT_GT(publishesPerPass, 0);

  for (int burst : {1, 10}) {
    SCOPED_TRACE(burst);
    events.clear();
    for (int i = 0; i < burst; ++i) defaults().set("some.user.setting", i + burst);
    EXPECT_EQ(count("delegate"), 0) << "the pass waits for the main queue";
    platform.runUntilIdle();
    EXPECT_EQ(count("delegate"), publishesPerPass);
  }
}

TEST_F(HubPublishTest, TheHubsOwnWritesStartNoSettingsPass) {
  struct Row {
    const char* name;
    Action action;
  };
  const std::vector<Row> rows = {
      {"the saved state and the control state", [](auto& hub) { hub.keepAwakeForDuration(600); }},
      {"the Focus mode", [](auto& hub) { hub.setFocusMode(VGXFocusMode::keepAwake); }},
  };
  startHub();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    events.clear();
    row.action(*hub);
    EXPECT_EQ(count("delegate"), 1);
    platform.runUntilIdle();
    EXPECT_EQ(count("delegate"), 1);
  }
}

TEST_F(HubPublishTest, APolicyChangeIsReappliedBeforeThePolicyChangeHookRuns) {
  struct Row {
    const char* name;
    std::function<void()> change;
    bool stopWhenHot;
  };
  const std::vector<Row> rows = {
      {"a managed key forced",
       [this] { platform.defaults.standard().setForced("VGXStopWhenHot", false); }, false},
      {"the key lifted", [this] { platform.defaults.standard().removeForced("VGXStopWhenHot"); },
       true},
  };
  startHub();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<bool> stopWhenHotSeen;
    VGXTriggerBridge::slots().policyChangeHook = [this, &stopWhenHotSeen] {
      stopWhenHotSeen.push_back(hub->controller().stopWhenHot());
    };
    row.change();
    platform.runUntilIdle();
    VGXTriggerBridge::slots().policyChangeHook = nullptr;
    ASSERT_FALSE(stopWhenHotSeen.empty());
    EXPECT_EQ(stopWhenHotSeen.front(), row.stopWhenHot) << "the policy applies first";
  }
}

}  // namespace
}  // namespace vigilix::scenarios
