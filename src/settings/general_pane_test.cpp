#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "health/app_notification_names.h"
#include "menubar/activation_durations_controller.h"
#include "menubar/global_shortcut_center.h"
#include "platform/ui/accessibility.h"
#include "platform/ui/event.h"
#include "platform/ui/hot_key_service.h"
#include "settings/settings_window.h"
#include "testing/fake_hot_keys.h"
#include "testing/fake_login_item.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

namespace Flags = platform::ModifierFlags;
namespace Bits = platform::HotKeyModifiers;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::uint16_t kK = 40;
constexpr std::uint16_t kJ = 38;
constexpr const char* kInUse = "This shortcut is already in use. Choose a different one.";

// The settings window's model, its General pane, without a screen.
class GeneralPaneTest : public ::testing::Test {
 public:
  std::shared_ptr<DZLSettingsWindow> open() {
    auto made = DZLSettingsWindow::make(
        {defaults, durations, loginItem, *shortcuts, std::nullopt, {}, [] {}});
    made->makeKeyAndOrderFront();
    platform.runUntilIdle();
    return made;
  }
  std::vector<std::string> posted(const char* name) {
    std::vector<std::string> seen;
    for (const auto& n : notes) {
      if (n == name) seen.push_back(n);
    }
    return seen;
  }

  testing::TestPlatform platform;
  testing::FakeLoginItem loginItem;
  testing::FakeHotKeys hotKeys;
  platform::UserDefaults& defaults = platform::UserDefaults::standard();
  std::shared_ptr<VGXGlobalShortcutCenter> shortcuts =
      VGXGlobalShortcutCenter::create(defaults, hotKeys);
  DZLActivationDurationsController durations{defaults};
  std::vector<std::string> notes;
  platform::ObserverHandle menuObserver = platform::NotificationCenter::defaultCenter().addObserver(
      kVGXOpenStatusMenuNotification, nullptr, nullptr,
      [this](const platform::Notification& n) { notes.push_back(n.name); });
};

TEST_F(GeneralPaneTest, TheWelcomeShowsUntilAnsweredAndEachAnswerDoesItsPart) {
  struct Row {
    const char* name;
    bool answered;     // before the window opens
    const char* show;  // how it is asked for again: "", "button" or "notice"
    const char* answer;
    bool windowStays;
    int menusOpened;
  };
  const Row rows[] = {
      {"first run, Open Menu", false, "", "Open Menu", false, 1},
      {"first run, Not Now", false, "", "Not Now", true, 0},
      {"Show Welcome Again, then Not Now", true, "button", "Not Now", true, 0},
      {"the show-welcome notice, then Open Menu", true, "notice", "Open Menu", false, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform fresh;
    auto& standard = platform::UserDefaults::standard();
    notes.clear();
    if (row.answered) standard.set(kDZLDidShowWelcomeKey, true);
    testing::FakeHotKeys keys;
    auto centre = VGXGlobalShortcutCenter::create(standard, keys);
    DZLActivationDurationsController list(standard);
    auto window =
        DZLSettingsWindow::make({standard, list, loginItem, *centre, std::nullopt, {}, [] {}});
    auto& pane = window->generalPane();
    EXPECT_EQ(pane.showWelcome(), !row.answered);
    EXPECT_EQ(pane.welcomeSheet(), nullptr);  // nothing shows before the window does
    window->makeKeyAndOrderFront();
    fresh.runUntilIdle();
    EXPECT_EQ(pane.welcomeSheet() != nullptr, !row.answered);
    if (std::string(row.show) == "button") pane.welcomeButton()->performClick();
    if (std::string(row.show) == "notice") {
      platform::NotificationCenter::defaultCenter().post(kVGXShowWelcomeNotification);
    }
    ASSERT_TRUE(pane.welcomeSheet());
    EXPECT_EQ(window->attachedSheet(), pane.welcomeSheet()->window());
    auto sheet = pane.welcomeSheet();
    (std::string(row.answer) == "Open Menu" ? sheet->openMenuButton() : sheet->notNowButton())
        ->performClick();
    fresh.runUntilIdle();
    EXPECT_EQ(window->attachedSheet(), nullptr);
    EXPECT_EQ(pane.welcomeSheet(), nullptr);
    EXPECT_FALSE(pane.showWelcome());
    EXPECT_EQ(standard.userValue(kDZLDidShowWelcomeKey), platform::PropertyValue(true));
    EXPECT_EQ(window->isVisible(), row.windowStays);
    EXPECT_EQ(static_cast<int>(posted(kVGXOpenStatusMenuNotification).size()), row.menusOpened);
    window->close();
  }
}

TEST_F(GeneralPaneTest, TheShortcutRowRecordsRefusesAndClearsThroughTheCentre) {
  using Act = std::function<void(VGXGeneralSettingsViewController&, testing::FakeHotKeys&)>;
  struct Row {
    const char* name;
    Act act;
    std::optional<VGXShortcut> shown;
    std::optional<std::string> conflict;
    std::vector<std::string> spoken;
  };
  auto record = [](std::uint16_t key, std::uint64_t flags) {
    return [=](VGXGeneralSettingsViewController& pane, testing::FakeHotKeys&) {
      pane.recordShortcut(key, flags);
    };
  };
  const Row rows[] = {
      {"a free shortcut is kept",
       record(kK, Flags::Command),
       VGXShortcut{kK, Flags::Command},
       std::nullopt,
       {}},
      {"a taken one keeps the previous, says why once",
       [&](VGXGeneralSettingsViewController& pane, testing::FakeHotKeys& keys) {
         pane.recordShortcut(kK, Flags::Command);
         keys.takeElsewhere(kJ, Bits::Command);
         pane.recordShortcut(kJ, Flags::Command);
         pane.recordShortcut(kJ, Flags::Command);
       },
       VGXShortcut{kK, Flags::Command},
       kInUse,
       {kInUse}},
      {"a later success clears the message",
       [&](VGXGeneralSettingsViewController& pane, testing::FakeHotKeys& keys) {
         keys.takeElsewhere(kJ, Bits::Command);
         pane.recordShortcut(kJ, Flags::Command);
         pane.recordShortcut(kJ, Flags::Option);
       },
       VGXShortcut{kJ, Flags::Option},
       std::nullopt,
       {kInUse}},
      {"Clear removes it",
       [&](VGXGeneralSettingsViewController& pane, testing::FakeHotKeys&) {
         pane.recordShortcut(kK, Flags::Command);
         pane.clearShortcut();
       },
       std::nullopt,
       std::nullopt,
       {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform fresh;
    testing::FakeHotKeys keys;
    auto& standard = platform::UserDefaults::standard();
    standard.set(kDZLDidShowWelcomeKey, true);
    auto centre = VGXGlobalShortcutCenter::create(standard, keys);
    std::vector<std::string> spoken;
    auto token = platform::AccessibilityCenter::observe([&](const platform::AccessibilityPost& p) {
      if (p.notification == platform::AccessibilityNotification::AnnouncementRequested) {
        spoken.push_back(p.announcement);
      }
    });
    DZLActivationDurationsController list(standard);
    auto window =
        DZLSettingsWindow::make({standard, list, loginItem, *centre, std::nullopt, {}, [] {}});
    auto& pane = window->generalPane();
    row.act(pane, keys);
    EXPECT_EQ(pane.shortcut(), row.shown);
    EXPECT_EQ(centre->savedShortcut(), row.shown);
    EXPECT_EQ(pane.shortcutConflict(), row.conflict);
    EXPECT_EQ(pane.shortcutConflictLine()->isHidden(), !row.conflict);
    EXPECT_EQ(spoken, row.spoken);
    // The row's recorder tells a screen reader what is bound.
    auto host = pane.shortcutRow()->subviews()[1];
    EXPECT_EQ(host->accessibilityValue(), row.shown
                                              ? VGXGlobalShortcutCenter::displayString(
                                                    row.shown->keyCode, row.shown->modifierFlags)
                                              : "None");
  }
}

TEST_F(GeneralPaneTest, AForcedShortcutCannotBeRecordedOrCleared) {
  defaults.set(kDZLDidShowWelcomeKey, true);
  ASSERT_TRUE(shortcuts->setShortcut(kK, Flags::Command));
  // A profile forces the same shortcut.
  platform.defaults.standard().setForced(kGlobalShortcutDefaultsKey,
                                         *defaults.object(kGlobalShortcutDefaultsKey));
  auto window = open();
  auto& pane = window->generalPane();
  auto recorder = pane.shortcutRow()->subviews()[1]->subviews()[0];
  recorder->accessibilityPerformPress();
  EXPECT_FALSE(pane.isRecordingShortcut());
  ASSERT_EQ(pane.shortcutRow()->subviews().size(), 3u);
  auto clear = std::dynamic_pointer_cast<platform::Button>(pane.shortcutRow()->subviews()[2]);
  ASSERT_TRUE(clear);
  EXPECT_FALSE(clear->isEnabled());
  EXPECT_THAT(pane.footerFor(kGlobalShortcutDefaultsKey),
              ::testing::Optional(std::string("Managed by your organization.\nStarts or stops "
                                              "keeping your computer awake from any app. Press "
                                              "Esc to cancel recording.")));
  window->close();
}

TEST_F(GeneralPaneTest, TypingIntoTheRecorderRecordsAndEscapeCancels) {
  defaults.set(kDZLDidShowWelcomeKey, true);
  auto window = open();
  auto& pane = window->generalPane();
  struct Row {
    const char* name;
    std::uint16_t keyCode;
    std::uint64_t flags;
    std::optional<VGXShortcut> shown;
  };
  const Row rows[] = {
      {"Escape cancels", platform::KeyCode::Escape, 0, std::nullopt},
      {"a bare key waits, then a chord is recorded", kK, Flags::Command | Flags::Shift,
       VGXShortcut{kK, Flags::Command | Flags::Shift}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto recorder = pane.shortcutRow()->subviews()[1]->subviews()[0];
    recorder->accessibilityPerformPress();
    EXPECT_TRUE(pane.isRecordingShortcut());
    window->sendEvent(platform::Event::key(kJ, "j"));
    EXPECT_TRUE(pane.isRecordingShortcut());
    window->sendEvent(platform::Event::key(row.keyCode, "", row.flags));
    EXPECT_FALSE(pane.isRecordingShortcut());
    EXPECT_EQ(pane.shortcut(), row.shown);
  }
  EXPECT_THAT(hotKeys.registrations(), ::testing::SizeIs(1));
  window->close();
}

}  // namespace
}  // namespace vigilix
