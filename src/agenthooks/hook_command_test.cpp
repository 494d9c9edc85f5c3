#include "agenthooks/hook_command.h"

#include <gtest/gtest.h>

#include <string>

namespace vigilix {
namespace {

TEST(VGXAgentToolTest, RawValuesAndFolders) {
  const char* const folders[] = {"h/.claude", "h/.codex", "h/.grok", "h/.cursor", "h/.gemini"};
  for (std::size_t i = 0; i < kAllAgentTools.size(); ++i) {
    const VGXAgentTool tool = kAllAgentTools[i];
    SCOPED_TRACE(std::string(rawValue(tool)));
    EXPECT_EQ(agentToolFromRawValue(rawValue(tool)), tool);
    EXPECT_EQ(toolFolderURL(tool, hooksFileURL(tool, "h")), folders[i]);
  }
  EXPECT_EQ(agentToolFromRawValue("Claude"), std::nullopt);
}

TEST(HookCommandTest, PathsOfBuiltAndHandWrittenCommands) {
  struct Row {
    const char* name;
    std::string path;
    const char* command;  // for tool claude, verb stop when built
    bool built;
  };
  const Row rows[] = {
      {"plain", "/usr/lib/vigilix", "'/usr/lib/vigilix' agent stop --tool claude --vigilix-hook=v1",
       true},
      {"apostrophe and space", "/opt/Bo's apps/v",
       "'/opt/Bo'\\''s apps/v' agent stop --tool claude --vigilix-hook=v1", true},
      {"ends in apostrophe", "/x'", "'/x'\\''' agent stop --tool claude --vigilix-hook=v1", true},
      {"unquoted, blanks around", "/usr/bin/v", " \t/usr/bin/v  agent start", false},
      {"only blanks", "", "   ", false},
      {"unterminated quote", "/a b", "'/a b", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.built) {
      EXPECT_EQ(hookCommand(VGXAgentTool::claude, VGXHookVerb::stop, row.path), row.command);
    }
    EXPECT_EQ(executablePath(row.command), row.path);
  }
}

TEST(HookCommandTest, TheMarkerIsAWholeToken) {
  struct Row {
    const char* command;
    bool ours;
  };
  const Row rows[] = {
      {"x --vigilix-hook=v1", true},      {"x --vigilix-hook=v1; echo done", true},
      {"x --vigilix-hook=v1-beta", true}, {"x --vigilix-hook=v10", false},
      {"x --vigilix-hook=v1.1", false},   {"x --vigilix-hook=v1a", false},
      {"x --vigilix-hook=v2", false},     {"x --vigilix-hook=v10 && y --vigilix-hook=v1", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.command);
    EXPECT_EQ(containsHookMarker(row.command), row.ours);
  }
}

}  // namespace
}  // namespace vigilix
