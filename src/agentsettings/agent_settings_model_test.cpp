#include "agentsettings/agent_settings_model.h"

#include <gtest/gtest.h>

#include "testing/agenthooks/agent_hooks_fixture.h"

namespace vigilix {
namespace {

namespace fs = std::filesystem;

enum class Op {
  none,
  refresh,
  sheetInstall,
  sheetUpdate,
  cancel,
  confirm,
  install,
  remove,
  settle,
  repairFile,
  forbid
};

struct Step {
  Op op;
  std::string expected;
};

class AgentSettingsModelTest : public testing::AgentHooksTest {
 protected:
  void perform(VGXAgentSettingsModel& model, VGXAgentTool tool, Op op) {
    switch (op) {
      case Op::none:
        return;
      case Op::refresh:
        return model.refresh();
      case Op::sheetInstall:
        return model.prepareSheet(tool, false);
      case Op::sheetUpdate:
        return model.prepareSheet(tool, true);
      case Op::cancel:
        return model.dismissSheet();
      case Op::confirm:
        model.install(model.sheet()->tool);
        return model.dismissSheet();
      case Op::install:
        return model.install(tool);
      case Op::remove:
        return model.remove(tool);
      case Op::settle:
        return platform.runUntilIdle();
      case Op::repairFile:
        return write(file(tool), "{}");
      case Op::forbid:
        return platform.defaults.standard().setForced("VGXDisableAgentHooks", true);
    }
  }

  // One tool as the section sees it, plus whether its hooks file exists.
  std::string describe(const VGXAgentSettingsModel& model, VGXAgentTool tool) const {
    std::string text = model.policyDenied() ? "managed; " : "";
    text += agentHookStatusText(model.state(tool));
    if (fs::exists(file(tool))) text += "; file";
    if (model.isBusy(tool)) text += "; busy";
    if (const auto found = model.errors().find(tool); found != model.errors().end()) {
      text += "; error: " + found->second;
    }
    if (model.sheet()) text += model.sheet()->isUpdate ? "; update sheet" : "; install sheet";
    return text;
  }
};

TEST_F(AgentSettingsModelTest, StepsThroughInstallUpdateRemoveAndFailures) {
  const std::string notAnObject = kNotAnObject;
  const struct {
    const char* name;
    VGXAgentTool tool;
    Start start;
    std::optional<bool> forced;
    std::vector<Step> steps;
  } rows[] = {
      {"not found until the first refresh",
       VGXAgentTool::codex,
       Start::folderOnly,
       std::nullopt,
       {{Op::none, "Not found"}, {Op::refresh, "Not installed"}}},
      {"confirm installs off the main thread",
       VGXAgentTool::cursor,
       Start::folderOnly,
       false,
       {{Op::refresh, "Not installed"},
        {Op::sheetInstall, "Not installed; install sheet"},
        {Op::confirm, "Not installed; busy"},
        {Op::install, "Not installed; busy"},
        {Op::settle, "Installed; file"}}},
      {"update then remove",
       VGXAgentTool::gemini,
       Start::oldPath,
       std::nullopt,
       {{Op::refresh, "Needs update; file"},
        {Op::sheetUpdate, "Needs update; file; update sheet"},
        {Op::confirm, "Needs update; file; busy"},
        {Op::settle, "Installed; file"},
        {Op::remove, "Installed; file; busy"},
        {Op::settle, "Not installed; file"}}},
      {"a failure stays under the row until an install succeeds",
       VGXAgentTool::grok,
       Start::notAnObject,
       std::nullopt,
       {{Op::refresh, notAnObject + "; file"},
        {Op::install, notAnObject + "; file; busy"},
        {Op::settle, notAnObject + "; file; error: " + notAnObject},
        {Op::repairFile, notAnObject + "; file; error: " + notAnObject},
        {Op::refresh, "Not installed; file; error: " + notAnObject},
        {Op::install, "Not installed; file; busy; error: " + notAnObject},
        {Op::settle, "Installed; file"}}},
      {"forbidden by policy: nothing is written",
       VGXAgentTool::claude,
       Start::folderOnly,
       true,
       {{Op::none, "managed; Not found"},
        {Op::install, "managed; Not installed"},
        {Op::settle, "managed; Not installed"}}},
      {"forbidden after the sheet opened: confirm writes nothing",
       VGXAgentTool::codex,
       Start::folderOnly,
       std::nullopt,
       {{Op::sheetInstall, "Not found; install sheet"},
        {Op::forbid, "Not found; install sheet"},
        {Op::confirm, "managed; Not installed"},
        {Op::settle, "managed; Not installed"}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    reset();
    if (row.forced) platform.defaults.standard().setForced("VGXDisableAgentHooks", *row.forced);
    start(row.tool, row.start);
    const auto model = VGXAgentSettingsModel::make(VGXAgentSettingsModel::Environment::current());
    for (const auto& step : row.steps) {
      perform(*model, row.tool, step.op);
      EXPECT_EQ(describe(*model, row.tool), step.expected);
    }
  }
}

TEST_F(AgentSettingsModelTest, SheetShowsTheExactEntriesAndWritesNothing) {
  const std::string planned = R"({
  "hooks" : {
    "SessionEnd" : [
      {
        "hooks" : [
          {
            "command" : "'/usr/lib/vigilix/vigilix' agent end --tool gemini --vigilix-hook=v1",
            "type" : "command"
          }
        ]
      }
    ],
    "SessionStart" : [
      {
        "hooks" : [
          {
            "command" : "'/usr/lib/vigilix/vigilix' agent start --tool gemini --vigilix-hook=v1",
            "type" : "command"
          }
        ]
      }
    ]
  }
})";
  const struct {
    const char* name;
    std::string cliPath;
    bool isUpdate;
    std::string planned;
  } rows[] = {
      {"update", "/usr/lib/vigilix/vigilix", true, planned},
      {"text that JSON cannot hold shows an empty object", "/opt/\xff/vigilix", false, "{}"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto environment = VGXAgentSettingsModel::Environment::current();
    environment.installerFor = [&](VGXAgentTool tool) {
      return VGXHookInstaller(tool, file(tool), row.cliPath);
    };
    const auto model = VGXAgentSettingsModel::make(environment);
    model->prepareSheet(VGXAgentTool::gemini, row.isUpdate);
    ASSERT_TRUE(model->sheet());
    EXPECT_EQ(model->sheet()->tool, VGXAgentTool::gemini);
    EXPECT_EQ(model->sheet()->path, (root.home() / ".gemini/settings.json").string());
    EXPECT_EQ(model->sheet()->isUpdate, row.isUpdate);
    EXPECT_EQ(model->sheet()->planned, row.planned);
    EXPECT_FALSE(fs::exists(root.home() / ".gemini"));
  }
}

}  // namespace
}  // namespace vigilix
