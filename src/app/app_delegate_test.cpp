#include "app/app_delegate.h"

#include <gtest/gtest.h>

#include <optional>

#include "core/dzl_launch_at_login.h"
#include "platform/base/shared_instances.h"
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
