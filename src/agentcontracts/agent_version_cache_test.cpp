#include "agentcontracts/agent_version_cache.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <optional>
#include <string>

#include "platform/fs/fs_faults.h"
#include "testing/agent_files_fixture.h"

namespace vigilix {
namespace {

using platform::FileSystem;

class AgentVersionCacheTest : public AgentFilesTest {
 protected:
  AgentVersionCacheTest() {
    write(tool, "#!/bin/sh\n");
    touch(1'700'000'000, 250'000'000);
  }
  void touch(time_t seconds, long nanoseconds) const {
    const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    EXPECT_EQ(::utimensat(AT_FDCWD, tool.c_str(), times, 0), 0);
  }

  const std::filesystem::path tool = root.home() / "bin/claude";
  const std::filesystem::path cache = root.home() / "cache/tool-versions.json";
};

TEST_F(AgentVersionCacheTest, KeysNameThePathTheFileAndItsTime) {
  struct stat info {};
  ASSERT_EQ(::stat(tool.c_str(), &info), 0);
  EXPECT_EQ(VGXAgentVersionCache::cacheKey(tool),
            fmt::format("{}|{}:{}|1700000000.25", tool.string(), info.st_dev, info.st_ino));
  touch(1'700'000'001, 0);
  EXPECT_THAT(VGXAgentVersionCache::cacheKey(tool),
              ::testing::Optional(::testing::EndsWith("|1700000001.0")));
  touch(-1, 750'000'000);  // before 1970
  EXPECT_THAT(VGXAgentVersionCache::cacheKey(tool),
              ::testing::Optional(::testing::EndsWith("|-0.25")));
  EXPECT_EQ(VGXAgentVersionCache::cacheKey(root.home() / "missing"), std::nullopt);
  platform::FsFaults::inject(platform::FsFault::failing(platform::FsCall::statPath, EACCES));
  EXPECT_EQ(VGXAgentVersionCache::cacheKey(tool), std::nullopt);
}

TEST_F(AgentVersionCacheTest, StoresTrimmedVersionsAndReturnsOnlyUsableOnes) {
  const std::string key = *VGXAgentVersionCache::cacheKey(tool);
  const struct {
    const char* name;
    std::string stored;
    std::optional<std::string> found;
  } rows[] = {
      {"trimmed", " 2.0.1 (Claude Code)\n", "2.0.1 (Claude Code)"},
      {"cut to 64 characters", std::string(70, 'v'), std::string(64, 'v')},
      {"nothing but white space", " \t\n", std::nullopt},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(VGXAgentVersionCache::store(row.stored, tool, cache).has_value());
    EXPECT_EQ(VGXAgentVersionCache::cachedVersion(tool, cache), row.found);
  }
  ASSERT_TRUE(VGXAgentVersionCache::store("1.0", tool, cache).has_value());
  std::string escaped;  // the writer escapes "/" as the platform's does
  for (const char c : key) escaped += c == '/' ? std::string("\\/") : std::string(1, c);
  EXPECT_EQ(contents(cache), fmt::format("{{\n  \"{}\" : \"1.0\"\n}}", escaped));
  write(cache, fmt::format(R"({{"{}":"{}"}})", key, std::string(65, 'v')));
  EXPECT_EQ(VGXAgentVersionCache::cachedVersion(tool, cache), std::nullopt);

  ASSERT_TRUE(VGXAgentVersionCache::store("1.0", tool, cache).has_value());
  touch(1'700'000'002, 0);  // a rebuilt tool is not the one whose version was cached
  EXPECT_EQ(VGXAgentVersionCache::cachedVersion(tool, cache), std::nullopt);
}

TEST_F(AgentVersionCacheTest, ADamagedCacheIsKeptAsideAndAnUnreadableOneLeftAlone) {
  write(cache, R"({"k":1})");
  ASSERT_TRUE(VGXAgentVersionCache::store("2.0", tool, cache).has_value());
  EXPECT_EQ(VGXAgentVersionCache::cachedVersion(tool, cache), "2.0");
  EXPECT_EQ(damagedCopy(cache), R"({"k":1})");

  FileSystem::injectFailure(FileSystem::Operation::Read, cache, EIO);
  EXPECT_FALSE(VGXAgentVersionCache::store("3.0", tool, cache).has_value());
  FileSystem::clearInjectedFailures();
  EXPECT_EQ(VGXAgentVersionCache::cachedVersion(tool, cache), "2.0");
}

}  // namespace
}  // namespace vigilix
