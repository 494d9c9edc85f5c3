#include "agentsettings/agent_hook_health.h"

#include <gtest/gtest.h>

#include <map>

#include "agentcontracts/agent_paths.h"
#include "testing/agenthooks/agent_hooks_fixture.h"

namespace vigilix {
namespace {

namespace fs = std::filesystem;
using enum VGXHealthSeverity;

using HookHealthLinesTest = testing::AgentHooksTest;

std::string record(std::string_view event, std::string_view result) {
  return R"({"at":"2026-01-05T09:00:00.000Z","tool":"codex","event":")" + std::string(event) +
         R"(","result":")" + std::string(result) + R"("})";
}

TEST_F(HookHealthLinesTest, OneLinePerToolThenTheNewestHookRecord) {
  const std::vector<VGXHealthLine> allNotFound = {{"Claude Code hooks", "Not found", Ok, {}},
                                                  {"Codex hooks", "Not found", Ok, {}},
                                                  {"Grok hooks", "Not found", Ok, {}},
                                                  {"Cursor hooks", "Not found", Ok, {}},
                                                  {"Gemini CLI hooks", "Not found", Ok, {}}};
  auto with = [&](std::vector<VGXHealthLine> extra) {
    auto lines = allNotFound;
    lines.insert(lines.end(), extra.begin(), extra.end());
    return lines;
  };
  const struct {
    const char* name;
    std::map<VGXAgentTool, Start> tools;
    std::optional<std::string> log;
    std::vector<VGXHealthLine> expected;
  } rows[] = {
      {"nothing set up and no log: exactly five lines", {}, std::nullopt, allNotFound},
      {"every state",
       {{VGXAgentTool::claude, Start::installed},
        {VGXAgentTool::codex, Start::oldPath},
        {VGXAgentTool::grok, Start::notAnObject},
        {VGXAgentTool::cursor, Start::folderOnly}},
       std::nullopt,
       {{"Claude Code hooks", "Installed", Ok, {}},
        {"Codex hooks", "Needs update", Warning, {}},
        {"Grok hooks", kNotAnObject, Error, {}},
        {"Cursor hooks", "Not installed", Ok, {}},
        {"Gemini CLI hooks", "Not found", Ok, {}}}},
      {"only the newest of several records",
       {},
       R"({"events":[)" + record("start", "failed") + "," + record("stop", "ok") + "]}",
       with({{"Last agent hook", "codex stop \u2192 ok", Ok, {}}})},
      {"a result in capitals is a warning",
       {},
       R"({"events":[)" + record("start", "OK") + "]}",
       with({{"Last agent hook", "codex start \u2192 OK", Warning, {}}})},
      {"a failed hook is a warning, never an error",
       {},
       R"({"events":[)" + record("end", "no reply") + "]}",
       with({{"Last agent hook", "codex end \u2192 no reply", Warning, {}}})},
      {"an empty log adds nothing", {}, R"({"events":[]})", allNotFound},
      {"a damaged log adds nothing", {}, "{", allNotFound},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    reset();
    for (const auto& [tool, how] : row.tools) start(tool, how);
    if (row.log) write(VGXAgentPaths::hooksLogFile(), *row.log);
    EXPECT_EQ(VGXAgentHookHealth::healthLines(), row.expected);
  }
}

}  // namespace
}  // namespace vigilix
