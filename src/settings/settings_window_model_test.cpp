#include <gtest/gtest.h>

#include "platform/base/property_value.h"
#include "settings/settings_pane_selection.h"
#include "settings/user_defaults_setting.h"
#include "testing/test_user_defaults.h"

namespace vigilix {
namespace {

using platform::PropertyDictionary;

TEST(SettingsPaneSelectionTest, RestoringDoesNotWriteAndEveryLaterChoiceDoes) {
  struct Row {
    const char* name;
    std::optional<std::string> stored;
    std::size_t restored;
  };
  const Row rows[] = {
      {"nothing stored opens General", std::nullopt, 0},
      {"a stored pane opens", "triggers", 2},
      {"a pane that no longer exists leaves the first", "agents", 0},
      {"an empty identifier leaves the first", "", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestUserDefaults defaults;
    if (row.stored) defaults.set(kVGXLastSettingsPaneKey, *row.stored);
    VGXSettingsPaneSelection selection(defaults);
    selection.restoreLastPane();
    EXPECT_EQ(selection.selectedIndex(), row.restored);
    EXPECT_EQ(defaults.stringValue(kVGXLastSettingsPaneKey), row.stored);
    selection.selectPaneFromUserInfo({{"identifier", "durations"}});
    EXPECT_EQ(defaults.stringValue(kVGXLastSettingsPaneKey), "durations");
  }
}

TEST(SettingsPaneSelectionTest, TheSelectNotificationTakesAnIdentifierOrAnIndexInRange) {
  struct Row {
    const char* name;
    PropertyDictionary userInfo;
    std::size_t selected;
  };
  const Row rows[] = {
      {"identifier durations", {{"identifier", "durations"}}, 1},
      {"empty identifier, index 2", {{"identifier", ""}, {"index", 2}}, 2},
      {"index as a real", {{"index", 2.0}}, 2},
      {"index 3 is past the end", {{"index", 3}}, 0},
      {"index -1", {{"index", -1}}, 0},
      {"a huge real", {{"index", 1e300}}, 0},
      {"neither key", {}, 0},
      {"an unknown identifier", {{"identifier", "agents"}, {"index", 1}}, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestUserDefaults defaults;
    VGXSettingsPaneSelection selection(defaults);
    selection.selectPaneFromUserInfo(row.userInfo);
    EXPECT_EQ(selection.selectedIndex(), row.selected);
  }
}

TEST(UserDefaultsSettingTest, OffStoresFalseAndOnlyResetReturnsToTheRegisteredDefault) {
  struct Row {
    const char* name;
    std::optional<bool> set;
    bool reset;
    std::optional<platform::PropertyValue> stored;
    bool value;
  };
  const Row rows[] = {
      {"switching off stores false over a registered true", false, false, false, false},
      {"switching on stores true", true, false, true, true},
      {"reset removes the key", false, true, std::nullopt, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestUserDefaults defaults;
    defaults.registerDefaults({{"run.tarvo.vigilix.AllowDisplaySleep", true}});
    DZLUserDefaultsSetting setting(defaults, "Allow the display to sleep",
                                   "run.tarvo.vigilix.AllowDisplaySleep");
    if (row.set) setting.setValue(*row.set);
    if (row.reset) setting.reset();
    EXPECT_EQ(defaults.userValue(setting.key()), row.stored);
    EXPECT_EQ(setting.value(), row.value);
  }
}

}  // namespace
}  // namespace vigilix
