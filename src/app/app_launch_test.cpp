#include "app/app_launch.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/ui/alert.h"
#include "platform/ui/application.h"
#include "testing/test_platform.h"
#include "testing/ui_driver.h"

namespace vigilix {
namespace {

// The alert the migration shows, if any.
std::shared_ptr<platform::Alert> shownAlert() {
  auto window = platform::Application::shared().modalWindow();
  if (!window) return nullptr;
  auto content = std::dynamic_pointer_cast<platform::AlertContentView>(window->contentView());
  return content ? content->alert() : nullptr;
}

TEST(SettingsMigrationAtLaunchTest, FailuresAskTheUserUntilTheMigrationSucceedsOrIsGivenUp) {
  struct Row {
    const char* name;
    bool sandboxed;
    bool slotFilled;
    std::vector<std::optional<std::string>> results;  // of runAtLaunch, in turn
    std::vector<const char*> presses;                 // one per alert shown
    int runs;
    int startFresh;
  } rows[] = {
      {"empty slot: nothing runs", false, false, {}, {}, 0, 0},
      {"sandboxed: nothing runs", true, true, {"broken"}, {}, 0, 0},
      {"succeeds at once", false, true, {std::nullopt}, {}, 1, 0},
      {"fails twice, then succeeds",
       false,
       true,
       {"broken", "still broken", std::nullopt},
       {"Try Again", "Try Again"},
       3,
       0},
      {"fails, given up", false, true, {"broken"}, {"Start Fresh"}, 1, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform platform;
    int runs = 0;
    int startFresh = 0;
    int proceeded = 0;
    VGXContainerMigrationBridge bridge;
    if (row.slotFilled) {
      bridge.runAtLaunch = [&]() -> std::optional<std::string> {
        return row.results.at(static_cast<std::size_t>(runs++));
      };
      bridge.startFresh = [&] { ++startFresh; };
    }
    runSettingsMigrationAtLaunch(bridge, row.sandboxed, [&] { ++proceeded; });
    for (const char* press : row.presses) {
      EXPECT_EQ(proceeded, 0);
      auto alert = shownAlert();
      ASSERT_NE(alert, nullptr);
      EXPECT_EQ(alert->messageText(),
                "Vigilix couldn't read your settings from the previous version.");
      EXPECT_EQ(alert->informativeText(), *row.results.at(static_cast<std::size_t>(runs - 1)));
      ASSERT_EQ(alert->buttons().size(), 2u);
      EXPECT_EQ(alert->buttons()[0]->title(), "Try Again");
      EXPECT_EQ(alert->buttons()[1]->title(), "Start Fresh");
      EXPECT_TRUE(alert->window()->isKeyWindow());
      EXPECT_TRUE(platform::Application::shared().isActive());
      auto button = testing::ui::findByAccessibilityLabel(*alert->window()->contentView(), press);
      ASSERT_NE(button, nullptr);
      testing::ui::click(*button);
    }
    EXPECT_EQ(shownAlert(), nullptr);
    EXPECT_EQ(runs, row.runs);
    EXPECT_EQ(startFresh, row.startFresh);
    EXPECT_EQ(proceeded, 1);
    EXPECT_EQ(platform::Application::shared().activationRequests().size(), row.presses.size());
  }
}

}  // namespace
}  // namespace vigilix
