#include "direct/presence/presence_rules.h"

#include <gtest/gtest.h>

#include <functional>

namespace vigilix {
namespace {

using Skip = VGXPresenceSkip;
using Decision = VGXPresenceDecision;
using Gates = VGXPresenceGates;

// Every gate open and the user idle long enough.
Gates passing() {
  return {true, true, true, false, false, true, VGXLockState::unlocked, true, 600};
}

TEST(PresenceRulesTest, NudgeGatesInOrder) {
  struct Row {
    const char* name;
    std::function<void(Gates&)> change;
    Decision expected;
  };
  const Row rows[] = {
      {"every gate open", {}, Decision::post()},
      {"everything closed: the first gate decides", [](Gates& g) { g = Gates{}; },
       Decision::skipped(Skip::disabled)},
      {"not awake", [](Gates& g) { g.effectiveAwake = false; }, Decision::skipped(Skip::notAwake)},
      {"no access, lid also closed",
       [](Gates& g) { g.hasPostEventAccess = false, g.lidClosed = true; },
       Decision::skipped(Skip::noAccess)},
      {"lid closed", [](Gates& g) { g.lidClosed = true; },
       Decision::skipped(Skip::lidClosedOrUnknown)},
      {"lid unknown", [](Gates& g) { g.lidClosed.reset(); },
       Decision::skipped(Skip::lidClosedOrUnknown)},
      {"no lid reads open", [](Gates& g) { g.lidClosed = lidClosedGate(VGXLidReading::noLid); },
       Decision::post()},
      {"lid service missing stays unknown",
       [](Gates& g) { g.lidClosed = lidClosedGate(VGXLidReading::unknown); },
       Decision::skipped(Skip::lidClosedOrUnknown)},
      {"closed-lid keep-awake armed", [](Gates& g) { g.closedLidArmed = true; },
       Decision::skipped(Skip::closedLidArmed)},
      {"every display asleep", [](Gates& g) { g.anyDisplayAwake = false; },
       Decision::skipped(Skip::displayAsleepOrUnknown)},
      {"displays unknown", [](Gates& g) { g.anyDisplayAwake.reset(); },
       Decision::skipped(Skip::displayAsleepOrUnknown)},
      {"locked", [](Gates& g) { g.lock = VGXLockState::locked; }, Decision::skipped(Skip::locked)},
      {"locked though not validated",
       [](Gates& g) { g.lock = VGXLockState::locked, g.lockValidated = false; },
       Decision::skipped(Skip::locked)},
      {"lock unknown", [](Gates& g) { g.lock = VGXLockState::unknown; },
       Decision::skipped(Skip::lockUnknown)},
      {"unlocked but only assumed", [](Gates& g) { g.lockValidated = false; },
       Decision::skipped(Skip::lockUnknown)},
      {"idle exactly a minute", [](Gates& g) { g.idleSeconds = 60.0; }, Decision::post()},
      {"idle just under a minute", [](Gates& g) { g.idleSeconds = 59.99; },
       Decision::skipped(Skip::notIdle)},
      {"idle time unknown", [](Gates& g) { g.idleSeconds.reset(); },
       Decision::skipped(Skip::notIdle)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Gates gates = passing();
    if (row.change) row.change(gates);
    EXPECT_EQ(VGXPresenceRules::decision(gates), row.expected);
  }
}

TEST(PresenceRulesTest, ReturnMove) {
  struct Row {
    const char* name;
    std::function<void(Gates&)> change;
    VGXPoint current;
    Decision expected;
  };
  const VGXPoint expected{101, 50};
  const Row rows[] = {
      {"where the nudge left it", {}, {101, 50}, Decision::post()},
      {"the nudge is recent input: idle not asked",
       [](Gates& g) { g.idleSeconds = 0; },
       {101, 50},
       Decision::post()},
      {"half a point off across", {}, {101.5, 50}, Decision::post()},
      {"half a point off down", {}, {101, 49.5}, Decision::post()},
      {"taken by the user across", {}, {101.51, 50}, Decision::skipped(Skip::pointerMoved)},
      {"taken by the user down", {}, {101, 50.51}, Decision::skipped(Skip::pointerMoved)},
      {"locked meanwhile",
       [](Gates& g) { g.lock = VGXLockState::locked; },
       {300, 300},
       Decision::skipped(Skip::locked)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Gates gates = passing();
    if (row.change) row.change(gates);
    EXPECT_EQ(VGXPresenceRules::returnDecision(gates, row.current, expected), row.expected);
  }
}

TEST(PresenceRulesTest, DisplayQueriesAndTarget) {
  const VGXRect left{0, 0, 1920, 1080};
  const VGXRect right{1920, 0, 1280, 1024};
  using Displays = std::optional<std::vector<VGXDisplay>>;
  struct Row {
    const char* name;
    Displays displays;
    VGXPoint pointer;
    std::optional<bool> anyAwake;
    VGXRect bounds;
    VGXPoint target;
  };
  const Row rows[] = {
      {"inside the first display",
       Displays{{{left, false}, {right, true}}},
       {100, 10},
       true,
       left,
       {101, 10}},
      {"asleep first, awake second",
       Displays{{{left, true}, {right, false}}},
       {2000, 10},
       true,
       right,
       {2001, 10}},
      {"one point from the right edge goes left",
       Displays{{{left, false}}},
       {1919, 5},
       true,
       left,
       {1918, 5}},
      {"a point and a half from the edge goes right",
       Displays{{{left, false}}},
       {1918.5, 5},
       true,
       left,
       {1919.5, 5}},
      {"outside every display: the first one's bounds",
       Displays{{{left, true}, {right, true}}},
       {-50, 5},
       false,
       left,
       {-49, 5}},
      {"no display", Displays{std::vector<VGXDisplay>{}}, {0, 0}, false, {0, 0, 1, 1}, {-1, 0}},
      {"displays cannot be listed", std::nullopt, {0.2, 0}, std::nullopt, {0, 0, 1, 1}, {-0.8, 0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(VGXPresenceRules::anyDisplayAwake(row.displays), row.anyAwake);
    const VGXRect bounds = VGXPresenceRules::displayBounds(row.displays, row.pointer);
    EXPECT_EQ(bounds, row.bounds);
    EXPECT_EQ(VGXPresenceRules::nudgeTarget(row.pointer, bounds), row.target);
  }
}

TEST(PresenceRulesTest, SkipRawValuesRoundTrip) {
  for (int i = 0; i <= static_cast<int>(Skip::pointerMoved); ++i) {
    const auto skip = static_cast<Skip>(i);
    SCOPED_TRACE(std::string(rawValue(skip)));
    EXPECT_EQ(presenceSkipFromRawValue(rawValue(skip)), skip);
  }
  EXPECT_EQ(rawValue(Skip::lidClosedOrUnknown), "lidClosedOrUnknown");
  EXPECT_EQ(presenceSkipFromRawValue("Locked"), std::nullopt);
  EXPECT_EQ(presenceSkipFromRawValue(""), std::nullopt);
}

}  // namespace
}  // namespace vigilix
