#include "core/dzl_app_updater.h"

#include <gtest/gtest.h>

#include "core/dzl_keys.h"
#include "testing/captured_log.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

TEST(AppUpdater, ReadsAndLogsTheFeedButLeavesUpdatesToThePackageManager) {
  struct Row {
    const char* name;
    bool preRelease;
    const char* feed;
  };
  const Row rows[] = {
      {"release", false, "https://vigilix.tarvo.run/appcast.xml"},
      {"pre-release", true, "https://vigilix.tarvo.run/prerelease-appcast.xml"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform platform;
    testing::CapturedLog log;
    DZLKeys::setDzl_preReleaseUpdatesEnabled(platform::UserDefaults::standard(), row.preRelease);
    DZLAppUpdater& updater = DZLAppUpdater::defaultAppUpdater();
    EXPECT_EQ(updater.feedURLStringForUpdater(), row.feed);
    EXPECT_TRUE(log.contains(std::string("Update feed ") + row.feed +
                             "; not checked: the package manager updates Vigilix"));
    EXPECT_EQ(updater.checkForUpdates(),
              "Vigilix is updated by your system\u2019s package manager.");
  }
}

}  // namespace
}  // namespace vigilix
