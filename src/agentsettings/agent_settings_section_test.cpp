#include "agentsettings/agent_settings_section.h"

#include <gtest/gtest.h>

#include "agents/agent_settings_slot.h"
#include "agentsettings/agent_hook_features.h"
#include "keepawake/health_registry.h"
#include "testing/agenthooks/agent_hooks_fixture.h"
#include "testing/ui_driver.h"

namespace vigilix {
namespace {

namespace fs = std::filesystem;
namespace ui = testing::ui;
using platform::Button;
using Strings = std::vector<std::string>;

class AgentSettingsSectionTest : public testing::AgentHooksTest {
 protected:
  // Puts the section on screen, which refreshes it.
  std::shared_ptr<VGXAgentSettingsSection> shown() {
    auto section = VGXAgentSettingsSection::make();
    window = std::make_shared<platform::Window>(platform::Rect(0, 0, 600, 700),
                                                platform::WindowStyle::Titled);
    section->setFrame(window->contentView()->bounds());
    window->contentView()->addSubview(section);
    return section;
  }
  // A click where a person would click: on the laid-out window.
  static void click(const std::shared_ptr<Button>& button) {
    ASSERT_TRUE(button);
    ASSERT_TRUE(button->window());
    button->window()->layoutIfNeeded();
    ui::click(*button);
  }
  static void clickRow(const VGXAgentSettingsSection& section, VGXAgentTool tool,
                       const std::string& title) {
    for (const auto& button : rowOf(section, tool)->buttons()) {
      if (button->title() == title) return click(button);
    }
    ADD_FAILURE() << "no button " << title;
  }
  static std::shared_ptr<VGXAgentToolRow> rowOf(const VGXAgentSettingsSection& section,
                                                VGXAgentTool tool) {
    return section.rows().at(static_cast<std::size_t>(tool));
  }
  static Strings titles(const VGXAgentToolRow& row) {
    Strings titles;
    for (const auto& button : row.buttons()) {
      titles.push_back(button->title() + (button->isEnabled() ? "" : " (inactive)"));
    }
    return titles;
  }

  std::shared_ptr<platform::Window> window;
};

TEST_F(AgentSettingsSectionTest, ManagedPolicyLeavesOnlyTheNoticeAndTheOpenAtLoginLine) {
  const std::string openAtLogin = "Agent Mode needs Vigilix running \u2014 turn on Open at Login.";
  const std::string turn =
      "Stays awake while a turn runs, for up to 10 minutes after the last prompt, even if the "
      "turn is still running.";
  const Strings allFooter = {"Claude Code: " + turn,
                             "Codex: " + turn,
                             "Grok: " + turn,
                             "Cursor: " + stayAwakeNote(VGXAgentTool::cursor),
                             "Gemini CLI: Stays awake while a Gemini session is open.",
                             "Tools without hooks: vigilix run -- <command>",
                             openAtLogin};
  const struct {
    const char* name;
    std::optional<bool> forced;
    Strings rows;
    Strings content;
    Strings footer;
  } rows[] = {
      {"forced on", true, {}, {"Managed by your organization."}, {openAtLogin}},
      {"forced off",
       false,
       {"Claude Code", "Codex", "Grok", "Cursor", "Gemini CLI"},
       {},
       allFooter},
      {"not set",
       std::nullopt,
       {"Claude Code", "Codex", "Grok", "Cursor", "Gemini CLI"},
       {},
       allFooter},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    reset();
    if (row.forced) platform.defaults.standard().setForced("VGXDisableAgentHooks", *row.forced);
    const auto section = shown();
    EXPECT_EQ(section->header()->stringValue(), "AI Agents");
    Strings names;
    for (const auto& shownRow : section->rows()) names.push_back(*shownRow->accessibilityLabel());
    EXPECT_EQ(names, row.rows);
    EXPECT_EQ(section->contentTexts(), row.content);
    EXPECT_EQ(section->footerLines(), row.footer);
    EXPECT_EQ(section->isSectionEnabled(), !row.forced.value_or(false));
  }
}

TEST_F(AgentSettingsSectionTest, EachRowOffersTheButtonsOfItsState) {
  const std::string notAnObject = kNotAnObject;
  const struct {
    const char* name;
    VGXAgentTool tool;
    Start start;
    Strings texts;
    Strings buttons;
  } rows[] = {
      {"not found", VGXAgentTool::grok, Start::untouched, {"Grok", "Not found"}, {"Install\u2026"}},
      {"not installed, with the Codex note",
       VGXAgentTool::codex,
       Start::folderOnly,
       {"Codex", "Not installed", "Trust the hooks once in Codex with /hooks."},
       {"Install\u2026"}},
      {"installed", VGXAgentTool::cursor, Start::installed, {"Cursor", "Installed"}, {"Remove"}},
      {"needs update",
       VGXAgentTool::gemini,
       Start::oldPath,
       {"Gemini CLI", "Needs update"},
       {"Update", "Remove"}},
      {"unreadable file",
       VGXAgentTool::claude,
       Start::notAnObject,
       {"Claude Code", notAnObject},
       {"Install\u2026", "Remove"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    reset();
    start(row.tool, row.start);
    const auto section = shown();
    const auto toolRow = rowOf(*section, row.tool);
    ASSERT_TRUE(toolRow);
    EXPECT_EQ(toolRow->texts(), row.texts);
    EXPECT_EQ(titles(*toolRow), row.buttons);
    EXPECT_EQ(toolRow->accessibilityValue(), row.texts[1]);
  }
}

TEST_F(AgentSettingsSectionTest, TheSheetInstallsOnlyWhenConfirmed) {
  // The keys reach the buttons' actions through their key equivalents.
  using Close = void (*)(VGXAgentInstallSheet&);
  const Close escape = [](VGXAgentInstallSheet& sheet) {
    ui::pressKey(*sheet.window(), platform::KeyCode::Escape);
  };
  const Close closeWindow = [](VGXAgentInstallSheet& sheet) {
    sheet.window()->sheetParent()->endSheet(*sheet.window());
  };
  const Close returnKey = [](VGXAgentInstallSheet& sheet) {
    ui::pressKey(*sheet.window(), platform::KeyCode::Return);
  };
  const struct {
    const char* name;
    Start start;
    Strings titles;  // row button, sheet title, confirm button
    Close close;
    // The row's buttons right after closing, then its status once settled: only a confirmed
    // sheet writes.
    Strings after;
  } rows[] = {
      {"Escape",
       Start::folderOnly,
       {"Install\u2026", "Install Hooks", "Install"},
       escape,
       {"Install\u2026", "Not installed"}},
      {"closed another way",
       Start::oldPath,
       {"Update", "Update\u2026", "Update"},
       closeWindow,
       {"Update", "Remove", "Needs update"}},
      {"Return on an update",
       Start::oldPath,
       {"Update", "Update\u2026", "Update"},
       returnKey,
       {"Update (inactive)", "Remove (inactive)", "Installed"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    reset();
    start(VGXAgentTool::claude, row.start);
    const auto section = shown();
    clickRow(*section, VGXAgentTool::claude, row.titles[0]);
    const auto sheet = section->presentedSheet();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->window()->sheetParent(), window.get());
    EXPECT_EQ(sheet->plannedText()->stringValue(), section->model()->sheet()->planned);
    EXPECT_EQ((Strings{sheet->titleLabel()->stringValue(), sheet->confirmButton()->title()}),
              (Strings{row.titles[1], row.titles[2]}));
    EXPECT_EQ(sheet->pathLabel()->stringValue(), file(VGXAgentTool::claude).string());

    row.close(*sheet);
    EXPECT_FALSE(section->model()->sheet() || section->presentedSheet());
    EXPECT_FALSE(sheet->window()->isVisible() || window->attachedSheet());
    Strings after = titles(*rowOf(*section, VGXAgentTool::claude));
    platform.runUntilIdle();
    after.push_back(rowOf(*section, VGXAgentTool::claude)->texts()[1]);
    EXPECT_EQ(after, row.after);
  }
}

}  // namespace
}  // namespace vigilix

namespace vigilix {
namespace {

using AgentHookFeaturesTest = testing::AgentHooksTest;

TEST_F(AgentHookFeaturesTest, LaunchRegistersTheLinesAndASectionFactory) {
  installAgentHookFeatures();
  EXPECT_EQ(VGXHealthRegistry::lines().size(), kAllAgentTools.size());
  const auto& factory = VGXAgentSettingsSlot::agentSection();
  ASSERT_TRUE(factory);
  const auto first = std::dynamic_pointer_cast<VGXAgentSettingsSection>(factory());
  const auto second = std::dynamic_pointer_cast<VGXAgentSettingsSection>(factory());
  ASSERT_TRUE(first && second);
  EXPECT_NE(first->model(), second->model());
  VGXAgentSettingsSlot::setAgentSection(nullptr);
}

}  // namespace
}  // namespace vigilix
