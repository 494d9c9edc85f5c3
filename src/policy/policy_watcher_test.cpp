#include "policy/policy_watcher.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/base/property_value.h"
#include "platform/defaults/live_user_defaults.h"
#include "platform/defaults/plist_defaults_store.h"
#include "platform/defaults/property_list_codec.h"
#include "platform/fs/file_system.h"
#include "policy/policy_observable.h"
#include "testing/temporary_root.h"
#include "testing/test_platform.h"
#include "testing/test_user_defaults.h"

namespace vigilix {
namespace {

class PolicyWatcherTest : public ::testing::Test {
 protected:
  std::shared_ptr<VGXPolicyWatcher> makeWatcher() {
    auto environment = VGXPolicyWatcher::Environment::current();
    environment.defaults = &defaults;
    return VGXPolicyWatcher::make([this] { ++fired; }, environment);
  }

  testing::TestPlatform platform;
  testing::TestUserDefaults defaults;
  int fired = 0;
};

TEST_F(PolicyWatcherTest, NothingFiresBeforeStart) {
  auto watcher = makeWatcher();
  EXPECT_FALSE(watcher->isObserving());
  defaults.set("VGXStopWhenHot", true);
  platform.advance(120);
  platform::NotificationCenter::defaultCenter().post("NSApplicationDidBecomeActiveNotification");
  platform.runUntilIdle();
  EXPECT_EQ(fired, 0);
}

TEST_F(PolicyWatcherTest, ChangeOfATableKeyFiresOnTheMainQueueOnceEvenAfterTwoStarts) {
  auto watcher = makeWatcher();
  watcher->start();
  watcher->start();
  EXPECT_TRUE(watcher->isObserving());
  defaults.set("run.tarvo.vigilix.BatteryCapacityThreshold", 30.0);
  EXPECT_EQ(fired, 0) << "delivered asynchronously";
  platform.runUntilIdle();
  EXPECT_EQ(fired, 1);
  defaults.set("VGXRestartTimerOnActivity", true);  // the last row
  platform.runUntilIdle();
  EXPECT_EQ(fired, 2);
}

TEST_F(PolicyWatcherTest, KeysOutsideTheTableDoNotFire) {
  auto watcher = makeWatcher();
  watcher->start();
  defaults.set("run.tarvo.vigilix.SomethingElse", true);
  defaults.set("vgxstopwhenhot", true);
  platform.runUntilIdle();
  EXPECT_EQ(fired, 0);
}

TEST_F(PolicyWatcherTest, PollsEverySixtySecondsAlsoWhileAMenuIsOpen) {
  auto watcher = makeWatcher();
  watcher->start();
  platform.advance(59);
  EXPECT_EQ(fired, 0);
  platform.advance(1);
  EXPECT_EQ(fired, 1);
  platform.beginTracking();
  platform.advance(60);
  EXPECT_EQ(fired, 2);
  platform.endTracking();
}

TEST(PolicyWatcherLiveTest, PollingSeesAManagedFileWrittenBehindItsBack) {
  testing::TestPlatform platform;
  testing::TemporaryRoot root;
  const auto files = platform::defaultsFilesFor(platform::kStandardDomain, false, "tester");
  platform::LiveUserDefaults defaults(platform::kStandardDomain, files);
  auto environment = VGXPolicyWatcher::Environment::current();
  environment.defaults = &defaults;
  std::vector<bool> forcedWhenFired;
  auto watcher = VGXPolicyWatcher::make(
      [&] { forcedWhenFired.push_back(defaults.objectIsForced("VGXStopWhenHot")); }, environment);
  watcher->start();

  platform::PropertyDictionary managed{{"VGXStopWhenHot", true}};
  ASSERT_TRUE(platform::FileSystem::writeFileAtomically(
      files.managed.front(), *platform::encodePropertyList(platform::PropertyValue(managed),
                                                           platform::PropertyListFormat::Xml)));
  platform.advance(60);
  ASSERT_FALSE(forcedWhenFired.empty());
  EXPECT_TRUE(forcedWhenFired.back());
}

TEST_F(PolicyWatcherTest, BecomingActiveAndWakingFire) {
  auto watcher = makeWatcher();
  watcher->start();
  platform::NotificationCenter::defaultCenter().post("NSApplicationDidBecomeActiveNotification");
  EXPECT_EQ(fired, 0);
  platform.runUntilIdle();
  EXPECT_EQ(fired, 1);
  platform.sleepFor(10);
  platform.runUntilIdle();
  EXPECT_EQ(fired, 2);
}

TEST_F(PolicyWatcherTest, AGoneWatcherStopsEveryRoute) {
  auto watcher = makeWatcher();
  watcher->start();
  defaults.set("VGXStopWhenHot", true);  // delivery already queued
  watcher.reset();
  platform.runUntilIdle();
  platform.advance(180);
  platform::NotificationCenter::defaultCenter().post("NSApplicationDidBecomeActiveNotification");
  platform.sleepFor(10);
  platform.runUntilIdle();
  EXPECT_EQ(fired, 0);
}

class PolicyObservableTest : public ::testing::Test {
 protected:
  PolicyObservableTest() {
    token = platform::NotificationCenter::defaultCenter().addObserver(
        "run.tarvo.vigilix.PolicyDidChange", nullptr, nullptr,
        [this](const platform::Notification& n) {
          ++posted;
          EXPECT_EQ(n.object, nullptr);
          EXPECT_TRUE(n.userInfo.empty());
        });
  }

  testing::TestPlatform platform;
  int posted = 0;
  platform::ObserverHandle token;
};

TEST_F(PolicyObservableTest, EachChangeRaisesTheEpochAndPosts) {
  auto observable = VGXPolicyObservable::make(platform::NotificationCenter::defaultCenter(),
                                              platform::DispatchQueue::main());
  std::vector<std::int64_t> epochs;
  auto epochToken = observable->observeEpoch([&](std::int64_t e) { epochs.push_back(e); });
  EXPECT_EQ(observable->epoch(), 0);
  observable->noteChange();
  observable->noteChange();
  EXPECT_EQ(observable->epoch(), 2);
  EXPECT_EQ(posted, 2);
  EXPECT_EQ(epochs, (std::vector<std::int64_t>{1, 2}));
  epochToken.reset();
  observable->noteChange();
  EXPECT_EQ(epochs.size(), 2u);
}

TEST_F(PolicyObservableTest, ACallFromAnotherThreadIsMovedToTheMainQueue) {
  auto observable = VGXPolicyObservable::make(platform::NotificationCenter::defaultCenter(),
                                              platform::DispatchQueue::main());
  std::thread worker([&] { observable->noteChange(); });
  worker.join();
  EXPECT_EQ(observable->epoch(), 0);
  EXPECT_EQ(posted, 0);
  platform.runUntilIdle();
  EXPECT_EQ(observable->epoch(), 1);
  EXPECT_EQ(posted, 1);
}

TEST(PolicyObservableSharedTest, SharedInstanceIsOneAndStartsAfreshWithEachTestPlatform) {
  {
    testing::TestPlatform platform;
    EXPECT_EQ(&VGXPolicyObservable::shared(), &VGXPolicyObservable::shared());
    VGXPolicyObservable::shared().noteChange();
    EXPECT_EQ(VGXPolicyObservable::shared().epoch(), 1);
  }
  testing::TestPlatform platform;
  EXPECT_EQ(VGXPolicyObservable::shared().epoch(), 0);
}

}  // namespace
}  // namespace vigilix
