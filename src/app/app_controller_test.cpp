#include "app/app_controller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/hub_composition.h"
#include "core/device.h"
#include "core/dzl_keys.h"
#include "health/direct_availability.h"
#include "health/keep_awake_notification_request.h"
#include "menubar/deadline_picker.h"
#include "platform/base/shared_instances.h"
#include "platform/notifications/notification_center.h"
#include "platform/runloop/clock.h"
#include "platform/ui/application.h"
#include "platform/ui/window_rendering.h"
#include "scenarios/hub_fixture.h"
#include "statusmenu/status_menu.h"
#include "testing/captured_log.h"
#include "testing/fake_bookmarks.h"
#include "testing/fake_files.h"
#include "testing/fake_hot_keys.h"
#include "testing/fake_user_notifications.h"
#include "testing/temporary_root.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

using scenarios::QuietSampler;

class AppControllerTest : public ::testing::Test {
 public:
  ~AppControllerTest() override {
    controller.reset();
    hub.reset();
    platform::resetSharedInstances();
  }

  void launch() {
    hub = composeHub({.makeSampler = [] { return std::make_shared<QuietSampler>(); },
                      .protectionVerifier = &VGXProtectionVerifier::shared()});
    controller = DZLAppController::make({
        .defaults = &defaults(),
        .bridge = hub,
        .timer = nullptr,
        .eventHandler = handler,
        .sessionNotifications = &VGXSessionNotifications::shared(),
        .protectionVerifier = &VGXProtectionVerifier::shared(),
        .startSleepMonitor = {},
        .terminate = [this] { ++quits; },
        .showSettingsPane = {},
        .showSettingsWindow = {},
        .ensureSettingsWindow = {},
        .trayConnection = nullptr,
        .showAboutPanel = [this] { ++aboutShown; },
    });
    platform.runUntilIdle();
  }
  void open(const std::string& url) {
    handler->handleEventForURL(url);
    platform.runUntilIdle();
  }
  void post(const char* workspaceNotice) {
    platform::NotificationCenter::workspaceCenter().post(workspaceNotice);
    platform.runUntilIdle();
  }
  platform::UserDefaults& defaults() { return platform::UserDefaults::standard(); }
  // The first item titled each step of `path` down the status menu.
  std::shared_ptr<platform::MenuItem> itemAt(const std::vector<std::string>& path) const {
    std::shared_ptr<platform::MenuItem> found;
    const platform::Menu* menu = controller->menu().get();
    for (const std::string& title : path) {
      found.reset();
      for (const auto& item : menu->items()) {
        if (item->title() == title) {
          found = item;
          break;
        }
      }
      if (!found) return found;
      menu = found->submenu().get();
    }
    return found;
  }
  int sessionEndedNotices() const {
    return static_cast<int>(std::count_if(
        notices.requests().begin(), notices.requests().end(),
        [](const auto& request) { return request.identifier == kVGXSessionEndedCategory; }));
  }

  testing::TestPlatform platform;
  testing::FakeUserNotificationCenter notices;
  testing::FakeHotKeys hotKeys;
  std::shared_ptr<DZLEventHandler> handler = std::make_shared<DZLEventHandler>();
  std::shared_ptr<VGXTriggerBridge> hub;
  std::shared_ptr<DZLAppController> controller;
  int quits = 0;
  int aboutShown = 0;
};

TEST_F(AppControllerTest, UserActionsAndTheHubDriveTheOneAssertion) {
  using Act = std::function<void(AppControllerTest&)>;
  auto start = [](AppControllerTest& t) { t.controller->startKeepAwakeFromHeader(); };
  struct Row {
    const char* name;
    double defaultSeconds;
    bool quitOnExpiration;
    Act act;
    bool held;
    std::optional<platform::LockKind> type;  // of the held lock
    int quits;
    int endedNotices;
    double lastManual;
  };
  const auto system = platform::LockKind::systemSleep;
  const auto display = platform::LockKind::displayAndSystemSleep;
  const Row rows[] = {
      {"a timed session runs out and the settings ask to quit", 60, true,
       [=](AppControllerTest& t) { start(t), t.platform.advance(61); }, false, std::nullopt, 1, 0,
       60},
      {"a timed session runs out", 60, false,
       [=](AppControllerTest& t) { start(t), t.platform.advance(61); }, false, std::nullopt, 0, 1,
       60},
      {"the user stops it before its end", 60, true,
       [=](AppControllerTest& t) {
         start(t), t.platform.advance(30), t.controller->stopKeepAwakeFromHeader();
       },
       false, std::nullopt, 0, 0, 60},
      {"the user stops it after its end, before the hub noticed", 60, true,
       [=](AppControllerTest& t) {
         start(t), t.platform.advanceClockWithoutRunning(61);
         t.controller->stopKeepAwakeFromHeader();
         t.platform.runUntilIdle();
       },
       false, std::nullopt, 0, 0, 60},
      {"a stop while idle leaves the next session's end to quit", 60, true,
       [=](AppControllerTest& t) {
         t.open("vigilix:///deactivate"), start(t), t.platform.advance(61);
       },
       false, std::nullopt, 1, 0, 60},
      {"a stop while idle leaves the next session's end its notice", 60, false,
       [=](AppControllerTest& t) {
         t.open("vigilix:///deactivate"), start(t), t.platform.advance(61);
       },
       false, std::nullopt, 0, 1, 60},
      {"no default duration starts an indefinite session", 0, false, start, true, system, 0, 0, 0},
      {"fifteen more minutes with 300 s left", 600, false,
       [=](AppControllerTest& t) {
         start(t), t.platform.advance(300), t.controller->extendFifteenMinutes();
       },
       true, system, 0, 0, 1200},
      {"the display toggle while awake re-creates the assertion", 0, false,
       [=](AppControllerTest& t) { start(t), t.controller->toggleAllowDisplaySleep(); }, true,
       display, 0, 0, 0},
      {"the display toggle while asleep creates nothing", 0, false,
       [](AppControllerTest& t) { t.controller->toggleAllowDisplaySleep(); }, false, std::nullopt,
       0, 0, 0},
      {"switching the session away releases it", 0, false,
       [=](AppControllerTest& t) {
         DZLKeys::setDzl_deactivateOnUserSwitchEnabled(t.defaults(), true);
         start(t), t.post(kWorkspaceSessionDidResignActiveNotification);
       },
       false, std::nullopt, 0, 0, 0},
      {"switching back lets the hub decide again", 0, false,
       [=](AppControllerTest& t) {
         DZLKeys::setDzl_deactivateOnUserSwitchEnabled(t.defaults(), true);
         start(t), t.post(kWorkspaceSessionDidResignActiveNotification);
         t.controller->toggleKeepAwake(), t.post(kWorkspaceSessionDidBecomeActiveNotification);
       },
       true, system, 0, 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    platform::resetSharedInstances();
    defaults().set(kVGXNotifyOnAwakeStateChangeKey, true);
    DZLKeys::setDzl_defaultTimeInterval(defaults(), row.defaultSeconds);
    DZLKeys::setDzl_quitOnTimerExpirationEnabled(defaults(), row.quitOnExpiration);
    DZLKeys::setDzl_allowDisplaySleep(defaults(), true);
    DZLKeys::setDzl_deactivateOnUserSwitchEnabled(defaults(), false);
    notices.clearRequests();
    quits = 0;
    launch();
    row.act(*this);
    platform.runUntilIdle();
    const auto& timer = controller->sleepWakeTimer();
    EXPECT_EQ(timer.isScheduled(), row.held);
    EXPECT_EQ(timer.currentAssertionType(), row.type);
    EXPECT_EQ(quits, row.quits);
    EXPECT_EQ(sessionEndedNotices(), row.endedNotices);
    EXPECT_DOUBLE_EQ(controller->lastManualTimeInterval(), row.lastManual);
    controller->stopKeepAwakeFromHeader();
    platform.runUntilIdle();
    controller.reset();
    hub.reset();
  }
}

TEST_F(AppControllerTest, StartsAndStopsAreNoticedWhenTheSettingAsks) {
  using Act = std::function<void(AppControllerTest&)>;
  const Act start = [](AppControllerTest& t) { t.controller->startKeepAwakeFromHeader(); };
  const Act startAndStop = [](AppControllerTest& t) {
    t.controller->startKeepAwakeFromHeader();
    t.platform.runUntilIdle();
    t.controller->stopKeepAwakeFromHeader();
  };
  struct Row {
    const char* name;
    bool notify;
    double defaultSeconds;
    Act act;
    std::vector<std::string> notices;  // title | body, oldest first
  };
  const Row rows[] = {
      {"the setting off posts nothing", false, 0, startAndStop, {}},
      {"an indefinite session",
       true,
       0,
       start,
       {"Preventing Sleep | You can still manually enable sleep mode for your computer."}},
      // The test's clock stands still between the start and the notice, so
      // the second the span is measured from before now shows.
      {"a session of 30 minutes",
       true,
       1800,
       start,
       {"Preventing Sleep for 30 min, 1 sec | Afterwards your computer will automatically go to "
        "sleep "
        "again when "
        "unused."}},
      {"its stop",
       true,
       0,
       startAndStop,
       {"Preventing Sleep | You can still manually enable sleep mode for your computer.",
        "Allowing Sleep | Your computer will automatically go to sleep when unused."}},
      {"a stop for heat has its own notice",
       true,
       0,
       [](AppControllerTest& t) {
         t.controller->startKeepAwakeFromHeader();
         t.platform.runUntilIdle();
         t.platform.power.thermal.setThermalState(platform::ThermalState::Serious);
         t.platform.runUntilIdle();
       },
       {"Preventing Sleep | You can still manually enable sleep mode for your computer."}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    platform::resetSharedInstances();
    defaults().set(kVGXNotifyOnAwakeStateChangeKey, row.notify);
    DZLKeys::setDzl_defaultTimeInterval(defaults(), row.defaultSeconds);
    launch();
    notices.clearRequests();
    row.act(*this);
    platform.runUntilIdle();
    std::vector<std::string> posted;
    for (const auto& request : notices.requests()) {
      if (request.identifier != "DZLActivationIdentifier") continue;
      posted.push_back(request.content.title + " | " + request.content.body);
    }
    EXPECT_EQ(posted, row.notices);
    platform.power.thermal.setThermalState(platform::ThermalState::Nominal);
    controller->stopKeepAwakeFromHeader();
    platform.runUntilIdle();
    controller.reset();
    hub.reset();
  }
}

TEST_F(AppControllerTest, TheDeviceIsWatchedAsTheSettingsSay) {
  struct Row {
    const char* name;
    bool battery;
    bool lowPowerSetting;
    bool turnedOnLater;
    bool batteryWatched;
    bool lowPowerWatched;
  };
  const Row rows[] = {
      {"a battery, the Low Power Mode setting off", true, false, false, true, false},
      {"a battery, the setting on", true, true, false, true, true},
      {"no battery, the setting turned on later", false, false, true, false, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    platform::resetSharedInstances();
    platform.power.sources.setReadings(
        row.battery
            ? std::optional(std::vector{testing::FakePowerSources::internalBattery(80, 100, true)})
            : std::nullopt);
    DZLKeys::setDzl_lowPowerModeMonitoringEnabled(defaults(), row.lowPowerSetting);
    launch();
    if (row.turnedOnLater) {
      DZLKeys::setDzl_lowPowerModeMonitoringEnabled(defaults(), true);
      controller->startKeepAwakeFromHeader();
      platform.runUntilIdle();
    }
    EXPECT_EQ(DZLDevice::currentDevice().isBatteryMonitoringEnabled(), row.batteryWatched);
    EXPECT_EQ(DZLDevice::currentDevice().isLowPowerModeMonitoringEnabled(), row.lowPowerWatched);
    controller.reset();
    hub.reset();
  }
}

TEST_F(AppControllerTest, ThePickersOfTheMenuStartSessions) {
  struct Row {
    std::vector<std::string> path;
    bool duration;
  };
  const Row rows[] = {
      {{"Keep Awake For", "Custom Duration…"}, true},
      {{"Keep Awake Until", "A Specific Time…"}, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path.back());
    platform::resetSharedInstances();
    launch();
    controller->menuNeedsUpdate();
    const auto item = itemAt(row.path);
    ASSERT_TRUE(item);
    item->performAction();
    const auto picker = VGXDeadlinePicker::current();
    ASSERT_TRUE(picker);
    EXPECT_EQ(picker->isDuration(), row.duration);
    picker->start(*picker->startButton());
    platform.runUntilIdle();
    EXPECT_TRUE(hub->isAwake());
    EXPECT_TRUE(hub->manualFireDate().has_value());
    controller->stopKeepAwakeFromHeader();
    platform.runUntilIdle();
    controller.reset();
    hub.reset();
  }
}

TEST_F(AppControllerTest, AboutVigilixActivatesAndBringsUpTheAboutWindow) {
  launch();
  controller->menuNeedsUpdate();
  const auto item = itemAt({"About Vigilix"});
  ASSERT_TRUE(item);
  platform::Application::shared().deactivate();
  item->performAction();
  EXPECT_EQ(aboutShown, 1);
  EXPECT_TRUE(platform::Application::shared().isActive());
}

// Records the windows the seam shows and keeps the input it was given.
class RecordingRenderer final : public platform::WindowRenderer {
 public:
  explicit RecordingRenderer(platform::WindowInput& input) : input(input) {}
  void show(const platform::RenderedWindow& window) override { shown.push_back(window); }
  void close(std::uint64_t) override {}
  static inline RecordingRenderer* last = nullptr;
  platform::WindowInput& input;
  std::vector<platform::RenderedWindow> shown;
};

TEST_F(AppControllerTest, ADownloadFinishesOpensAFilePanelWhoseChoiceIsWatched) {
  testing::TemporaryRoot root;
  testing::FakeFiles files;
  testing::FakeBookmarks bookmarks{&files};
  const std::filesystem::path downloads = root.home() / "Downloads";
  std::filesystem::create_directories(downloads);
  files.addFile("/dl/a.iso", 10);
  files.addFile("/dl/b.iso", 20);
  platform::WindowRendering::useFactory([](platform::WindowInput& input,
                                           platform::DescriptorSources&,
                                           platform::DispatchQueue&) -> platform::WindowRenderer* {
    return RecordingRenderer::last = new RecordingRenderer(input);
  });
  struct Row {
    const char* name;
    std::vector<std::string> chosen;  // none: cancelled
    std::vector<std::string> watched;
  };
  const Row rows[] = {
      {"one file", {"/dl/a.iso"}, {"a.iso"}},
      {"two files at once", {"/dl/a.iso", "/dl/b.iso"}, {"a.iso", "b.iso"}},
      {"cancelled", {}, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    launch();
    controller->menuNeedsUpdate();
    const auto item = itemAt({"Keep Awake Until", "A Download Finishes…"});
    ASSERT_TRUE(item);
    item->performAction();
    platform.runUntilIdle();
    ASSERT_TRUE(RecordingRenderer::last);
    ASSERT_FALSE(RecordingRenderer::last->shown.empty());
    const platform::RenderedWindow panel = RecordingRenderer::last->shown.back();
    EXPECT_EQ(panel.kind, platform::RenderedWindow::Kind::OpenPanel);
    EXPECT_EQ(panel.fileChoice, (platform::FileChoice{downloads.string(), true, true, true}));
    if (row.chosen.empty()) {
      RecordingRenderer::last->input.closeButton(panel.id);
    } else {
      RecordingRenderer::last->input.chooseFiles(panel.id, row.chosen);
    }
    platform.runUntilIdle();
    std::vector<std::string> watched;
    for (const auto& watch : hub->activeWatches()) watched.push_back(watch.label());
    EXPECT_EQ(watched, row.watched);
    controller->stopKeepAwakeFromHeader();
    platform.runUntilIdle();
    controller.reset();
    hub.reset();
    platform::resetSharedInstances();
  }
  platform::WindowRendering::reset();
}

TEST_F(AppControllerTest, AddressesStartAndStopSessions) {
  const double tenYears = VGXTriggerBridge::kMaximumAheadSeconds;
  struct Row {
    const char* url;
    bool awake;
    std::optional<double> endsIn;  // none: no end
    double lastManual;
  };
  const Row rows[] = {
      {"vigilix:///activate?minutes=1.5", true, 120, 120},
      {"vigilix:///activate?seconds=10&minutes=5", true, 10, 10},
      {"vigilix:///activate?hours=2", true, 7200, 7200},
      {"vigilix://activate?minutes=5", true, 300, 300},
      {"vigilix:///activate", true, std::nullopt, 0},
      {"vigilix:///activate?hours=inf", true, std::nullopt, 0},
      {"vigilix:///activate?minutes=1e400", true, std::nullopt, 0},
      {"vigilix:///activate?hours=1e300", true, tenYears, tenYears},
      {"vigilix:///activate?label=x", false, std::nullopt, 0},
      {"vigilix:///unknown?minutes=5", false, std::nullopt, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.url);
    platform::resetSharedInstances();
    launch();
    open(row.url);
    EXPECT_EQ(hub->isAwake(), row.awake);
    const auto fireDate = hub->manualFireDate();
    ASSERT_EQ(fireDate.has_value(), row.endsIn.has_value());
    if (fireDate) {
      EXPECT_DOUBLE_EQ(*fireDate - platform.now(), *row.endsIn);
    }
    EXPECT_DOUBLE_EQ(controller->lastManualTimeInterval(), row.lastManual);
    open("vigilix:///deactivate");
    EXPECT_FALSE(hub->isAwake());
    controller.reset();
    hub.reset();
  }
}

TEST_F(AppControllerTest, ChatPresenceFromAnAddressReachesTheInstalledFeatureOnlyToSwitchOff) {
  struct Row {
    const char* name;
    bool installed;
    const char* url;
    std::vector<bool> asked;
    const char* said;  // nullptr: nothing
  };
  const Row rows[] = {
      {"a build without chat presence",
       false,
       "vigilix:///presence?enabled=false",
       {},
       "No chat presence to set off from the address."},
      {"switched off", true, "vigilix:///presence?enabled=false", {false}, nullptr},
      {"switching on is refused",
       true,
       "vigilix:///presence?enabled=true",
       {true},
       "Chat presence is turned on only in the settings, never from an address."},
      {"no argument: nothing asked", true, "vigilix:///presence", {}, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::CapturedLog log;
    std::vector<bool> asked;
    VGXDirectAvailability::setChatPresenceFromURL(nullptr);
    if (row.installed) {
      // As the feature answers: only switching off is applied.
      VGXDirectAvailability::setChatPresenceFromURL([&asked](bool enabled) {
        asked.push_back(enabled);
        return !enabled;
      });
    }
    launch();
    open(row.url);
    EXPECT_EQ(asked, row.asked);
    if (row.said) {
      EXPECT_TRUE(log.containsFragment(row.said));
    } else {
      EXPECT_FALSE(log.containsFragment("chat presence"));
      EXPECT_FALSE(log.containsFragment("Chat presence"));
    }
    VGXDirectAvailability::setChatPresenceFromURL(nullptr);
    controller.reset();
    hub.reset();
  }
}

// The verifier the controller starts reads the hub; what it finds reaches the
// menu header's line, the status item's attention and the "Dismiss" action.
TEST_F(AppControllerTest, TheProtectionVerifierReadsTheHubAndFeedsTheMenu) {
  using State = VGXProtectionState;
  using Act = std::function<void(AppControllerTest&)>;
  struct Row {
    const char* name;
    Act act;
    State state;
    std::optional<std::string> verifierLine;  // the header's line when there is one
    bool attention;
    bool attentionAfterDismissal;
  };
  const auto start = [](AppControllerTest& t) { t.controller->startKeepAwakeFromHeader(); };
  const Row rows[] = {
      {"kept awake and listed", start, State{State::verified{}}, std::nullopt, false, false},
      {"the lock lost for good",
       [&](AppControllerTest& t) {
         start(t);
         t.platform.power.assertions.failAllTakes(platform::LockError::unavailable);
         t.platform.power.assertions.dropAll();
         t.platform.advance(30);
       },
       State{State::missing{}}, "Vigilix couldn't keep your computer awake", true, true},
      {"slept while kept awake",
       [&](AppControllerTest& t) {
         start(t);
         t.platform.sleepFor(60);
       },
       State{State::verified{}},
       "Your computer slept at 9:00 AM while Vigilix was keeping it awake", true, false},
      {"kept awake but hot",
       [&](AppControllerTest& t) {
         start(t);
         t.platform.power.thermal.setThermalState(platform::ThermalState::Serious);
         t.platform.runUntilIdle();
       },
       State{State::deliberatePause{VGXPauseReason::heat}}, "Paused because your computer is hot",
       false, false},
      {"not kept awake", [](AppControllerTest&) {}, State{State::notExpected{}}, std::nullopt,
       false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    platform::resetSharedInstances();
    platform.power.assertions.clearFailures();
    platform.power.thermal.setThermalState(platform::ThermalState::Nominal);
    defaults().remove(kVGXIncidentLogKey);
    launch();
    row.act(*this);
    const VGXProtectionVerifier& verifier = VGXProtectionVerifier::shared();
    EXPECT_EQ(verifier.state(), row.state);
    EXPECT_EQ(VGXStatusMenu::hooks().attentionLine(), row.verifierLine);
    if (row.verifierLine) {
      EXPECT_EQ(hub->headerReasonLine(), *row.verifierLine);
    }
    EXPECT_EQ(VGXStatusMenu::hasAttention(), row.attention);
    platform::MenuItem dismiss("Dismiss");
    controller->dismissAttention(dismiss);
    EXPECT_EQ(VGXStatusMenu::hasAttention(), row.attentionAfterDismissal);
    controller.reset();
    hub.reset();
  }
}

}  // namespace
}  // namespace vigilix
