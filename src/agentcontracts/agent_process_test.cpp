#include "agentcontracts/agent_process.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <optional>
#include <string>

#include "testing/fake_proc_tree.h"

namespace vigilix {
namespace {

constexpr std::int64_t kBoot = 1'700'000'000;

class AgentProcessTest : public ::testing::Test {
 protected:
  AgentProcessTest() {
    tree.setBootTime(kBoot);
    add(1, 0, "/sbin/init", "/sbin/init");
    add(100, 1, "/usr/local/bin/claude (deleted)", "claude --resume");
    add(110, 100, "/usr/bin/dash", "sh -c vigilix");
    add(200, 1, "/usr/bin/node", "node /home/u/.npm/Gemini/cli.js");
    add(210, 200, "/usr/bin/node", "node /home/u/tools/other.js");
    add(300, 1, "/opt/Cursor/Cursor", "Cursor");
    add(400, 401, "/usr/bin/codex", "codex");  // a loop: 400 and 401 name each other
    add(401, 400, "/usr/bin/dash", "sh");
  }
  // Started `pid` seconds after boot, so each process's start time tells it apart.
  void add(std::int32_t pid, std::int32_t parent, const std::string& executable,
           const std::string& commandLine) const {
    tree.addProcess(pid, commandLine, "x", executable);
    tree.setProcessStat(pid, parent, static_cast<std::uint64_t>(pid * ::sysconf(_SC_CLK_TCK)));
  }
  VGXAgentProcess table(std::int32_t ownParent) const {
    return VGXAgentProcess(platform::ProcessListing(tree.root()), ownParent);
  }

  testing::FakeProcTree tree;
};

TEST_F(AgentProcessTest, WalksUpToTheToolsProcess) {
  struct Row {
    const char* name;
    const char* tool;
    std::int32_t startingAt;
    std::int32_t ownParent;
    std::optional<std::int32_t> found;
  };
  const Row rows[] = {
      {"claude above the shell that ran the hook", "claude", 110, 110, 100},
      {"claude without a claude ancestor: the hook's parent", "claude", 210, 210, 210},
      {"gemini running in node from a Gemini folder", "gemini", 210, 210, 200},
      {"the starting process is not its own ancestor", "cursor", 300, 300, std::nullopt},
      {"a start that cannot be read begins at the hook's parent", "cursor", 999, 300, 300},
      {"the walk ends at process 1", "codex", 110, 110, std::nullopt},
      {"the walk ends at a repeated process", "grok", 401, 401, std::nullopt},
      {"a parent below 2 gives nothing", "claude", 999, 1, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const auto found = table(row.ownParent).identity(row.tool, row.startingAt);
    const std::optional<VGXAgentProcessIdentity> expected =
        row.found ? std::optional(VGXAgentProcessIdentity{*row.found, kBoot + *row.found})
                  : std::nullopt;
    EXPECT_EQ(found, expected);
  }
}

TEST_F(AgentProcessTest, MatchesExecutablesToTools) {
  const struct {
    const char* tool;
    std::int32_t pid;
    bool matches;
  } rows[] = {
      {"claude", 100, true}, {"Claude", 100, false}, {"gemini", 200, true}, {"gemini", 210, false},
      {"cursor", 300, true}, {"Cursor", 300, true},  {"codex", 400, true},  {"codex", 999, false},
  };
  const VGXAgentProcess processes = table(1);
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.tool) + " " + std::to_string(row.pid));
    EXPECT_EQ(processes.matches(row.tool, row.pid), row.matches);
  }
  EXPECT_EQ(processes.arguments(200),
            (std::vector<std::string>{"node", "/home/u/.npm/Gemini/cli.js"}));
  EXPECT_TRUE(processes.arguments(999).empty());
}

TEST(AgentProcessLiveTest, FindsThisTestAsItsOwnTool) {
  const auto own = platform::ProcessListing().executablePath(::getpid());
  ASSERT_TRUE(own.has_value());
  const std::string tool = std::filesystem::path(*own).filename().string();
  const VGXAgentProcess live = VGXAgentProcess::live();
  EXPECT_TRUE(live.matches(tool, ::getpid()));
  EXPECT_EQ(live.identity("no-such-tool", ::getpid()), std::nullopt);
}

}  // namespace
}  // namespace vigilix
