#include "agenthooks/hook_command.h"

#include <gtest/gtest.h>

#include <string>

namespace vigilix {
namespace {

TEST(VGXAgentToolTest, EachToolsNamesFilesAndEvents) {
  struct Row {
    const char* raw;
    const char* displayName;
    const char* hooksFile;
    const char* toolFolder;
    const char* events;  // "event:verb ..."
  };
  const Row rows[] = {
      {"claude", "Claude Code", "h/.claude/settings.json", "h/.claude",
       "UserPromptSubmit:start Stop:stop StopFailure:stop SessionEnd:end "},
      {"codex", "Codex", "h/.codex/hooks.json", "h/.codex",
       "UserPromptSubmit:start Stop:stop Interrupt:stop SessionEnd:end "},
      {"grok", "Grok", "h/.grok/hooks/vigilix.json", "h/.grok",
       "UserPromptSubmit:start Stop:stop StopCancelled:stop SessionEnd:end "},
      {"cursor", "Cursor", "h/.cursor/hooks.json", "h/.cursor",
       "beforeSubmitPrompt:start stop:stop sessionEnd:end "},
      {"gemini", "Gemini CLI", "h/.gemini/settings.json", "h/.gemini",
       "SessionStart:start SessionEnd:end "},
  };
  ASSERT_EQ(std::size(rows), kAllAgentTools.size());
  for (std::size_t i = 0; i < kAllAgentTools.size(); ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE(row.raw);
    const VGXAgentTool tool = kAllAgentTools[i];
    EXPECT_EQ(rawValue(tool), row.raw);
    EXPECT_EQ(agentToolFromRawValue(row.raw), tool);
    EXPECT_EQ(displayName(tool), row.displayName);
    const auto file = hooksFileURL(tool, "h");
    EXPECT_EQ(file, row.hooksFile);
    EXPECT_EQ(toolFolderURL(tool, file), row.toolFolder);
    std::string events;
    for (const VGXHookEvent& event : hookEvents(tool)) {
      events += std::string(event.name) + ":" + std::string(rawValue(event.verb)) + " ";
    }
    EXPECT_EQ(events, row.events);
  }
  EXPECT_EQ(agentToolFromRawValue("Claude"), std::nullopt);
  EXPECT_EQ(stayAwakeNote(VGXAgentTool::gemini), "Stays awake while a Gemini session is open.");
}

TEST(HookCommandTest, CommandsReadBackTheirPath) {
  struct Row {
    const char* name;
    std::string cliPath;
    const char* command;
  };
  const Row rows[] = {
      {"plain path", "/usr/lib/vigilix/vigilix",
       "'/usr/lib/vigilix/vigilix' agent stop --tool claude --vigilix-hook=v1"},
      {"apostrophe and space", "/opt/Bo's apps/vigilix",
       "'/opt/Bo'\\''s apps/vigilix' agent stop --tool claude --vigilix-hook=v1"},
      {"ends in apostrophe", "/x'", "'/x'\\''' agent stop --tool claude --vigilix-hook=v1"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string command = hookCommand(VGXAgentTool::claude, VGXHookVerb::stop, row.cliPath);
    EXPECT_EQ(command, row.command);
    EXPECT_EQ(executablePath(command), row.cliPath);
    EXPECT_TRUE(containsHookMarker(command));
  }
}

TEST(HookCommandTest, PathsOfHandWrittenCommands) {
  struct Row {
    const char* command;
    const char* path;
  };
  const Row rows[] = {
      {" \t/usr/bin/vigilix  agent start", "/usr/bin/vigilix"},
      {"   ", ""},
      {"'/unterminated path", "/unterminated path"},
      {"''", ""},
      {"\t'/a b' agent", "/a b"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.command);
    EXPECT_EQ(executablePath(row.command), row.path);
  }
}

TEST(HookCommandTest, TheMarkerIsAWholeToken) {
  struct Row {
    const char* command;
    bool ours;
  };
  const Row rows[] = {
      {"x --vigilix-hook=v1", true},
      {"x --vigilix-hook=v1; echo done", true},
      {"x --vigilix-hook=v1-beta", true},
      {"x --vigilix-hook=v10", false},
      {"x --vigilix-hook=v1.1", false},
      {"x --vigilix-hook=v1a", false},
      {"x --vigilix-hook=v10 && y --vigilix-hook=v1", true},
      {"x --vigilix-hook=v2", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.command);
    EXPECT_EQ(containsHookMarker(row.command), row.ours);
  }
}

}  // namespace
}  // namespace vigilix
