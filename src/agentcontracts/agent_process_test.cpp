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
    // Claude Code from npm, and the shell it runs each hook in.
    add(500, 1, "/usr/bin/node",
        "node --no-warnings /usr/lib/node_modules/@anthropic-ai/claude-code/cli.js");
    add(510, 500, "/usr/bin/dash", "/bin/sh -c /usr/bin/vigilix agent start --tool claude");
    add(520, 1, "/home/u/.local/share/claude/versions/2.0.14", "/home/u/.local/bin/claude");
    add(530, 1, "/usr/bin/node", "claude");  // its process title
    add(540, 1, "/usr/bin/node", "node /usr/local/bin/claude --continue");
    add(600, 1, "/home/u/.local/share/cursor-agent/versions/2025.09.18/node",
        "/home/u/.local/share/cursor-agent/versions/2025.09.18/node --use-system-ca index.js");
    add(610, 1, "/usr/share/cursor/cursor", "/usr/share/cursor/cursor --type=utility");
    add(620, 1, "/opt/codex/codex-x86_64-unknown-linux-musl", "codex");
    add(630, 1, "/usr/bin/node",
        "node /usr/local/lib/node_modules/@vibe-kit/grok-cli/dist/index.js");
    add(640, 1, "/usr/bin/nodejs", "nodejs /usr/local/bin/grok");
    add(650, 1, "/usr/bin/bash", "bash /home/u/claude");
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
      {"claude from npm above the shell that ran the hook", "claude", 510, 510, 500},
      {"without a claude ancestor the hook's parent is not taken", "claude", 210, 210,
       std::nullopt},
      {"gemini running in node from a Gemini folder", "gemini", 210, 210, 200},
      {"the starting process is not its own ancestor", "cursor", 300, 300, std::nullopt},
      {"a start that cannot be read begins at the hook's parent", "cursor", 999, 610, 610},
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
      {"claude", 100, true},  {"Claude", 100, false}, {"claude", 500, true},
      {"claude", 510, false},  // the hook's shell, though its command names the tool
      {"claude", 520, true},  {"claude", 530, true},  {"claude", 540, true},
      {"claude", 210, false}, {"claude", 650, false}, {"gemini", 200, true},
      {"gemini", 210, false}, {"gemini", 500, false}, {"cursor", 600, true},
      {"cursor", 610, true},  {"cursor", 300, false}, {"Cursor", 300, true},
      {"codex", 400, true},   {"codex", 620, true},   {"codex", 500, false},
      {"grok", 630, true},    {"grok", 640, true},    {"grok", 600, false},
      {"codex", 999, false},
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
