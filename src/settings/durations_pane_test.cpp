#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "menubar/activation_durations_controller.h"
#include "platform/base/property_value.h"
#include "settings/add_duration_form.h"
#include "settings/durations_pane_state.h"
#include "testing/test_user_defaults.h"

namespace vigilix {
namespace {

using Result = DZLAddDurationForm::Result;
using Field = std::optional<std::int64_t>;

constexpr double kHour = 3600;

class DurationsPaneTest : public ::testing::Test {
 protected:
  testing::TestUserDefaults defaults;
};

TEST_F(DurationsPaneTest, AddingClampsOutOfRangeFieldsAndReportsRefusals) {
  struct Row {
    const char* name;
    Field hours, minutes, seconds;
    Result result;
    Field shownHours, shownMinutes, shownSeconds;
    std::optional<std::string> message;
    bool added;
  };
  const Row rows[] = {
      {"hours of 1000 become 999", 1000, 10, 0, Result::Invalid, 999, 10, 0,
       DZLAddDurationForm::kInvalidMessage, false},
      {"minutes of 75 become 59 with valid hours", 2, 75, 0, Result::Invalid, 2, 59, 0,
       DZLAddDurationForm::kInvalidMessage, false},
      {"seconds of 60 become 59", 0, 1, 60, Result::Invalid, 0, 1, 59,
       DZLAddDurationForm::kInvalidMessage, false},
      {"checks stop at the first clamp", 1000, 75, 75, Result::Invalid, 999, 75, 75,
       DZLAddDurationForm::kInvalidMessage, false},
      {"empty fields become zero and zero is invalid", std::nullopt, std::nullopt, std::nullopt,
       Result::Invalid, 0, 0, 0, DZLAddDurationForm::kInvalidMessage, false},
      {"a negative field is invalid", -1, 59, 0, Result::Invalid, -1, 59, 0,
       DZLAddDurationForm::kInvalidMessage, false},
      {"one in the list already is a duplicate", 1, 0, 0, Result::Duplicate, 1, 0, 0,
       DZLAddDurationForm::kDuplicateMessage, false},
      {"a new one is added", 3, 0, 5, Result::Added, 3, 0, 5, std::nullopt, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    defaults.remove(kDZLDurationsKey);
    DZLActivationDurationsController controller(defaults);
    std::size_t before = controller.activationDurations().size();
    DZLAddDurationForm form(controller);
    form.hours = row.hours;
    form.minutes = row.minutes;
    form.seconds = row.seconds;
    EXPECT_EQ(form.add(), row.result);
    EXPECT_EQ(form.hours, row.shownHours);
    EXPECT_EQ(form.minutes, row.shownMinutes);
    EXPECT_EQ(form.seconds, row.shownSeconds);
    EXPECT_EQ(form.errorMessage, row.message);
    EXPECT_EQ(controller.activationDurations().size(), before + (row.added ? 1 : 0));
    form.beginEditing();
    EXPECT_EQ(form.errorMessage, std::nullopt);
  }
}

TEST_F(DurationsPaneTest, PressingAddAgainAfterAClampAddsTheClampedDuration) {
  DZLActivationDurationsController controller(defaults);
  DZLAddDurationForm form(controller);
  form.hours = 1000;
  form.minutes = 10;
  EXPECT_EQ(form.add(), Result::Invalid);
  EXPECT_EQ(form.add(), Result::Added);
  EXPECT_THAT(controller.activationDurations(),
              ::testing::Contains(DZLActivationDuration(999 * kHour + 600)));
}

TEST_F(DurationsPaneTest, ControlsFollowTheSelectionAndTheEntryLimit) {
  struct Row {
    const char* name;
    std::size_t stored;  // besides the indefinite entry
    std::optional<std::size_t> selected;
    DZLDurationsPaneControls controls;
  };
  const Row rows[] = {
      {"no selection", 5, std::nullopt, {false, false, true}},
      {"the indefinite row cannot go", 5, 0, {true, false, true}},
      {"a stored row can go", 5, 1, {true, true, true}},
      {"41 entries: one more may be added", 40, 1, {true, true, true}},
      {"42 entries: add is disabled", 41, 1, {true, true, false}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    platform::PropertyArray list;
    for (std::size_t i = 1; i <= row.stored; ++i) list.push_back(static_cast<double>(i * 60));
    defaults.set(kDZLDurationsKey, list);
    DZLActivationDurationsController controller(defaults);
    ASSERT_EQ(controller.activationDurations().size(), row.stored + 1);
    EXPECT_EQ(DZLDurationsPaneControls::forSelection(controller, row.selected), row.controls);
  }
}

}  // namespace
}  // namespace vigilix
