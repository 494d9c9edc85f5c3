#include "health/protection_state.h"

#include <gtest/gtest.h>

#include "testing/test_platform.h"

namespace vigilix {
namespace {

using State = VGXProtectionState;
constexpr const char* kSystem = "logind lock sleep (block)";
constexpr const char* kDisplay = "logind lock idle:sleep (block)";

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
  testing::TestPlatform platform;
  struct Row {
    const char* name;
    VGXProtectionInputs inputs;
    State expected;
    std::optional<std::string> header;  // the menu header's text
  };
  const auto held = wanted({kSystem}, std::set<std::string>{kSystem, kDisplay});
  const Row rows[] = {
      {"clear failed wins even when not wanted",
       with(VGXProtectionInputs{}, [](auto& i) { i.closedLidClearFailed = true; }),
       State{State::closedLidClearFailed{}},
       "Vigilix couldn't turn sleep back on \u2014 Check Health\u2026"},
      {"not wanted though paused",
       with(VGXProtectionInputs{}, [](auto& i) { i.pause = VGXPauseReason::heat; }),
       State{State::notExpected{}}, std::nullopt},
      {"paused", with(held, [](auto& i) { i.pause = VGXPauseReason::lowPowerMode; }),
       State{State::deliberatePause{VGXPauseReason::lowPowerMode}},
       "Paused because Low Power Mode is on"},
      {"paused by the battery", with(held, [](auto& i) { i.pause = VGXPauseReason::battery; }),
       State{State::deliberatePause{VGXPauseReason::battery}},
       "Paused because your computer's battery is low"},
      {"paused by the closed-lid limit",
       with(held, [](auto& i) { i.pause = VGXPauseReason::closedLidLimit; }),
       State{State::deliberatePause{VGXPauseReason::closedLidLimit}}, "Lid-closed limit reached"},
      {"armed without guard status", with(held, [](auto& i) { i.closedLidArmed = true; }),
       State{State::unknown{"closed-lid inspection failed"}},
       "Couldn't check whether your computer is protected"},
      {"armed without guard status, with an inspection error",
       with(held,
            [](auto& i) {
              i.closedLidArmed = true;
              i.inspectionError = "boom";
            }),
       State{State::unknown{"boom"}}, "Couldn't check whether your computer is protected"},
      {"armed, guard not holding",
       with(held,
            [](auto& i) {
              i.closedLidArmed = true;
              i.closedLidHeldFresh = false;
            }),
       State{State::missing{}}, "Vigilix couldn't keep your computer awake"},
      {"armed, fresh hold, nothing expected or observed",
       with(wanted({}, std::set<std::string>{}),
            [](auto& i) {
              i.closedLidArmed = true;
              i.closedLidHeldFresh = true;
            }),
       State{State::verified{}}, std::nullopt},
      {"extra observed types do not matter", held, State{State::verified{}}, std::nullopt},
      {"the wrong type is missing", wanted({kSystem}, std::set<std::string>{kDisplay}),
       State{State::missing{}}, "Vigilix couldn't keep your computer awake"},
      {"no inspection decides over an empty expectation", wanted({}, std::nullopt),
       State{State::unknown{"inspection failed"}},
       "Couldn't check whether your computer is protected"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(VGXProtectionModel::evaluate(row.inputs), row.expected);
    EXPECT_EQ(row.expected.headerText(), row.header);
    // A repair changes the inputs, never the verdict.
    const auto repaired = with(row.inputs, [](auto& i) { i.repairAttempted = true; });
    EXPECT_NE(repaired, row.inputs);
    EXPECT_EQ(VGXProtectionModel::evaluate(repaired), row.expected);
  }
}

}  // namespace
}  // namespace vigilix
