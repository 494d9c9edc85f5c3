#include "app/app_delegate.h"

#include <gtest/gtest.h>

#include <optional>

#include "core/dzl_launch_at_login.h"
#include "menubar/activation_durations_controller.h"
#include "menubar/global_shortcut_center.h"
#include "platform/base/shared_instances.h"
#include "testing/fake_hot_keys.h"
#include "testing/fake_login_item.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

TEST(AppDelegateTest, LaunchMovesTheFormerLoginSettingToTheLoginItem) {
  struct Row {
    const char* name;
    std::optional<bool> former;
    int registrations;
  };
  const Row rows[] = {
      {"no former setting", std::nullopt, 0},
      {"the former setting on", true, 1},
      {"the former setting off", false, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform platform;
    testing::FakeLoginItem item;
    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    defaults.set(kDZLDidShowWelcomeKey, true);
    if (row.former) defaults.set(kDZLLaunchAtLoginKey, *row.former);
    DZLAppDelegate(defaults, platform.now()).applicationDidFinishLaunching();
    EXPECT_EQ(item.registrations(), row.registrations);
    EXPECT_FALSE(defaults.object(kDZLLaunchAtLoginKey).has_value());
    platform::resetSharedInstances();
  }
}

}  // namespace
}  // namespace vigilix

namespace vigilix {
namespace {

TEST(AppDelegateTest, TheSettingsWindowIsMadeOnceAndOpensOnTheAskedPane) {
  struct Row {
    const char* name;
    bool welcomed;
    std::optional<std::string> pane;
    bool visible;
    std::size_t selected;
    bool welcome;
  };
  const Row rows[] = {
      {"the first run opens General with the welcome", false, std::nullopt, true, 0, true},
      {"a later run opens nothing, then the last pane", true, std::nullopt, false, 1, false},
      {"Edit Triggers opens the Triggers pane", true, "triggers", true, 2, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform platform;
    testing::FakeLoginItem item;
    testing::FakeHotKeys hotKeys;
    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    auto shortcuts = VGXGlobalShortcutCenter::create(defaults, hotKeys);
    defaults.set(kDZLDidShowWelcomeKey, row.welcomed);
    defaults.set(kVGXLastSettingsPaneKey, "durations");
    DZLActivationDurationsController durations(defaults);
    DZLAppDelegate delegate(defaults, platform.now());
    int made = 0;
    delegate.setSettingsWindowFactory([&] {
      ++made;
      return DZLSettingsWindow::make({defaults, durations, item, *shortcuts, std::nullopt, {}, {}});
    });
    delegate.applicationDidFinishLaunching();
    if (row.pane) delegate.showSettingsPane(*row.pane);
    platform.runUntilIdle();
    EXPECT_EQ(delegate.settingsWindow() && delegate.settingsWindow()->isVisible(), row.visible);
    delegate.showSettingsWindow();  // the same window again
    ASSERT_TRUE(delegate.settingsWindow());
    EXPECT_TRUE(delegate.settingsWindow()->isVisible());
    EXPECT_EQ(made, 1);
    EXPECT_EQ(delegate.settingsWindow()->selection().selectedIndex(), row.selected);
    EXPECT_EQ(delegate.settingsWindow()->attachedSheet() != nullptr, row.welcome);
    delegate.settingsWindow()->close();
    platform::resetSharedInstances();
  }
}

}  // namespace
}  // namespace vigilix
