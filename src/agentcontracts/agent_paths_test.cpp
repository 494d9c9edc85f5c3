#include "agentcontracts/agent_paths.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/scoped_environment.h"
#include "testing/temporary_root.h"

namespace vigilix {
namespace {

using testing::ScopedEnvironment;

TEST(AgentPathsTest, FollowTheOverridesThenXdgThenTheHomeFolder) {
  testing::TemporaryRoot root;
  const std::string home = root.home().string();
  struct Row {
    const char* name;
    const char* support;
    const char* state;
    const char* cache;
    const char* cacheHome;
    std::string supportFolder;
    std::string cacheFolder;
  };
  const Row rows[] = {
      {"nothing set", nullptr, nullptr, nullptr, nullptr, home + "/.local/state/vigilix",
       home + "/.cache/vigilix"},
      {"empty overrides count as unset", "", "", "", "", home + "/.local/state/vigilix",
       home + "/.cache/vigilix"},
      {"XDG folders", nullptr, "/xdg/state", nullptr, "/xdg/cache", "/xdg/state/vigilix",
       "/xdg/cache/vigilix"},
      {"relative XDG folders are ignored", nullptr, "state", nullptr, "cache",
       home + "/.local/state/vigilix", home + "/.cache/vigilix"},
      {"overrides are taken verbatim", "~/support/", "/xdg/state", "rel/cache", "/xdg/cache",
       "~/support/", "rel/cache"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScopedEnvironment support("VIGILIX_AGENT_SUPPORT", row.support);
    ScopedEnvironment state("XDG_STATE_HOME", row.state);
    ScopedEnvironment cache("VIGILIX_AGENT_CACHE", row.cache);
    ScopedEnvironment cacheHome("XDG_CACHE_HOME", row.cacheHome);
    const std::filesystem::path folder(row.supportFolder);
    EXPECT_EQ(VGXAgentPaths::supportDirectory(), folder);
    EXPECT_EQ(VGXAgentPaths::sequenceDirectory(), folder / "agent-seq");
    EXPECT_EQ(VGXAgentPaths::hooksLogFile(), folder / "agent-hooks.json");
    EXPECT_EQ(VGXAgentPaths::cacheDirectory(), std::filesystem::path(row.cacheFolder));
    EXPECT_EQ(VGXAgentPaths::versionCacheFile(),
              std::filesystem::path(row.cacheFolder) / "tool-versions.json");
  }
}

}  // namespace
}  // namespace vigilix
