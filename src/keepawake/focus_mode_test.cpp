#include "keepawake/focus_mode.h"

#include <gtest/gtest.h>

#include "keepawake/awake_controller.h"
#include "testing/test_user_defaults.h"

namespace vigilix {
namespace {

const VGXFocusEvaluation kAsleep{};
const VGXFocusEvaluation kAwake{true, TriggerReason::focus(), "While your Focus is on"};

TEST(VGXFocusModeRawValue, ExactlyTheThreeSpellings) {
  EXPECT_EQ(focusModeFromRawValue("off"), VGXFocusMode::off);
  EXPECT_EQ(focusModeFromRawValue("whileOnPower"), VGXFocusMode::whileOnPower);
  EXPECT_EQ(focusModeFromRawValue("keepAwake"), VGXFocusMode::keepAwake);
  for (const char* raw : {"KeepAwake", "keepawake", "WHILEONPOWER", "", " off", "on"}) {
    EXPECT_FALSE(focusModeFromRawValue(raw).has_value()) << raw;
  }
  for (auto mode : {VGXFocusMode::off, VGXFocusMode::whileOnPower, VGXFocusMode::keepAwake}) {
    EXPECT_EQ(focusModeFromRawValue(rawValue(mode)), mode);
  }
}

TEST(VGXFocusModeJson, IsTheRawValueAsAString) {
  EXPECT_EQ(encodeFocusModeJson(VGXFocusMode::whileOnPower), R"("whileOnPower")");
  EXPECT_EQ(decodeFocusModeJson(R"("keepAwake")"), VGXFocusMode::keepAwake);
  EXPECT_FALSE(decodeFocusModeJson(R"("Off")").has_value());
  EXPECT_FALSE(decodeFocusModeJson(R"({"off":{}})").has_value());
  EXPECT_FALSE(decodeFocusModeJson("off").has_value());
}

TEST(VGXFocusModeStorage, UnknownOrMissingValuesReadAsOff) {
  testing::TestUserDefaults defaults;
  EXPECT_EQ(loadFocusMode(defaults), VGXFocusMode::off);
  storeFocusMode(defaults, VGXFocusMode::keepAwake);
  EXPECT_EQ(defaults.stringValue("run.tarvo.vigilix.FocusMode"), "keepAwake");
  EXPECT_EQ(loadFocusMode(defaults), VGXFocusMode::keepAwake);

  defaults.set(kFocusModeDefaultsKey, "KeepAwake");
  EXPECT_EQ(loadFocusMode(defaults), VGXFocusMode::off);
  defaults.set(kFocusModeDefaultsKey, true);
  EXPECT_EQ(loadFocusMode(defaults), VGXFocusMode::off);
}

TEST(VGXFocusModeEvaluate, KeepsAwakeAlwaysOrOnlyOnPower) {
  EXPECT_EQ(evaluate(VGXFocusMode::off, true), kAsleep);
  EXPECT_EQ(evaluate(VGXFocusMode::off, false), kAsleep);
  EXPECT_EQ(evaluate(VGXFocusMode::keepAwake, false), kAwake);
  EXPECT_EQ(evaluate(VGXFocusMode::keepAwake, true), kAwake);
  EXPECT_EQ(evaluate(VGXFocusMode::whileOnPower, false), evaluate(VGXFocusMode::off, false));
  EXPECT_EQ(evaluate(VGXFocusMode::whileOnPower, true), kAwake);
}

TEST(FocusModeTracker, TouchesTheControllerOnlyWhenTheOutcomeChanges) {
  AwakeController controller(platform::Date(0), 20);
  FocusModeTracker tracker(VGXFocusMode::whileOnPower);

  EXPECT_TRUE(tracker.apply(/*onPower=*/false, controller));  // first evaluation always applies
  EXPECT_TRUE(controller.focusReasons().empty());
  EXPECT_EQ(tracker.lastEvaluation(), kAsleep);

  EXPECT_TRUE(tracker.apply(/*onPower=*/true, controller));  // plugged in
  EXPECT_EQ(controller.focusReasons(), std::vector<TriggerReason>{TriggerReason::focus()});

  // Same outcome: the controller's Focus reasons are left alone.
  controller.setFocusActive(false);
  EXPECT_FALSE(tracker.apply(/*onPower=*/true, controller));
  EXPECT_TRUE(controller.focusReasons().empty());

  tracker.setMode(VGXFocusMode::off);
  EXPECT_TRUE(tracker.apply(/*onPower=*/true, controller));
  EXPECT_TRUE(controller.focusReasons().empty());
  EXPECT_EQ(tracker.mode(), VGXFocusMode::off);
}

}  // namespace
}  // namespace vigilix
