#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/ui/accessibility.h"
#include "platform/ui/view.h"
#include "settings/command_line_tool_row.h"
#include "settings/settings_accessibility.h"
#include "settings/settings_footer.h"
#include "settings/settings_layout.h"
#include "testing/test_user_defaults.h"

namespace vigilix {
namespace {

TEST(SettingsLayoutTest, PaneHeightsStayWithinTheScreensBounds) {
  struct Row {
    const char* name;
    double wanted;
    std::optional<double> visibleHeight;
    double height;
  };
  const Row rows[] = {
      {"a short pane grows to the minimum", 100, 1000, 160},
      {"a tall pane stops at the ceiling of 860", 1200, 1000, 860},
      {"a small screen lowers the ceiling to its height less 80", 1200, 500, 420},
      {"no main screen: 820", 1200, std::nullopt, 820},
      {"a tiny screen never goes below the minimum", 1200, 100, 160},
      {"a pane within the bounds keeps its height", 400, 1000, 400},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(VGXSettingsLayout::clampedHeight(row.wanted, row.visibleHeight), row.height);
  }
}

TEST(SettingsFooterTest, TheManagedLineComesFirstOnlyWhenAKeyIsForced) {
  struct Row {
    const char* name;
    std::vector<std::string> forced;
    std::optional<std::string> base;
    std::optional<std::string> footer;
  };
  const Row rows[] = {
      {"nothing forced, no base: no footer", {}, std::nullopt, std::nullopt},
      {"nothing forced: the base as it is", {}, "Base.", "Base."},
      {"forced, no base", {"b"}, std::nullopt, "Managed by your organization."},
      {"forced with a base", {"a"}, "Base.", "Managed by your organization.\nBase."},
      {"a forced key outside the list changes nothing", {"z"}, "Base.", "Base."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestUserDefaults defaults;
    for (const auto& key : row.forced) defaults.setForced(key, true);
    EXPECT_EQ(VGXSettingsFooter::compose(defaults, {"a", "b"}, row.base), row.footer);
  }
}

TEST(SettingsAccessibilityTest, TheSameMessageIsSpokenOnce) {
  platform::View view;
  std::vector<std::string> spoken;
  auto token = platform::AccessibilityCenter::observe([&](const platform::AccessibilityPost& post) {
    if (post.notification == platform::AccessibilityNotification::AnnouncementRequested) {
      spoken.push_back(post.announcement);
    }
  });
  std::optional<std::string> last;
  for (const char* message : {"Taken", "Taken", "Other", "Taken"}) {
    VGXAccessibility::announceIfChanged(view, message, last);
  }
  EXPECT_THAT(spoken, ::testing::ElementsAre("Taken", "Other", "Taken"));
}

bool executableIn(const std::string& path) {
  return path == "/opt/vigilix/bin/vigilix" || path == "/opt/it's/vigilix" ||
         path == "/usr/bin/vigilix";
}

TEST(CommandLineToolRowTest, TheRowShowsAQuotedLinkCommandWhenTheToolIsNotOnPath) {
  struct Row {
    const char* name;
    const char* tool;
    const char* path;
    std::optional<std::string> command;
  };
  const Row rows[] = {
      {"not on PATH", "/opt/vigilix/bin/vigilix", "/usr/local/bin:/bin",
       "sudo ln -sf '/opt/vigilix/bin/vigilix' /usr/local/bin/vigilix"},
      {"a quote in the path continues the quoted word", "/opt/it's/vigilix", "/bin",
       "sudo ln -sf '/opt/it'\\''s/vigilix' /usr/local/bin/vigilix"},
      {"found on PATH: no row", "/opt/vigilix/bin/vigilix", "/bin::/usr/bin", std::nullopt},
      {"an empty PATH entry is not a place the tool is found", "/opt/vigilix/bin/vigilix", ":",
       "sudo ln -sf '/opt/vigilix/bin/vigilix' /usr/local/bin/vigilix"},
      {"no tool beside the program: no row", "/opt/none/vigilix", "", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(VGXCommandLineToolRow::rowCommand(row.tool, row.path, executableIn), row.command);
  }
}

}  // namespace
}  // namespace vigilix
