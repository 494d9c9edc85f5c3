#include "direct/presence/presence_feature.h"

#include <gtest/gtest.h>

#include <functional>

#include "keepawake/health_registry.h"
#include "platform/notifications/notification_center.h"
#include "platform/system/workspace_notifications.h"
#include "testing/temporary_root.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

class PresenceFeatureTest : public ::testing::Test {
 public:
  std::shared_ptr<VGXPresenceFeature> makeFeature(
      std::shared_ptr<VGXLockStateMonitor> monitor = nullptr) {
    VGXPresenceInputs inputs;
    inputs.mayPostEvents = [this] { return mayPost; };
    inputs.effectiveAwake = [] { return true; };
    inputs.lidClosed = [] { return std::optional(false); };
    inputs.anyDisplayAwake = [] { return std::optional(true); };
    if (monitor) {
      inputs.lockMonitor = monitor;
      inputs.startLockMonitor = [this](VGXLockStateMonitor&) { ++monitorStarts; };
    } else {
      inputs.lock = [this] { return lock; };
    }
    inputs.idleSeconds = [] { return std::optional(600.0); };
    inputs.setPosting = [this](bool posting) {
      hubPosting = posting;
      ++reevaluations;
    };
    VGXPresencePoster::Functions functions;
    functions.pointer = [] { return std::optional(VGXPoint{10, 10}); };
    functions.displayBounds = [](VGXPoint) { return VGXRect{0, 0, 100, 100}; };
    functions.postMove = [this](VGXPoint) { return ++moves, true; };
    functions.schedule = [](double, std::function<void()>) { return [] {}; };
    functions.now = [] { return platform::Date(0); };
    return VGXPresenceFeature::make(platform::UserDefaults::standard(), inputs, functions);
  }
  void forbid() {
    platform.defaults.standard().setForced(VGXPresence::kDisableChatPresence,
                                           platform::PropertyValue(true));
  }

  testing::TestPlatform platform;
  bool mayPost = true;
  std::pair<VGXLockState, bool> lock{VGXLockState::unlocked, true};
  bool hubPosting = false;
  int moves = 0;
  int monitorStarts = 0;
  int reevaluations = 0;
};

TEST_F(PresenceFeatureTest, PostsOnlyWhenWantedAllowedAndPossible) {
  using Act = std::function<void(PresenceFeatureTest&, VGXPresenceFeature&)>;
  struct Row {
    const char* name;
    Act act;
    VGXPresenceSetResult result;
    VGXPresenceAccessState access;
    bool posting;
    bool stored;  // the user's switch as stored
    int moves;
  };
  using Access = VGXPresenceAccessState;
  const Row rows[] = {
      {"on with access: posting", {}, VGXPresenceSetResult::ok, Access::ready, true, true, 1},
      {"on without asking: not posting", [](auto&, auto& f) { f.setEnabled(true); },
       VGXPresenceSetResult::ok, Access::notRequested, false, true, 0},
      {"asked on a display without XTest: denied",
       [](auto& t, auto& f) {
         t.mayPost = false;
         f.requestAccess();
       },
       VGXPresenceSetResult::ok, Access::denied, false, true, 0},
      {"forbidden by the policy: refused, switch left off",
       [](auto& t, auto& f) {
         f.requestAccess();
         t.forbid();
       },
       VGXPresenceSetResult::policyDenied, Access::ready, false, false, 0},
      {"access gone later: denied at the next look",
       [](auto& t, auto& f) {
         f.requestAccess();
         f.setEnabled(true);
         t.mayPost = false;
         f.reevaluate();
       },
       VGXPresenceSetResult::ok, Access::denied, false, true, 1},
      {"locked: the poster runs but does not move",
       [](auto& t, auto& f) {
         t.lock = {VGXLockState::locked, true};
         f.requestAccess();
       },
       VGXPresenceSetResult::ok, Access::ready, true, true, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    platform.defaults.standard().removeForced(VGXPresence::kDisableChatPresence);
    platform::UserDefaults::standard().remove(VGXPresence::kKeepChatAppsActive);
    platform::UserDefaults::standard().remove(VGXPresence::kAccessRequested);
    mayPost = true;
    lock = {VGXLockState::unlocked, true};
    moves = 0;
    auto feature = makeFeature();
    feature->install();
    if (row.act) {
      row.act(*this, *feature);
    } else {
      feature->requestAccess();
    }
    EXPECT_EQ(feature->setEnabled(true), row.result);
    EXPECT_EQ(feature->accessState(), row.access);
    EXPECT_EQ(hubPosting, row.posting);
    EXPECT_EQ(feature->poster().isRunning(), row.posting);
    EXPECT_EQ(platform::UserDefaults::standard().boolValue(VGXPresence::kKeepChatAppsActive),
              row.stored);
    EXPECT_EQ(moves, row.moves);
    feature->setEnabled(false);
    EXPECT_FALSE(hubPosting);
  }
}

TEST_F(PresenceFeatureTest, URLSwitchesOffOnlyAndHealthLineFollowsTheLastResult) {
  auto feature = makeFeature();
  feature->install();
  EXPECT_TRUE(feature->healthLines().empty());
  // A locked screen: the tick records its skip at once.
  lock = {VGXLockState::locked, true};
  feature->requestAccess();
  feature->setEnabled(true);
  ASSERT_EQ(feature->healthLines().size(), 1u);
  EXPECT_EQ(feature->healthLines().front().title, "Chat apps");
  const std::string detail = feature->healthLines().front().detail;
  EXPECT_TRUE(detail.starts_with("Once a minute while you're away; skipped at ")) << detail;
  EXPECT_TRUE(detail.ends_with(": the screen was locked")) << detail;
  feature->setEnabled(false);
  EXPECT_FALSE(feature->setEnabledFromURL(true));
  EXPECT_FALSE(feature->isEnabled());
  feature->setEnabled(true);
  EXPECT_TRUE(feature->setEnabledFromURL(false));
  EXPECT_FALSE(feature->isEnabled());
  EXPECT_FALSE(hubPosting);
}

TEST_F(PresenceFeatureTest, FollowsTheLockTheScreensAndTheSettingsOnceInstalled) {
  using Act = std::function<void(VGXLockStateMonitor&)>;
  const auto post = [](const char* name) {
    return [name](VGXLockStateMonitor&) {
      platform::NotificationCenter::workspaceCenter().post(name);
    };
  };
  struct Row {
    const char* name;
    int installs;
    Act act;
    VGXLockState lock;
    std::optional<bool> displayAwake;
    int reevaluations;  // after the act
  };
  const Row rows[] = {
      {"installed: the monitor's reading unlocks", 1, {}, VGXLockState::unlocked, true, 0},
      {"installed twice: nothing is followed twice", 2, {}, VGXLockState::unlocked, true, 0},
      {"the session locks: the gates read locked at once", 1,
       [](VGXLockStateMonitor& monitor) {
         monitor.handle(VGXLockEvent::screenIsLocked, platform::SessionLockReading{true, true});
       },
       VGXLockState::locked, true, 1},
      {"the screens sleep", 1, post(platform::kWorkspaceScreensDidSleepNotification),
       VGXLockState::unlocked, false, 0},
      {"the screens sleep and wake", 1,
       [post](VGXLockStateMonitor& monitor) {
         post(platform::kWorkspaceScreensDidSleepNotification)(monitor);
         post(platform::kWorkspaceScreensDidWakeNotification)(monitor);
       },
       VGXLockState::unlocked, true, 0},
      {"ten settings changes: one re-evaluation", 1,
       [](VGXLockStateMonitor&) {
         for (int i = 0; i < 10; ++i) platform::UserDefaults::standard().set("Other", i);
       },
       VGXLockState::unlocked, true, 1},
  };
  testing::TemporaryRoot root;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    platform::UserDefaults::standard().remove(VGXPresence::kKeepChatAppsActive);
    monitorStarts = 0;
    auto monitor = std::make_shared<VGXLockStateMonitor>(platform::UserDefaults::standard(),
                                                         root.home() / "lock.log");
    auto feature = makeFeature(monitor);
    for (int i = 0; i < row.installs; ++i) feature->install();
    EXPECT_EQ(monitorStarts, 1);
    // Locked at first: the first tick records its skip, which gives the health line.
    monitor->handle(VGXLockEvent::initial, platform::SessionLockReading{true, true});
    feature->requestAccess();
    feature->setEnabled(true);
    monitor->handle(VGXLockEvent::screenIsUnlocked, platform::SessionLockReading{false, true});
    platform.runUntilIdle();
    reevaluations = 0;
    if (row.act) row.act(*monitor);
    platform.runUntilIdle();
    const auto gates = feature->gatherGates();
    EXPECT_EQ(gates.lock, row.lock);
    EXPECT_EQ(gates.anyDisplayAwake, row.displayAwake);
    EXPECT_EQ(reevaluations, row.reevaluations);
    std::size_t chatLines = 0;
    for (const auto& line : VGXHealthRegistry::lines()) chatLines += line.title == "Chat apps";
    EXPECT_EQ(chatLines, 1u);
  }
}

}  // namespace
}  // namespace vigilix
