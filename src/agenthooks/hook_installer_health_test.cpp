#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "agentcontracts/agent_paths.h"
#include "agenthooks/hook_installer.h"
#include "testing/pinned_locale.h"
#include "testing/temporary_root.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

namespace fs = std::filesystem;
using enum VGXHealthSeverity;

// How a row leaves one tool's hooks file.
enum class FileSetup { untouched, folderOnly, installed, oldPath, notAnObject };

class HookHealthLinesTest : public ::testing::Test {
 protected:
  static void write(const fs::path& path, std::string_view text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  }
  void prepare(VGXAgentTool tool, FileSetup setup) {
    const fs::path file = hooksFileURL(tool, root.home());
    switch (setup) {
      case FileSetup::untouched:
        return;
      case FileSetup::folderOnly:
        fs::create_directories(toolFolderURL(tool, file));
        return;
      case FileSetup::installed:
        ASSERT_TRUE(VGXHookInstaller::forCurrentUser(tool).install());
        return;
      case FileSetup::oldPath:
        ASSERT_TRUE(VGXHookInstaller(tool, file, "/opt/old/vigilix").install());
        return;
      case FileSetup::notAnObject:
        write(file, "[]");
        return;
    }
  }

  testing::TestPlatform platform;
  testing::PinnedLocale locale{"en_US", "UTC"};
  testing::TemporaryRoot root;
};

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
    std::map<VGXAgentTool, FileSetup> tools;
    std::optional<std::string> log;
    std::vector<VGXHealthLine> expected;
  } rows[] = {
      {"nothing set up and no log: exactly five lines", {}, std::nullopt, allNotFound},
      {"every state",
       {{VGXAgentTool::claude, FileSetup::installed},
        {VGXAgentTool::codex, FileSetup::oldPath},
        {VGXAgentTool::grok, FileSetup::notAnObject},
        {VGXAgentTool::cursor, FileSetup::folderOnly}},
       std::nullopt,
       {{"Claude Code hooks", "Installed", Ok, {}},
        {"Codex hooks", "Needs update", Warning, {}},
        {"Grok hooks", "The hooks file is not a JSON object.", Error, {}},
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
    fs::remove_all(root.home());
    fs::create_directories(root.home());
    for (const auto& [tool, setup] : row.tools) prepare(tool, setup);
    if (row.log) write(VGXAgentPaths::hooksLogFile(), *row.log);
    EXPECT_EQ(VGXHookInstaller::healthLines(), row.expected);
  }
}

}  // namespace
}  // namespace vigilix
