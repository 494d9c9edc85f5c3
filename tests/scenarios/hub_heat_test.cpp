// Heat read from the machine's sensors stops keep-awake and lets it resume.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "hub_fixture.h"
#include "keepawake/awake_controller.h"
#include "platform/power/live_thermal_monitor.h"
#include "platform/power/thermal_state.h"
#include "testing/fake_proc_tree.h"

namespace vigilix::scenarios {
namespace {

using platform::ThermalState;

class HubHeatTest : public HubScenario {};

// Each row brings the hub to a state; the thermal state is followed (the
// live monitor polls) only while heat can change what is published.
TEST_F(HubHeatTest, TheThermalStateIsFollowedOnlyWhileHeatMatters) {
  struct Row {
    const char* name;
    bool stopWhenHot;
    std::function<void()> arrange;
    int followers;
  };
  const auto heat = [this](ThermalState state) {
    platform.power.thermal.setThermalState(state);
    platform.runUntilIdle();
  };
  const Row rows[] = {
      {"idle", true, [] {}, 0},
      {"kept awake", true, [this] { hub->keepAwakeIndefinitely(); }, 1},
      {"kept awake by a watched process", true,
       [this] { hub->watchProcessWithPid(platform.processes().start(), "make"); }, 1},
      {"kept awake with the heat rule off", false, [this] { hub->keepAwakeIndefinitely(); }, 0},
      {"stopped", true,
       [this] {
         hub->keepAwakeIndefinitely();
         hub->stopKeepingAwake();
       },
       0},
      {"blocked by heat", true,
       [&] {
         hub->keepAwakeIndefinitely();
         heat(ThermalState::Serious);
       },
       1},
      {"cooling down", true,
       [&] {
         hub->keepAwakeIndefinitely();
         heat(ThermalState::Critical);
         heat(ThermalState::Nominal);
       },
       1},
      {"cooled down, nothing left to keep awake", true,
       [&] {
         hub->keepAwakeIndefinitely();
         heat(ThermalState::Serious);
         heat(ThermalState::Nominal);
         platform.advance(AwakeController::kHeatCoolDownSeconds);
       },
       0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    hub.reset();
    platform.power.thermal.setThermalState(ThermalState::Nominal);
    defaults().set("VGXStopWhenHot", row.stopWhenHot);
    startHub();
    row.arrange();
    platform.runUntilIdle();
    EXPECT_EQ(platform.power.thermal.followers(), row.followers);
  }
  hub.reset();
  EXPECT_EQ(platform.power.thermal.followers(), 0) << "a released hub follows nothing";
}

// The live monitor on a /sys tree: a process watch keeps the machine awake
// while its processor heats up and cools down again. Each step lets
// `seconds` pass and then shows what is published.
TEST_F(HubHeatTest, HeatReadFromTheSensorsStopsKeepAwakeAndTheCoolDownResumesIt) {
  testing::FakeProcTree tree;
  platform::LiveThermalMonitor sensors(tree.root());
  platform::ThermalMonitor* replaced = platform::ThermalMonitor::setCurrent(&sensors);
  const auto cpu = [&](std::int64_t temperature) {
    tree.setHwmon("hwmon0", "coretemp", {{temperature, 84'000, 100'000}});
  };
  constexpr double kPoll = platform::LiveThermalMonitor::kChangePollInterval;
  struct Step {
    const char* name;
    std::function<void()> act;
    double seconds;
    bool awake;
    bool heatBlocked;
  };
  const Step steps[] = {
      {"a watched build keeps the machine awake",
       [&] { hub->watchProcessWithPid(platform.processes().start(), "make"); }, 0, true, false},
      {"the processor turns critically hot", [&] { cpu(99'000); }, kPoll, false, true},
      {"it cools down: the cool-down begins", [&] { cpu(50'000); }, kPoll, false, true},
      {"not yet at the cool-down's end", [] {}, AwakeController::kHeatCoolDownSeconds - kPoll,
       false, true},
      {"the cool-down is over: the watch counts again", [] {}, kPoll, true, false},
  };
  cpu(50'000);
  startHub();
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    step.act();
    platform.advance(step.seconds);
    EXPECT_EQ(hub->isAwake(), step.awake);
    EXPECT_EQ(hub->isHeatBlocked(), step.heatBlocked);
  }
  hub.reset();
  platform::ThermalMonitor::setCurrent(replaced);
}

}  // namespace
}  // namespace vigilix::scenarios
