#include "menubar/activation_durations_menu.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/dzl_keys.h"
#include "testing/pinned_locale.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

using platform::ControlStateValue;
using platform::MenuItem;
using platform::PropertyArray;

class RecordingDelegate : public DZLActivationDurationsMenuControllerDelegate {
 public:
  ManualSessionKind currentManualSession() override { return session; }
  void activationDurationsMenuControllerDidSelectActivationDuration(
      DZLActivationDurationsMenuController&, const DZLActivationDuration& duration) override {
    chosen.push_back(duration.seconds());
  }
  void activationDurationsMenuControllerDidSelectCustomDuration(
      DZLActivationDurationsMenuController&) override {
    ++customChosen;
  }

  ManualSessionKind session;
  std::vector<double> chosen;
  int customChosen = 0;
};

// One line per item: title, alternate mark, tag and check mark.
std::vector<std::string> describe(const platform::Menu& menu) {
  std::vector<std::string> lines;
  for (const auto& item : menu.items()) {
    if (item->isSeparatorItem()) {
      lines.push_back("---");
      continue;
    }
    std::string shown;
    for (const auto& run : item->attributedTitle()) shown += run.text;
    lines.push_back((item->isAlternate() ? "  alt " : "") +
                    (shown.empty() ? item->title() : shown) + " #" + std::to_string(item->tag()) +
                    (item->state() == ControlStateValue::On ? " checked" : ""));
  }
  return lines;
}

class ActivationDurationsMenuTest : public ::testing::Test {
 protected:
  ActivationDurationsMenuTest() {
    defaults.set(kDZLDurationsKey, PropertyArray{3600, 600});
    DZLKeys::setDzl_defaultTimeInterval(defaults, 600);
    menuController = DZLActivationDurationsMenuController::create();
    menuController->setDelegate(delegate);
  }
  // The menu as it opens.
  const platform::Menu& open() {
    menuController->menu()->menuWillOpen();
    return *menuController->menu();
  }
  std::shared_ptr<MenuItem> item(std::size_t index) { return open().items().at(index); }

  testing::TestPlatform platform;
  testing::PinnedLocale pin{"en_US", "America/New_York"};
  platform::UserDefaults& defaults = platform::UserDefaults::standard();
  std::shared_ptr<DZLActivationDurationsMenuController> menuController;
  std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
};

TEST_F(ActivationDurationsMenuTest, BuildsEveryDurationWithItsDefaultAlternateAndCustom) {
  delegate->session = ManualSessionKind::duration(600, platform.now());
  EXPECT_EQ(menuController->menu()->title(), "Keep Awake For");
  EXPECT_THAT(
      describe(open()),
      ::testing::ElementsAre("Indefinitely  #0", "  alt Set Default: Indefinitely #0",
                             "10 minutes (Default) #600 checked",
                             "  alt Set Default: 10 minutes #600 checked", "1 hour  #3600",
                             "  alt Set Default: 1 hour #3600", "---", "Custom Duration\u2026 #0"));
  const auto runs = item(2)->attributedTitle();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].font, platform::Font::monospacedDigitSystemFont(14));
  EXPECT_EQ(runs[1].color, platform::Color::secondaryLabel());
  EXPECT_THAT(describe(open()), ::testing::SizeIs(8));  // rebuilt, not appended
}

TEST_F(ActivationDurationsMenuTest, TheCheckMarkFollowsTheRunningSession) {
  struct Row {
    const char* name;
    ManualSessionKind session;
    std::optional<std::size_t> checkedRow;  // index of the checked choice
  };
  const platform::Date now = platform.now();
  const Row rows[] = {
      {"no session", ManualSessionKind::none(), std::nullopt},
      {"a duration from the list", ManualSessionKind::duration(3600, now), 4},
      {"indefinite", ManualSessionKind::indefinite(), 0},
      {"until a time, even of a listed length", ManualSessionKind::until(now + 600), std::nullopt},
      {"extended past every listed length", ManualSessionKind::duration(1500, now), std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    delegate->session = row.session;
    const auto& items = open().items();
    for (std::size_t i = 0; i + 2 < items.size(); ++i) {
      const bool checked = row.checkedRow && (i == *row.checkedRow || i == *row.checkedRow + 1);
      EXPECT_EQ(items[i]->state() == ControlStateValue::On, checked) << "item " << i;
    }
  }
}

TEST_F(ActivationDurationsMenuTest, ItemsTellTheDelegateOrSetTheDefault) {
  EXPECT_TRUE(item(4)->performAction());
  EXPECT_TRUE(item(0)->performAction());
  EXPECT_THAT(delegate->chosen, ::testing::ElementsAre(3600, 0));

  EXPECT_TRUE(item(5)->performAction());  // "Set Default: 1 hour"
  EXPECT_EQ(DZLKeys::dzl_defaultTimeInterval(defaults), 3600);
  EXPECT_EQ(describe(open())[4], "1 hour (Default) #3600");

  EXPECT_TRUE(item(7)->performAction());
  EXPECT_EQ(delegate->customChosen, 1);

  // Once the controller is gone its items do nothing.
  const auto kept = item(4);
  menuController.reset();
  kept->performAction();
  EXPECT_THAT(delegate->chosen, ::testing::SizeIs(2));
}

}  // namespace
}  // namespace vigilix
