#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/device.h"
#include "core/dzl_app_updater.h"
#include "core/dzl_keys.h"
#include "platform/notifications/notification_center.h"
#include "platform/ui/application.h"
#include "settings/about_settings_pane.h"
#include "settings/advanced_settings_pane.h"
#include "settings/battery_settings_pane.h"
#include "settings/general_settings_pane.h"
#include "settings/login_settings_pane.h"
#include "settings/update_settings_pane.h"
#include "testing/fake_login_item.h"
#include "testing/temporary_folder.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

using platform::PropertyValue;

class ContentPanesTest : public ::testing::Test {
 public:
  testing::TestPlatform platform;
  platform::UserDefaults& defaults = platform::UserDefaults::standard();
  testing::FakeLoginItem loginItem;
  int notificationSettingsOpened = 0;
};

TEST_F(ContentPanesTest, EachPaneGivesItsTabItemAndSizing) {
  struct Row {
    const char* name;
    VGXSettingsTabViewItem item;
    const char* image;
    bool resizes;
  };
  const Row rows[] = {
      {"General",
       DZLSettingsContentViewController::preferredTabViewItem<DZLGeneralSettingsViewController>(
           loginItem, std::function<void()>{}),
       "gearshape", false},
      {"Advanced",
       DZLSettingsContentViewController::preferredTabViewItem<DZLAdvancedSettingsViewController>(
           defaults),
       "gearshape.2", false},
      {"About",
       DZLSettingsContentViewController::preferredTabViewItem<DZLAboutSettingsViewController>(
           platform::PropertyDictionary{}, std::nullopt),
       "info.circle", false},
      {"Battery",
       DZLSettingsContentViewController::preferredTabViewItem<DZLBatterySettingsViewController>(
           DZLDevice::currentDevice(), defaults),
       "battery.100", true},
      {"Updates",
       DZLSettingsContentViewController::preferredTabViewItem<DZLUpdateSettingsViewController>(
           DZLAppUpdater::defaultAppUpdater()),
       "network", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.item.label, row.name);
    EXPECT_EQ(row.item.viewController->title(), row.name);
    ASSERT_TRUE(row.item.image);
    EXPECT_EQ(row.item.image->symbolName(), row.image);
    EXPECT_EQ(row.item.image->accessibilityDescription(), std::nullopt);
    auto& pane = *row.item.viewController;
    EXPECT_EQ(pane.resizesView(), row.resizes);
    // Only a resizing pane takes its fitting size; the others keep theirs.
    pane.setPreferredContentSize({1, 1});
    pane.viewWillAppear();
    platform::Size fitting = pane.view()->fittingSize();
    EXPECT_EQ(pane.preferredContentSize(), (row.resizes ? fitting : platform::Size{1, 1}));
  }
}

TEST_F(ContentPanesTest, AdvancedRowsStoreTheirValueAndOnlyResetRemovesIt) {
  struct Row {
    const char* name;
    std::size_t row;
    int clicks;
    bool reset;
    std::optional<PropertyValue> stored;
    bool shownOn;
  };
  // The display row's key has a registered default of true.
  const Row rows[] = {
      {"unchecking stores false over a registered true", 1, 1, false, false, false},
      {"checking again stores true", 1, 2, false, true, true},
      {"reset removes the key and the registered true shows again", 1, 1, true, std::nullopt, true},
      {"quit on expiry: checking stores true", 0, 1, false, true, true},
      {"user switch: unchecking what is off by default stores false", 2, 2, false, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform fresh;
    auto& standard = platform::UserDefaults::standard();
    standard.registerDefaults({{kDZLAllowDisplaySleepKey, true}});
    DZLAdvancedSettingsViewController pane(standard);
    ASSERT_EQ(pane.rows().size(), 3u);
    for (int i = 0; i < row.clicks; ++i) pane.rows()[row.row]->performClick();
    if (row.reset) pane.resetButton()->performClick();
    EXPECT_EQ(standard.userValue(pane.settings()[row.row].key()), row.stored);
    EXPECT_EQ(pane.rows()[row.row]->isOn(), row.shownOn);
  }
}

TEST_F(ContentPanesTest, AForcedAdvancedSettingIsDisabledWithTheManagedFooter) {
  platform.defaults.standard().setForced(kDZLDeactivateOnUserSwitchEnabledKey, true);
  DZLAdvancedSettingsViewController pane(defaults);
  EXPECT_TRUE(pane.rows()[0]->isEnabled());
  EXPECT_FALSE(pane.rows()[2]->isEnabled());
  EXPECT_FALSE(pane.footer()->isHidden());
  EXPECT_EQ(pane.footer()->stringValue(), "Managed by your organization.");
}

TEST_F(ContentPanesTest, AboutShowsTheVersionNoticeAndCredits) {
  auto folder = testing::makeTemporaryFolder("about");
  std::ofstream(folder / "credits.txt") << "Thanks to everyone who tested it.";
  struct Row {
    const char* name;
    platform::PropertyDictionary info;
    std::optional<std::filesystem::path> credits;
    const char* version;
    std::optional<std::string> notice;
    std::optional<std::string> shownCredits;
  };
  const Row rows[] = {
      {"every entry",
       {{"CFBundleShortVersionString", "1.4"},
        {"CFBundleVersion", "140"},
        {"NSHumanReadableCopyright", "© 2026 Vigilix"}},
       folder / "credits.txt",
       "Version 1.4 (140)",
       "© 2026 Vigilix",
       "Thanks to everyone who tested it."},
      {"no build number, a missing credits file",
       {{"CFBundleShortVersionString", "1.4"}},
       folder / "missing.txt",
       "Version 1.4 ()",
       std::nullopt,
       std::nullopt},
      {"a notice that is not text is none",
       {{"NSHumanReadableCopyright", 3}},
       std::nullopt,
       "Version  ()",
       std::nullopt,
       std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    DZLAboutSettingsViewController pane(row.info, row.credits);
    EXPECT_EQ(pane.versionText(), row.version);
    EXPECT_EQ(pane.versionLabel()->stringValue(), row.version);
    EXPECT_EQ(pane.legalNoticeText(), row.notice);
    EXPECT_EQ(pane.credits(), row.shownCredits);
    EXPECT_FALSE(pane.isEditable());
  }
  std::filesystem::remove_all(folder);
}

TEST_F(ContentPanesTest, TheAboutWindowComesForwardOnceAndAgain) {
  VGXAboutWindow about({{"CFBundleShortVersionString", "1.4"}}, std::nullopt);
  for (int shown = 0; shown < 2; ++shown) {
    SCOPED_TRACE(shown);
    about.show();
    EXPECT_TRUE(about.window()->isVisible());
    EXPECT_EQ(about.window()->title(), "About Vigilix");
    EXPECT_TRUE(platform::Application::shared().isActive());
    EXPECT_GE(about.window()->contentRect().height(), about.pane().view()->fittingSize().height);
    about.window()->close();
  }
}

TEST_F(ContentPanesTest, BatteryPaneShowsTheBatteryAndAnnouncesItsChanges) {
  struct Row {
    const char* name;
    std::optional<std::vector<platform::PowerSourceReading>> sources;
    const char* state;
  };
  const Row rows[] = {
      {"no battery", std::nullopt, "This computer has no battery."},
      {"on battery", std::vector{testing::FakePowerSources::internalBattery(57, 100, true)},
       "Battery level: 57%, on battery power"},
      {"on mains", std::vector{testing::FakePowerSources::internalBattery(80, 100, false)},
       "Battery level: 80%"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform fresh;
    fresh.power.sources.setReadings(row.sources);
    auto& standard = platform::UserDefaults::standard();
    int posted = 0;
    auto observer = platform::NotificationCenter::defaultCenter().addObserver(
        kVGXBatteryThresholdDidChangeNotification, nullptr, nullptr,
        [&](const platform::Notification&) { ++posted; });
    auto device = DZLDevice::make();
    DZLBatterySettingsViewController pane(*device, standard);
    EXPECT_EQ(pane.batteryState()->stringValue(), row.state);
    pane.thresholdEnabled()->performClick();
    EXPECT_EQ(standard.userValue(kDZLBatteryCapacityThresholdEnabledKey), PropertyValue(true));
    EXPECT_EQ(posted, 1);
  }
}

TEST_F(ContentPanesTest, UpdatesAndGeneralReachWhatTheyStandFor) {
  DZLUpdateSettingsViewController updates(DZLAppUpdater::defaultAppUpdater());
  EXPECT_TRUE(updates.answer()->isHidden());
  updates.checkButton()->performClick();
  EXPECT_FALSE(updates.answer()->isHidden());
  EXPECT_EQ(updates.answer()->stringValue(),
            "Vigilix is updated by your system\u2019s package manager.");

  struct Row {
    const char* name;
    std::optional<std::string> failure;
    bool on;
    int registrations;
  };
  const Row rows[] = {
      {"checking registers the login item", std::nullopt, true, 1},
      {"a refusal shows what the desktop has", "refused", false, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::FakeLoginItem item;
    item.setFailure(row.failure);
    DZLGeneralSettingsViewController general(item, [this] { ++notificationSettingsOpened; });
    EXPECT_FALSE(general.startAtLoginCheckBoxButton()->isOn());
    general.startAtLoginCheckBoxButton()->performClick();
    EXPECT_EQ(general.startAtLoginCheckBoxButton()->isOn(), row.on);
    EXPECT_EQ(item.registrations(), row.registrations);
  }
  DZLGeneralSettingsViewController general(loginItem, [this] { ++notificationSettingsOpened; });
  general.notificationSettingsButton()->performClick();
  EXPECT_EQ(notificationSettingsOpened, 1);
}

}  // namespace
}  // namespace vigilix
