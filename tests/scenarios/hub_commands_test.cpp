#include <cmath>
#include <functional>
#include <limits>
#include <optional>

#include "core/dzl_keys.h"
#include "hub_fixture.h"
#include "menubar/deadline_picker.h"
#include "menubar/global_shortcut_center.h"
#include "testing/captured_log.h"
#include "testing/ui_driver.h"

namespace vigilix::scenarios {
namespace {

using Action = std::function<void(VGXTriggerBridge&)>;
constexpr double kTenYears = VGXTriggerBridge::kMaximumAheadSeconds;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

class HubCommandsTest : public HubScenario {
 public:
  // Errors logged under the hub's category so far.
  std::size_t errorsLogged() const {
    std::size_t errors = 0;
    for (const auto& entry : log.entries("hub")) errors += entry.level == platform::LogLevel::Error;
    return errors;
  }

  testing::CapturedLog log;
};

TEST_F(HubCommandsTest, DurationsAndDatesMustBeFiniteAndReachAtMostTenYearsAhead) {
  struct Row {
    const char* name;
    Action action;
    bool awake;
    std::optional<double> endOffset;  // of the session's end from now
    bool refusalLogged;
  };
  const std::vector<Row> rows = {
      {"a duration that is no number", [](auto& hub) { hub.keepAwakeForDuration(kNaN); }, false,
       std::nullopt, true},
      {"an infinite duration", [](auto& hub) { hub.keepAwakeForDuration(kInfinity); }, false,
       std::nullopt, true},
      {"a duration of a century", [](auto& hub) { hub.keepAwakeForDuration(100 * kTenYears); },
       true, kTenYears, false},
      {"a negative duration: indefinite", [](auto& hub) { hub.keepAwakeForDuration(-5); }, true,
       std::nullopt, false},
      {"an end that is no number", [](auto& hub) { hub.keepAwakeUntil(platform::Date(kNaN)); },
       false, std::nullopt, true},
      {"the distant future", [](auto& hub) { hub.keepAwakeUntil(platform::Date::distantFuture()); },
       true, kTenYears, false},
      {"an extension that is no number",
       [](auto& hub) {
         hub.keepAwakeForDuration(600);
         hub.extendManualSessionBy(kNaN);
       },
       true, 600, true},
      {"an extension past ten years",
       [](auto& hub) {
         hub.keepAwakeForDuration(600);
         hub.extendManualSessionBy(kTenYears);
       },
       true, kTenYears, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    hub.reset();
    defaults().remove(VGXTriggerBridge::awakeStateDefaultsKey);
    startHub();
    const std::size_t logged = errorsLogged();
    int manualStarts = 0;
    VGXTriggerBridge::slots().manualSessionStartHook = [&manualStarts] { ++manualStarts; };

    row.action(*hub);

    VGXTriggerBridge::slots().manualSessionStartHook = nullptr;
    EXPECT_EQ(manualStarts, row.awake ? 1 : 0) << "once before each start, never for a refusal";
    EXPECT_EQ(hub->isAwake(), row.awake);
    expectSessionEnd(row.endOffset);
    EXPECT_EQ(errorsLogged() > logged, row.refusalLogged);
  }
}

TEST_F(HubCommandsTest, CommandsShortcutAndPickersStartAndEndSessions) {
  struct Row {
    const char* name;
    double defaultInterval;
    std::function<void(HubCommandsTest&)> use;
    AwakeStatus::Kind primary;
    std::optional<double> endOffset;
  };
  const std::vector<Row> rows = {
      {"fifteen more minutes during an indefinite session: a new 900 s session", 0,
       [](auto& test) {
         test.hub->keepAwakeIndefinitely();
         test.hub->extendOrRestartFifteenMinutes();
       },
       AwakeStatus::Kind::manualUntil, 900},
      {"fifteen more minutes during a timed session: 900 s added", 0,
       [](auto& test) {
         test.hub->keepAwakeForDuration(600);
         test.hub->extendOrRestartFifteenMinutes();
       },
       AwakeStatus::Kind::manualUntil, 1500},
      {"toggle with a default of 1800: 30 minutes", 1800,
       [](auto& test) { test.hub->toggleKeepAwake(); }, AwakeStatus::Kind::manualUntil, 1800},
      {"toggle while awake stops", 0,
       [](auto& test) {
         test.hub->keepAwakeForDuration(600);
         test.hub->toggleKeepAwake();
       },
       AwakeStatus::Kind::idle, std::nullopt},
      {"the global shortcut toggles; a default of 0 is indefinite", 0,
       [](auto& test) {
         ASSERT_TRUE(
             VGXGlobalShortcutCenter::shared().setShortcut(40, platform::ModifierFlags::Command));
         ASSERT_TRUE(test.hotKeys.press(40, platform::HotKeyModifiers::Command));
         test.platform.runUntilIdle();
       },
       AwakeStatus::Kind::manualIndefinite, std::nullopt},
      {"the custom duration picker starts its length", 0,
       [](auto& test) {
         test.hub->presentCustomDurationPicker();
         testing::ui::click(*VGXDeadlinePicker::current()->startButton());
       },
       AwakeStatus::Kind::manualUntil, 3600},
      {"the until picker starts a session until its date", 0,
       [](auto& test) {
         test.hub->presentUntilPicker();
         auto picker = VGXDeadlinePicker::current();
         picker->datePicker()->chooseDate(test.now() + 7200);
         testing::ui::click(*picker->startButton());
       },
       AwakeStatus::Kind::manualUntil, 7200},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    hub.reset();
    defaults().remove(VGXTriggerBridge::awakeStateDefaultsKey);
    DZLKeys::setDzl_defaultTimeInterval(defaults(), row.defaultInterval);
    startHub();
    row.use(*this);
    EXPECT_EQ(hub->snapshot().primary.kind(), row.primary);
    expectSessionEnd(row.endOffset);
  }
}

TEST_F(HubCommandsTest, EveryReaderOfTheBatteryThresholdUsesTheOneRule) {
  struct Row {
    const char* name;
    std::optional<double> stored;
    double effective;
  };
  const std::vector<Row> rows = {
      {"absent", std::nullopt, 20}, {"zero", 0.0, 20}, {"negative", -3.0, 20},
      {"no number", kNaN, 20},      {"five", 5.0, 10}, {"thirty-five", 35.0, 35},
  };
  using Reader = std::function<double(HubCommandsTest&)>;
  const std::vector<std::pair<const char*, Reader>> readers = {
      {"creation", [](auto& test) { return test.hub->controller().batteryThreshold(); }},
      {"reload",
       [](auto& test) {
         test.hub->reloadConfiguration();
         return test.hub->controller().batteryThreshold();
       }},
      {"settings pass",
       [](auto& test) {
         test.defaults().set("some.user.setting", std::int64_t{1});
         test.platform.runUntilIdle();
         return test.hub->controller().batteryThreshold();
       }},
  };
  for (const Row& row : rows) {
    for (const auto& [reader, read] : readers) {
      SCOPED_TRACE(std::string(row.name) + " at " + reader);
      hub.reset();
      if (row.stored) {
        defaults().set(kDZLBatteryCapacityThresholdKey, *row.stored);
      } else {
        defaults().remove(kDZLBatteryCapacityThresholdKey);
      }
      startHub();
      EXPECT_EQ(effectiveBatteryThreshold(defaults()), row.effective);
      EXPECT_EQ(read(*this), row.effective);
    }
  }
}

}  // namespace
}  // namespace vigilix::scenarios
