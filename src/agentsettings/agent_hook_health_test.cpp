#include "agentsettings/agent_hook_health.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "agentcontracts/agent_hook_log.h"
#include "agentcontracts/agent_paths.h"
#include "testing/agenthooks/agent_hooks_fixture.h"

namespace vigilix {
namespace {

namespace fs = std::filesystem;
using enum VGXHealthSeverity;
using ::testing::HasSubstr;
using ::testing::StartsWith;

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

TEST_F(HookHealthLinesTest, LastHookSaysWhatItsResultMeansAndWhatToDo) {
  const struct {
    const char* name;
    const char* result;
    VGXHealthSeverity severity;
    std::string says;
  } rows[] = {
      {"a late stop of an earlier turn is fine", "ignored: corr or seq mismatch", Ok,
       "a late event of an earlier turn was ignored"},
      {"a stop without a prompt id is fine", "ignored: nil corr", Ok, "named no prompt"},
      {"a session the person stopped is fine", "stale: stopped for this session", Ok,
       "you stopped keeping awake"},
      {"no answer: keep the application running", "no reply", Warning, "keep it running"},
      {"a refusal: install the hooks again", "error: missing id", Warning,
       "install the hooks again"},
      {"an unknown result, capitals included, is a warning", "OK", Warning,
       "install the hooks again"},
      {"a counter not kept: mend its folder", "ignored: nil corr (counted 1)", Warning,
       "was ignored; the hook could not keep its event counter in " +
           VGXAgentPaths::sequenceDirectory().string()},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    reset();
    ASSERT_TRUE(
        VGXAgentHookLog::append("codex", "stop", row.result, VGXAgentPaths::hooksLogFile()));
    const auto lines = VGXAgentHookHealth::healthLines();
    ASSERT_EQ(lines.size(), 6U);
    EXPECT_EQ(lines.back().severity, row.severity);
    EXPECT_THAT(lines.back().detail,
                StartsWith("codex stop \u2192 " + std::string(row.result) + " \u2014 "));
    EXPECT_THAT(lines.back().detail, HasSubstr(row.says));
  }
}

}  // namespace
}  // namespace vigilix
