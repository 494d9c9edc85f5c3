#include "keepawake/control_state_bridge.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/in_process_notification_bus.h"
#include "testing/test_platform.h"
#include "testing/test_user_defaults.h"

namespace vigilix {
namespace {

using platform::Date;

TEST(ControlStateForSnapshot, CarriesTheEndOfAManualSessionOnly) {
  const Date end(5000);
  EXPECT_EQ(controlStateForSnapshot({true, AwakeStatus::manualUntil(end), std::nullopt, {}}),
            VGXControlState(true, end));
  EXPECT_EQ(controlStateForSnapshot({true, AwakeStatus::manualIndefinite(), std::nullopt, {}}),
            VGXControlState(true, std::nullopt));
  EXPECT_EQ(controlStateForSnapshot(
                {true, AwakeStatus::automatic(TriggerReason::schedule()), std::nullopt, {}}),
            VGXControlState(true, std::nullopt));
  EXPECT_EQ(controlStateForSnapshot({false, AwakeStatus::blockedByHeat(), std::nullopt, {}}),
            VGXControlState());
  // Not awake never reports an end, even with a deadline in the status.
  EXPECT_EQ(controlStateForSnapshot({false, AwakeStatus::manualUntil(end), std::nullopt, {}}),
            VGXControlState());
}

class ControlStateBridgeTest : public ::testing::Test {
 protected:
  testing::TestPlatform platform_;
  testing::InProcessNotificationBus bus_;
  std::shared_ptr<testing::TestUserDefaults> suite_ =
      std::make_shared<testing::TestUserDefaults>(VGXControlState::appGroup);
  // The extension's own view of the suite, as another process.
  std::shared_ptr<testing::TestUserDefaults> extensionSuite_ =
      std::make_shared<testing::TestUserDefaults>(VGXControlState::appGroup, suite_->storage());
  std::vector<std::string> reloads_;
  std::vector<bool> requests_;

  std::unique_ptr<ControlStateBridge> makeBridge(bool canReload = true) {
    ControlStateBridge::ControlReloader reload;
    if (canReload) reload = [this](const std::string& kind) { reloads_.push_back(kind); };
    auto suite = suite_;
    return std::make_unique<ControlStateBridge>([suite] { return suite; }, reload);
  }

  void extensionRequests(bool value) {
    VGXControlState::postRequest(value, platform_.now(), extensionSuite_.get());
  }
};

TEST_F(ControlStateBridgeTest, PublishWritesAndReloadsOnlyOnChange) {
  auto bridge = makeBridge();
  const AwakeSnapshot timed{true, AwakeStatus::manualUntil(Date(100)), std::nullopt, {}};
  EXPECT_TRUE(bridge->publish(timed));
  EXPECT_FALSE(bridge->publish(timed));
  EXPECT_EQ(reloads_, std::vector<std::string>{"run.tarvo.vigilix.keep-awake"});
  EXPECT_EQ(VGXControlState::read(extensionSuite_.get()), VGXControlState(true, Date(100)));

  // A change of what the extension shows, not of the snapshot, is what counts.
  const AwakeSnapshot paused{true, AwakeStatus::manualUntil(Date(100)), std::nullopt,
                             TriggerPause::untilResumed()};
  EXPECT_FALSE(bridge->publish(paused));
  EXPECT_TRUE(bridge->publish({}));
  EXPECT_EQ(reloads_.size(), 2u);
}

TEST_F(ControlStateBridgeTest, PublishReplacesTheExtensionsOptimisticState) {
  auto bridge = makeBridge();
  EXPECT_TRUE(bridge->publish({}));
  // The extension shows "on" before the application answers...
  EXPECT_TRUE(VGXControlState(true, std::nullopt).write(extensionSuite_.get()));
  // ...and the application's refusal writes the state in force back.
  EXPECT_TRUE(bridge->publish({}));
  EXPECT_EQ(VGXControlState::read(extensionSuite_.get()), VGXControlState());
}

TEST_F(ControlStateBridgeTest, NoReloadWhereControlCenterCannotAndNoSuite) {
  auto bridge = makeBridge(/*canReload=*/false);
  EXPECT_TRUE(bridge->publish({true, AwakeStatus::manualIndefinite(), std::nullopt, {}}));
  EXPECT_TRUE(reloads_.empty());

  ControlStateBridge missing([] { return nullptr; },
                             [this](const std::string& kind) { reloads_.push_back(kind); });
  EXPECT_FALSE(missing.publish({true, AwakeStatus::manualIndefinite(), std::nullopt, {}}));
  EXPECT_TRUE(reloads_.empty());
  EXPECT_EQ(missing.takeRequest(platform_.now()), std::nullopt);
}

TEST_F(ControlStateBridgeTest, TakesARequestLeftBeforeStartWhileInsideTheWindow) {
  extensionRequests(true);
  platform_.advanceClockWithoutRunning(15);
  auto bridge = makeBridge();
  bridge->startObservingRequests([this](bool value) { requests_.push_back(value); });
  EXPECT_EQ(requests_, std::vector<bool>{true});
  // The notification of that request finds the slot empty.
  platform_.runUntilIdle();
  EXPECT_EQ(requests_, std::vector<bool>{true});
}

TEST_F(ControlStateBridgeTest, StaleRequestAtStartIsDroppedUnanswered) {
  extensionRequests(false);
  platform_.advanceClockWithoutRunning(15.5);
  auto bridge = makeBridge();
  bridge->startObservingRequests([this](bool value) { requests_.push_back(value); });
  platform_.runUntilIdle();
  EXPECT_TRUE(requests_.empty());
  EXPECT_FALSE(suite_->object(VGXControlState::requestKey).has_value());
}

TEST_F(ControlStateBridgeTest, EachNotificationTakesTheRequestAtTheTimeItArrives) {
  auto bridge = makeBridge();
  bridge->startObservingRequests([this](bool value) { requests_.push_back(value); });
  EXPECT_TRUE(bridge->isObservingRequests());

  extensionRequests(true);
  platform_.runUntilIdle();
  extensionRequests(false);
  platform_.runUntilIdle();
  EXPECT_EQ(requests_, (std::vector<bool>{true, false}));

  // Delivered too late: refused.
  extensionRequests(true);
  platform_.advanceClockWithoutRunning(16);
  platform_.runUntilIdle();
  EXPECT_EQ(requests_.size(), 2u);
}

TEST_F(ControlStateBridgeTest, NothingArrivesAfterStoppingOrDestruction) {
  auto bridge = makeBridge();
  bridge->startObservingRequests([this](bool value) { requests_.push_back(value); });
  bridge->stopObservingRequests();
  EXPECT_FALSE(bridge->isObservingRequests());
  extensionRequests(true);
  platform_.runUntilIdle();
  EXPECT_TRUE(requests_.empty());

  bridge->startObservingRequests([this](bool value) { requests_.push_back(value); });
  EXPECT_EQ(requests_, std::vector<bool>{true});  // the request was still pending
  extensionRequests(false);
  bridge.reset();  // notification already on its way
  platform_.runUntilIdle();
  EXPECT_EQ(requests_, std::vector<bool>{true});
}

}  // namespace
}  // namespace vigilix
