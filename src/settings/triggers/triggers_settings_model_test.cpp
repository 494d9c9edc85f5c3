#include "settings/triggers/triggers_settings_model.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "hub/trigger_configuration_store.h"
#include "platform/locale/time_zone.h"
#include "testing/fake_system.h"
#include "testing/pinned_locale.h"
#include "testing/temporary_folder.h"
#include "testing/test_platform.h"
#include "testing/test_user_defaults.h"

namespace vigilix {
namespace {

using Edit = std::function<void(TriggerConfiguration&)>;
using Strings = std::vector<std::string>;

class RecordingHub final : public TriggersSettingsHub {
 public:
  void reloadConfiguration() override { ++reloads; }
  void setAutomationEnabled(bool enabled) override { automation.push_back(enabled); }
  bool watchFileAt(const std::string& path) override {
    watched.push_back(path);
    return acceptsWatches;
  }
  TriggerPause pause() const override { return TriggerPause::none(); }
  std::vector<TriggerReason> currentReasons() const override { return reasons; }
  StatusTextContext statusTextContext() const override { return {}; }
  std::vector<Watch> activeWatches() const override { return {}; }
  void stopWatch(const std::string&) override {}
  bool watchApp(std::int32_t) override { return false; }

  int reloads = 0;
  std::vector<bool> automation;
  bool acceptsWatches = true;
  Strings watched;
  std::vector<TriggerReason> reasons;
};

class TriggersSettingsModelTest : public ::testing::Test {
 protected:
  TriggersSettingsModelTest() {
    platform::WiFiInterface::setCurrent(&wifi);
    platform::RunningApplications::setCurrent(&running);
  }
  ~TriggersSettingsModelTest() override {
    platform::WiFiInterface::setCurrent(nullptr);
    platform::RunningApplications::setCurrent(nullptr);
  }

  void store(const Edit& edit) {
    TriggerConfiguration configuration = TriggerConfiguration::defaultConfiguration();
    if (edit) edit(configuration);
    VGXTriggerConfigurationStore::save(configuration, defaults);
  }
  TriggerConfiguration stored() const { return VGXTriggerConfigurationStore::load(defaults); }
  std::unique_ptr<VGXTriggersSettingsModel> makeModel() {
    auto model = std::make_unique<VGXTriggersSettingsModel>(VGXTriggersSettingsModel::Collaborators{
        defaults, hub, [this](const std::string& text) { announced.push_back(text); },
        platform::Calendar(*platform::TimeZone::named("Europe/London"),
                           platform::Locale("en_GB"))});
    model->load();
    return model;
  }

  testing::PinnedLocale pin_{"en_GB", "Europe/London"};
  testing::TestPlatform platform_;
  testing::TestUserDefaults defaults;
  std::shared_ptr<RecordingHub> hub = std::make_shared<RecordingHub>();
  testing::FakeWiFiInterface wifi;
  testing::FakeRunningApplications running;
  Strings announced;
};

TEST_F(TriggersSettingsModelTest, LoadShowsTheStoredRulesInFriendlierUnits) {
  struct Row {
    const char* name;
    Edit stored;
    bool diskEnabled;
    double diskMBps;
    bool networkEnabled;
    double networkMBps;
    bool cpuEnabled;
    double cpuPercent;
    bool scheduleEnabled = false;
    std::optional<std::string> message = std::nullopt;
    Strings apps = {};
    Strings frontmost = {};
  };
  const Row rows[] = {
      {"nothing stored", {}, false, 20, false, 1, false, 50},
      {"thresholds in bytes per second become MB/s",
       [](auto& c) {
         c.diskThresholdBytesPerSecond = 35'000'000;
         c.networkThresholdBytesPerSecond = 2'500'000;
         c.cpuThresholdPercent = 80;
       },
       true, 35, true, 2.5, true, 80},
      {"low values clamp up",
       [](auto& c) {
         c.diskThresholdBytesPerSecond = 500'000;
         c.networkThresholdBytesPerSecond = 10;
         c.cpuThresholdPercent = 0;
       },
       true, 1, true, 0.1, true, 1},
      {"high values clamp down",
       [](auto& c) {
         c.diskThresholdBytesPerSecond = 5'000'000'000;
         c.networkThresholdBytesPerSecond = 5e12;
         c.cpuThresholdPercent = 400;
       },
       true, 2000, true, 1000, true, 100},
      {"an overnight schedule",
       [](auto& c) {
         c.schedule = TriggerSchedule{{2}, 1320, 360};
       },
       false, 20, false, 1, false, 50, true, "Ends the next day"},
      {"a schedule without weekdays",
       [](auto& c) {
         c.schedule = TriggerSchedule{{}, 540, 1020};
       },
       false, 20, false, 1, false, 50, true, "Choose at least one weekday."},
      {"apps with a mark in other letter case",
       [](auto& c) {
         c.appBundleIdentifiers = {"code", "gimp"};
         c.frontmostOnlyBundleIdentifiers = {"GIMP"};
       },
       false,
       20,
       false,
       1,
       false,
       50,
       false,
       std::nullopt,
       {"code", "gimp"},
       {"GIMP"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    store(row.stored);
    const auto model = makeModel();
    EXPECT_EQ(model->diskEnabled, row.diskEnabled);
    EXPECT_DOUBLE_EQ(model->diskMBps, row.diskMBps);
    EXPECT_EQ(model->networkEnabled, row.networkEnabled);
    EXPECT_DOUBLE_EQ(model->networkMBps, row.networkMBps);
    EXPECT_EQ(model->cpuEnabled, row.cpuEnabled);
    EXPECT_DOUBLE_EQ(model->cpuPercent, row.cpuPercent);
    EXPECT_EQ(model->scheduleEnabled(), row.scheduleEnabled);
    EXPECT_EQ(model->scheduleValidationMessage(), row.message);
    EXPECT_EQ(model->apps().appIdentifiers(), row.apps);
    EXPECT_EQ(model->apps().frontmostOnly(), row.frontmost);
  }
}

// Each edit is checked on what the store then holds and on the hub's reload.
TEST_F(TriggersSettingsModelTest, EditsAreStoredAndTheHubReloads) {
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  struct Row {
    const char* name;
    Edit before;
    std::function<void(VGXTriggersSettingsModel&)> act;
    Edit expected;  // applied to the stored rules before the act
    std::optional<std::string> message = std::nullopt;
    Strings announced = {};
    int reloads = 1;
  };
  const Row rows[] = {
      {"network and CPU on, in MB/s and percent",
       {},
       [](auto& m) {
         m.networkEnabled = m.cpuEnabled = true;
         m.networkMBps = 3.5;
         m.cpuPercent = 75;
         m.applyNetworkAndCPUThresholds();
       },
       [](auto& c) {
         c.networkThresholdBytesPerSecond = 3'500'000;
         c.cpuThresholdPercent = 75;
       }},
      {"values that are no number store the middle ones",
       {},
       [](auto& m) {
         m.networkEnabled = m.cpuEnabled = true;
         m.networkMBps = m.cpuPercent = nan;
         m.applyNetworkAndCPUThresholds();
       },
       [](auto& c) {
         c.networkThresholdBytesPerSecond = 1'000'000;
         c.cpuThresholdPercent = 50;
       }},
      {"switched off removes the thresholds",
       [](auto& c) {
         c.networkThresholdBytesPerSecond = 2e6;
         c.cpuThresholdPercent = 20;
         c.diskThresholdBytesPerSecond = 4e6;
       },
       [](auto& m) {
         m.networkEnabled = m.cpuEnabled = m.diskEnabled = false;
         m.applyNetworkAndCPUThresholds();
         m.applyDiskThreshold();
       },
       [](auto& c) {
         c.networkThresholdBytesPerSecond.reset();
         c.cpuThresholdPercent.reset();
         c.diskThresholdBytesPerSecond.reset();
       },
       std::nullopt,
       {},
       2},
      {"disk clamps to 2000 MB/s",
       {},
       [](auto& m) {
         m.diskEnabled = true;
         m.diskMBps = 9000;
         m.applyDiskThreshold();
       },
       [](auto& c) { c.diskThresholdBytesPerSecond = 2e9; }},
      {"a schedule turned on is Monday to Friday 09:00-17:00",
       {},
       [](auto& m) { m.setScheduleEnabled(true); },
       [](auto& c) {
         c.schedule = TriggerSchedule{{2, 3, 4, 5, 6}, 540, 1020};
       }},
      {"an existing schedule is kept when turned on",
       [](auto& c) {
         c.schedule = TriggerSchedule{{1}, 60, 120};
       },
       [](auto& m) { m.setScheduleEnabled(true); },
       {}},
      {"turned off removes it",
       [](auto& c) {
         c.schedule = TriggerSchedule{{1}, 60, 120};
       },
       [](auto& m) { m.setScheduleEnabled(false); }, [](auto& c) { c.schedule.reset(); }},
      {"22:00 to 06:00 is saved and ends the next day",
       [](auto& c) {
         c.schedule = TriggerSchedule{{2}, 540, 1020};
       },
       [](auto& m) {
         m.setScheduleStart(m.dateForMinuteOfDay(1320));
         m.setScheduleEnd(m.dateForMinuteOfDay(360));
         m.applyScheduleTimes();
       },
       [](auto& c) {
         c.schedule = TriggerSchedule{{2}, 1320, 360};
       },
       "Ends the next day"},
      {"equal times with weekdays are not saved",
       [](auto& c) {
         c.schedule = TriggerSchedule{{2}, 540, 1020};
       },
       [](auto& m) {
         m.setScheduleStart(m.dateForMinuteOfDay(600));
         m.setScheduleEnd(m.dateForMinuteOfDay(600));
         m.applyScheduleTimes();
         m.applyScheduleTimes();
       },
       {},
       "Start and end times can\u2019t be the same.",
       {"Start and end times can\u2019t be the same."},
       0},
      {"removing the last weekday saves an empty set",
       [](auto& c) {
         c.schedule = TriggerSchedule{{2}, 540, 1020};
       },
       [](auto& m) { m.setWeekday(2, false); },
       [](auto& c) { c.schedule->weekdays.clear(); },
       "Choose at least one weekday.",
       {"Choose at least one weekday."}},
      {"adding a weekday",
       [](auto& c) {
         c.schedule = TriggerSchedule{{2}, 540, 1020};
       },
       [](auto& m) { m.setWeekday(7, true); }, [](auto& c) { c.schedule->weekdays.insert(7); }},
      {"a mark in other letter case is written in the list's case",
       [](auto& c) {
         c.appBundleIdentifiers = {"code", "Gimp"};
         c.frontmostOnlyBundleIdentifiers = {"GIMP", "gone"};
       },
       [](auto& m) { m.editApps([](AppListModel& apps) { apps.add("firefox"); }); },
       [](auto& c) {
         c.appBundleIdentifiers.push_back("firefox");
         c.frontmostOnlyBundleIdentifiers = {"Gimp"};
       }},
      {"removing and undoing apps saves each step",
       [](auto& c) {
         c.appBundleIdentifiers = {"a", "b"};
       },
       [](auto& m) {
         m.selectedApp = "a";
         m.editApps([](AppListModel& apps) { apps.remove("a"); });
         EXPECT_EQ(m.selectedApp, std::nullopt);
         m.editApps([](AppListModel& apps) { apps.undoRemoval(); });
       },
       {},
       std::nullopt,
       {},
       2},
      {"a sustain time edited directly",
       {},
       [](auto& m) { m.editConfiguration([](auto& c) { c.sustainSeconds = 120; }); },
       [](auto& c) { c.sustainSeconds = 120; }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    store(row.before);
    TriggerConfiguration expected = stored();
    if (row.expected) row.expected(expected);
    const auto model = makeModel();
    hub->reloads = 0;
    announced.clear();
    row.act(*model);
    EXPECT_EQ(stored(), expected);
    EXPECT_EQ(model->configuration(), expected);
    EXPECT_EQ(hub->reloads, row.reloads);
    EXPECT_EQ(model->scheduleValidationMessage(), row.message);
    EXPECT_EQ(announced, row.announced);
  }
}

TEST_F(TriggersSettingsModelTest, WiFiStatusAndAddingTheCurrentNetwork) {
  struct Row {
    const char* name;
    std::optional<std::string> network;
    Strings storedNames;
    int adds;
    std::string text;
    Strings names;
    Strings announced = {};
  };
  const Row rows[] = {
      {"joined", "Home", {}, 1, "Current network: Home", {"Home"}},
      {"added twice keeps one", "Home", {}, 2, "Current network: Home", {"Home"}},
      {"another letter case is another name",
       "home",
       {"Home"},
       1,
       "Current network: home",
       {"Home", "home"}},
      {"not joined announces why",
       std::nullopt,
       {},
       1,
       "Not connected to a Wi-Fi network.",
       {},
       {"Not connected to a Wi-Fi network."}},
      {"an empty name counts as none", "", {}, 0, "Not connected to a Wi-Fi network.", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    wifi.networkName = row.network;
    store([&](auto& c) { c.wifiNetworkNames = row.storedNames; });
    announced.clear();
    const auto model = makeModel();
    for (int add = 0; add < row.adds; ++add) model->addCurrentNetwork();
    EXPECT_EQ(model->wifiStatusText(), row.text);
    EXPECT_FALSE(model->showsOpenLocationSettings());
    EXPECT_EQ(stored().wifiNetworkNames, row.names);
    EXPECT_EQ(announced, row.announced);
  }
}

TEST_F(TriggersSettingsModelTest, AppsComeFromDesktopEntriesAndRunningApplications) {
  const auto folder = testing::makeTemporaryFolder("triggers-apps");
  const auto write = [&](const std::string& file, const std::string& text) {
    std::ofstream(folder / file) << text;
    return (folder / file).string();
  };
  const std::string code =
      write("code.desktop", "[Desktop Entry]\nType=Application\nName=Code\nExec=code %F\n");
  const std::string link = write("site.desktop", "[Desktop Entry]\nType=Link\nURL=x\n");
  const std::string text = write("notes.txt", "[Desktop Entry]\nType=Application\nExec=notes\n");
  struct Row {
    const char* name;
    std::function<void(VGXTriggersSettingsModel&)> act;
    Strings apps;
  };
  const Row rows[] = {
      {"picked entries are added, others skipped",
       [&](auto& m) {
         m.addApps({link, code, text});
       },
       {"code"}},
      {"a dropped entry is taken", [&](auto& m) { EXPECT_TRUE(m.addDroppedApp(code)); }, {"code"}},
      {"a dropped file of another kind is refused",
       [&](auto& m) { EXPECT_FALSE(m.addDroppedApp(text)); },
       {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    store({});
    const auto model = makeModel();
    row.act(*model);
    EXPECT_EQ(stored().appBundleIdentifiers, row.apps);
  }
  std::filesystem::remove_all(folder);

  running.add("zed").localizedName = "zed";
  running.applications.back().isRegular = true;
  running.add("code").localizedName = "Code";
  running.applications.back().isRegular = true;
  running.applications.back().iconName = "vscode";
  running.add("CODE").localizedName = "Code Again";
  running.applications.back().isRegular = true;
  running.add("sshd").isRegular = false;
  running.add(std::nullopt).isRegular = true;
  EXPECT_EQ(VGXTriggersSettingsModel::runningApps(),
            (std::vector<RunningApp>{{"code", "Code", "vscode"}, {"zed", "zed"}}));
}

// The weekday toggles start at the calendar's first weekday and carry the full names.
TEST_F(TriggersSettingsModelTest, WeekdayItemsFollowTheCalendarsWeek) {
  struct Row {
    const char* locale;
    std::vector<int> order;
    WeekdayItem first;
  };
  const Row rows[] = {
      {"en_GB", {2, 3, 4, 5, 6, 7, 1}, {2, "Mon", "Monday"}},
      {"en_US", {1, 2, 3, 4, 5, 6, 7}, {1, "Sun", "Sunday"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.locale);
    VGXTriggersSettingsModel model(
        {defaults,
         hub,
         {},
         platform::Calendar(*platform::TimeZone::named("UTC"), platform::Locale(row.locale))});
    const auto items = model.weekdayItems();
    std::vector<int> order;
    for (const auto& item : items) order.push_back(item.weekday);
    EXPECT_EQ(order, row.order);
    EXPECT_EQ(items.front(), row.first);
  }
}

}  // namespace
}  // namespace vigilix
