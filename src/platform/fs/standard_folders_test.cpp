#include "platform/fs/standard_folders.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "testing/scoped_environment.h"
#include "testing/temporary_root.h"

namespace vigilix::platform {
namespace {

using Path = FileSystem::Path;
using Variable = std::optional<std::string>;

TEST(StandardFolders, FollowTheXdgVariablesHomeAndTheMovedRoot) {
  struct Places {
    Path preferences, managed, anyUser, logs, autostart, guardState, data, caches;
  };
  const Places underHome{
      "/home/ada/.config/vigilix",      "/etc/vigilix/managed",        "/etc/vigilix",
      "/home/ada/.local/state/vigilix", "/home/ada/.config/autostart", "/var/lib/vigilix",
      "/home/ada/.local/share/vigilix", "/home/ada/.cache/vigilix"};
  struct Row {
    const char* name;
    Variable configHome, stateHome, vigilixRoot, dataHome, cacheHome;
    Places expected;
  };
  const Row rows[] = {
      {"nothing set: under HOME and /", {}, {}, {}, {}, {}, underHome},
      {"XDG folders set",
       "/cfg",
       "/state/",
       {},
       "/data",
       "/cache",
       {"/cfg/vigilix", "/etc/vigilix/managed", "/etc/vigilix", "/state/vigilix", "/cfg/autostart",
        "/var/lib/vigilix", "/data/vigilix", "/cache/vigilix"}},
      {"relative XDG folders are ignored", "cfg", "", {}, "data", "cache", underHome},
      {"VIGILIX_ROOT moves the system folders only",
       "/cfg",
       {},
       "/tmp/r",
       {},
       {},
       {"/cfg/vigilix", "/tmp/r/etc/vigilix/managed", "/tmp/r/etc/vigilix",
        "/home/ada/.local/state/vigilix", "/cfg/autostart", "/tmp/r/var/lib/vigilix",
        "/home/ada/.local/share/vigilix", "/home/ada/.cache/vigilix"}},
      {"a relative VIGILIX_ROOT is ignored", {}, {}, "tmp/r", {}, {}, underHome},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::ScopedEnvironment environment;
    environment.set("HOME", "/home/ada");
    environment.set("XDG_CONFIG_HOME", row.configHome);
    environment.set("XDG_STATE_HOME", row.stateHome);
    environment.set("VIGILIX_ROOT", row.vigilixRoot);
    environment.set("XDG_DATA_HOME", row.dataHome);
    environment.set("XDG_CACHE_HOME", row.cacheHome);
    const Places& expected = row.expected;
    EXPECT_EQ(standardFolder(StandardFolder::userPreferences), expected.preferences);
    EXPECT_EQ(standardFolder(StandardFolder::appGroupPreferences), expected.preferences);
    EXPECT_EQ(standardFolder(StandardFolder::managedPreferences), expected.managed);
    EXPECT_EQ(standardFolder(StandardFolder::anyUserPreferences), expected.anyUser);
    EXPECT_EQ(standardFolder(StandardFolder::logs), expected.logs);
    EXPECT_EQ(standardFolder(StandardFolder::autostart), expected.autostart);
    EXPECT_EQ(FileSystem::pathFor("/var/lib/vigilix"), expected.guardState);
    EXPECT_EQ(standardFolder(StandardFolder::appData), expected.data);
    EXPECT_EQ(standardFolder(StandardFolder::caches), expected.caches);
  }
}

TEST(StandardFolders, ATestsHomeAndRootHideTheEnvironment) {
  testing::ScopedEnvironment environment;
  environment.set("XDG_CONFIG_HOME", "/cfg");
  environment.set("VIGILIX_ROOT", "/tmp/r");
  testing::TemporaryRoot root;
  EXPECT_EQ(standardFolder(StandardFolder::userPreferences), root.home() / ".config/vigilix");
  EXPECT_EQ(standardFolder(StandardFolder::managedPreferences),
            root.path() / "etc/vigilix/managed");
  EXPECT_EQ(propertyListFile(StandardFolder::logs, "a/b"),
            root.home() / ".local/state/vigilix/a_b.plist");
}

}  // namespace
}  // namespace vigilix::platform
