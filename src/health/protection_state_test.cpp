#include "health/protection_state.h"

#include <gtest/gtest.h>

#include "testing/test_platform.h"

namespace vigilix {
namespace {

using State = VGXProtectionState;
constexpr const char* kSystem = "PreventUserIdleSystemSleep";
constexpr const char* kDisplay = "PreventUserIdleDisplaySleep";

VGXProtectionInputs wanted(std::set<std::string> expected,
                           std::optional<std::set<std::string>> observed) {
  VGXProtectionInputs inputs;
  inputs.intentAwake = true;
  inputs.expectedAssertionTypes = std::move(expected);
  inputs.observedAssertionTypes = std::move(observed);
  return inputs;
}

template <typename F>
VGXProtectionInputs with(VGXProtectionInputs inputs, F change) {
  change(inputs);
  return inputs;
}

TEST(ProtectionModelTest, TheFirstRuleThatAppliesDecides) {
  struct Row {
    const char* name;
    VGXProtectionInputs inputs;
    State expected;
  };
  const auto held = wanted({kSystem}, std::set<std::string>{kSystem, kDisplay});
  const Row rows[] = {
      {"clear failed wins even when not wanted",
       with(VGXProtectionInputs{}, [](auto& i) { i.closedLidClearFailed = true; }),
       State{State::closedLidClearFailed{}}},
      {"not wanted though paused",
       with(VGXProtectionInputs{}, [](auto& i) { i.pause = VGXPauseReason::heat; }),
       State{State::notExpected{}}},
      {"paused", with(held, [](auto& i) { i.pause = VGXPauseReason::lowPowerMode; }),
       State{State::deliberatePause{VGXPauseReason::lowPowerMode}}},
      {"armed without guard status", with(held, [](auto& i) { i.closedLidArmed = true; }),
       State{State::unknown{"closed-lid inspection failed"}}},
      {"armed without guard status, with an inspection error",
       with(held,
            [](auto& i) {
              i.closedLidArmed = true;
              i.inspectionError = "boom";
            }),
       State{State::unknown{"boom"}}},
      {"armed, guard not holding",
       with(held,
            [](auto& i) {
              i.closedLidArmed = true;
              i.closedLidHeldFresh = false;
            }),
       State{State::missing{}}},
      {"armed, fresh hold, nothing expected or observed",
       with(wanted({}, std::set<std::string>{}),
            [](auto& i) {
              i.closedLidArmed = true;
              i.closedLidHeldFresh = true;
            }),
       State{State::verified{}}},
      {"extra observed types do not matter", held, State{State::verified{}}},
      {"the wrong type is missing", wanted({kSystem}, std::set<std::string>{kDisplay}),
       State{State::missing{}}},
      {"no inspection decides over an empty expectation", wanted({}, std::nullopt),
       State{State::unknown{"inspection failed"}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(VGXProtectionModel::evaluate(row.inputs), row.expected);
    // A repair changes the inputs, never the verdict.
    const auto repaired = with(row.inputs, [](auto& i) { i.repairAttempted = true; });
    EXPECT_NE(repaired, row.inputs);
    EXPECT_EQ(VGXProtectionModel::evaluate(repaired), row.expected);
  }
}

TEST(ProtectionModelTest, HeaderTextsAndAttention) {
  testing::TestPlatform platform;
  struct Row {
    State state;
    std::optional<std::string> header;
    bool attention;
  };
  const Row rows[] = {
      {State{State::deliberatePause{VGXPauseReason::battery}},
       "Paused because your Mac's battery is low", false},
      {State{State::deliberatePause{VGXPauseReason::heat}}, "Paused because your Mac is hot",
       false},
      {State{State::deliberatePause{VGXPauseReason::closedLidLimit}}, "Lid-closed limit reached",
       false},
      {State{State::deliberatePause{VGXPauseReason::lowPowerMode}},
       "Paused because Low Power Mode is on", false},
      {State{State::unknown{"any"}}, "Couldn't check whether your Mac is protected", true},
      {State{State::missing{}}, "Vigilix couldn't keep your Mac awake", true},
      {State{State::closedLidClearFailed{}},
       "Vigilix couldn't turn sleep back on \u2014 Check Health\u2026", true},
      {State{State::notExpected{}}, std::nullopt, false},
      {State{State::verified{}}, std::nullopt, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.header.value_or("none"));
    EXPECT_EQ(row.state.headerText(), row.header);
    EXPECT_EQ(row.state.needsAttention(), row.attention);
  }
}

}  // namespace
}  // namespace vigilix
