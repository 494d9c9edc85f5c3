#include "testing/fake_power.h"

#include <gtest/gtest.h>

#include "platform/notifications/notification_center.h"
#include "testing/test_platform.h"

namespace vigilix::testing {
namespace {

using platform::RunLoopMode;

TEST(FakePowerTest, InstallsItsFakesAndPutsBackWhatWasThereBefore) {
  TestPlatform platform;
  EXPECT_EQ(&platform::PowerAssertions::current(), &platform.power.assertions);
  {
    FakePower inner;
    EXPECT_EQ(&platform::PowerAssertions::current(), &inner.assertions);
    EXPECT_EQ(&platform::PowerSources::current(), &inner.sources);
    EXPECT_EQ(&platform::LowPowerMode::current(), &inner.lowPowerMode);
    EXPECT_EQ(&platform::ThermalMonitor::current(), &inner.thermal);
  }
  EXPECT_EQ(&platform::PowerAssertions::current(), &platform.power.assertions);
  EXPECT_EQ(&platform::PowerSources::current(), &platform.power.sources);
  EXPECT_EQ(&platform::ThermalMonitor::current(), &platform.power.thermal);
}

class FakePowerSourcesTest : public ::testing::Test {
 protected:
  TestPlatform platform;
  FakePowerSources& sources = platform.power.sources;
};

TEST_F(FakePowerSourcesTest, StartsOnMainsWithoutBattery) {
  EXPECT_EQ(sources.readPowerSources(), std::vector<platform::PowerSourceReading>{});
  EXPECT_EQ(sources.providingPowerSourceType(), "AC Power");
}

TEST_F(FakePowerSourcesTest, ChangesArriveOnTheRunLoopInTheObserversMode) {
  int defaultCalls = 0;
  int commonCalls = 0;
  auto defaultToken = sources.addChangeObserver(RunLoopMode::Default, [&] { ++defaultCalls; });
  auto commonToken = sources.addChangeObserver(RunLoopMode::Common, [&] { ++commonCalls; });
  ASSERT_NE(defaultToken, nullptr);
  EXPECT_EQ(sources.observerCount(), 2u);

  platform.beginTracking();
  sources.change({FakePowerSources::internalBattery(40, 100, true)}, "Battery Power");
  EXPECT_EQ(commonCalls, 0) << "never synchronously";
  platform.runUntilIdle();
  EXPECT_EQ(commonCalls, 1);
  EXPECT_EQ(defaultCalls, 0) << "a default-mode source waits while a menu is open";
  platform.endTracking();
  platform.runUntilIdle();
  EXPECT_EQ(defaultCalls, 1);
  EXPECT_EQ(sources.providingPowerSourceType(), "Battery Power");
  auto described = sources.readPowerSources();
  ASSERT_TRUE(described && described->size() == 1u);
  EXPECT_TRUE((*described)[0].onBattery);
}

TEST_F(FakePowerSourcesTest, AnObserverGoneBeforeDeliveryIsNotCalled) {
  int calls = 0;
  auto token = sources.addChangeObserver(RunLoopMode::Default, [&] { ++calls; });
  sources.notifyChange();
  token.reset();
  platform.runUntilIdle();
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(sources.observerCount(), 0u);
}

TEST_F(FakePowerSourcesTest, UnreadableInformationAndFailedSourceCreation) {
  sources.setReadings(std::nullopt);
  sources.setProvidingPowerSourceType(std::nullopt);
  EXPECT_EQ(sources.readPowerSources(), std::nullopt);
  EXPECT_EQ(sources.providingPowerSourceType(), std::nullopt);
  sources.setChangeSourceCreationFails(true);
  EXPECT_EQ(sources.addChangeObserver(RunLoopMode::Default, [] {}), nullptr);
}

TEST(FakeDeviceStateTest, ChangesArePostedOnTheDefaultCentreOnlyWhenTheyChange) {
  TestPlatform platform;
  std::vector<std::string> posted;
  auto token = platform::NotificationCenter::defaultCenter().addObserver(
      "", nullptr, nullptr, [&](const platform::Notification& n) { posted.push_back(n.name); });
  platform.power.lowPowerMode.setLowPowerModeEnabled(true);
  platform.power.lowPowerMode.setLowPowerModeEnabled(true);
  EXPECT_TRUE(platform::LowPowerMode::current().isLowPowerModeEnabled());
  platform.power.thermal.setThermalState(platform::ThermalState::Serious);
  platform.power.thermal.setThermalState(static_cast<platform::ThermalState>(4));
  EXPECT_EQ(static_cast<int>(platform::ThermalMonitor::current().thermalState()), 4);
  EXPECT_EQ(posted, (std::vector<std::string>{"NSProcessInfoPowerStateDidChangeNotification",
                                              "NSProcessInfoThermalStateDidChangeNotification",
                                              "NSProcessInfoThermalStateDidChangeNotification"}));
}

TEST(FakePowerAssertionsTest, InjectedFailuresAndListing) {
  using platform::LockError;
  using platform::LockKind;
  TestPlatform platform;
  FakePowerAssertions& fake = platform.power.assertions;
  fake.failNextTake(LockError::unavailable);
  fake.failNextTake(LockError::badArgument);
  EXPECT_EQ(fake.take(LockKind::systemSleep, "a"), std::unexpected(LockError::unavailable));
  EXPECT_EQ(fake.take(LockKind::systemSleep, "a"), std::unexpected(LockError::badArgument));
  const auto id = fake.take(LockKind::systemSleep, "a");
  ASSERT_TRUE(id);
  EXPECT_EQ(fake.takeCount(), 3);

  fake.hideFromLookup(*id);
  EXPECT_EQ(fake.heldLock(*id), std::nullopt);
  EXPECT_EQ(fake.liveLocks().size(), 1u) << "hidden is still in force";

  const platform::Lock other{LockKind::displayAndSystemSleep, "Backup: copying"};
  fake.addListedLock(4242, other);
  const platform::LocksByProcess listed{
      {4242, {other}},
      {platform::PowerAssertions::currentProcessID(), {{LockKind::systemSleep, "a"}}}};
  EXPECT_EQ(fake.locksByProcess(), listed);
  EXPECT_EQ(fake.ownLocksAfterPendingChanges(0),
            (std::vector<platform::Lock>{{LockKind::systemSleep, "a"}}))
      << "another process's locks are not ours";
  fake.failListing(LockError::notFound);
  EXPECT_EQ(fake.locksByProcess(), std::unexpected(LockError::notFound));
  EXPECT_EQ(fake.ownLocksAfterPendingChanges(0), std::unexpected(LockError::notFound));

  fake.clearFailures();
  EXPECT_EQ(fake.locksByProcess(), listed);
  fake.dropAll();
  EXPECT_TRUE(fake.liveLocks().empty());
}

}  // namespace
}  // namespace vigilix::testing
