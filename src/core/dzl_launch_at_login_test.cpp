#include "core/dzl_launch_at_login.h"

#include <gtest/gtest.h>

#include "testing/captured_log.h"
#include "testing/fake_login_item.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

using platform::LogLevel;
using platform::PropertyValue;

class LaunchAtLoginTest : public ::testing::Test {
 protected:
  testing::TestPlatform platform;
  testing::CapturedLog log;
  testing::FakeLoginItem item;
  platform::UserDefaults& defaults = platform::UserDefaults::standard();
};

TEST_F(LaunchAtLoginTest, TheSwitchReflectsTheLoginItemAndOnlyLogsFailures) {
  struct Row {
    const char* name;
    bool enable;
    std::optional<std::string> failure;
    bool enabledAfter;
    const char* logged;
  };
  const Row rows[] = {
      {"enable", true, {}, true, nullptr},
      {"disable fails", false, "busy", true, "Failed to unregister launch at login busy"},
      {"disable", false, {}, false, nullptr},
      {"enable fails", true, "read-only", false, "Failed to register launch at login read-only"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    log.clear();
    item.setFailure(row.failure);
    DZLLaunchAtLogin::setDzl_launchAtLoginEnabled(item, row.enable);
    EXPECT_EQ(DZLLaunchAtLogin::dzl_isLaunchAtLoginEnabled(item), row.enabledAfter);
    EXPECT_EQ(log.messages(),
              row.logged ? std::vector<std::string>{row.logged} : std::vector<std::string>{});
  }
}

TEST_F(LaunchAtLoginTest, TheFormerSettingMovesOnceAndIsRemoved) {
  struct Row {
    const char* name;
    std::optional<PropertyValue> stored;
    int registrations;
  };
  const Row rows[] = {
      {"no former setting", std::nullopt, 0},
      {"former setting off", PropertyValue(false), 0},
      {"former setting on", PropertyValue(true), 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::FakeLoginItem fresh;
    if (row.stored) defaults.set(kDZLLaunchAtLoginKey, *row.stored);
    DZLLaunchAtLogin::dzl_migrateLaunchAtLoginToAppServiceIfNeeded(fresh, defaults);
    EXPECT_EQ(fresh.registrations(), row.registrations);
    EXPECT_EQ(fresh.unregistrations(), 0);
    EXPECT_FALSE(defaults.object(kDZLLaunchAtLoginKey).has_value());
  }
}

}  // namespace
}  // namespace vigilix
