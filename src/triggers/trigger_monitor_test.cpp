#include "triggers/trigger_monitor.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include "platform/locale/calendar.h"
#include "platform/notifications/notification_center.h"
#include "platform/runloop/clock.h"
#include "platform/system/workspace_notifications.h"
#include "testing/manual_dispatch_queue.h"
#include "testing/test_platform.h"
#include "triggers/scripted_sampler.h"

namespace vigilix {
namespace {

using platform::NotificationCenter;

TriggerConfiguration onAdapter() {
  TriggerConfiguration configuration;
  configuration.isEnabled = true;
  configuration.whenOnPowerAdapter = true;
  return configuration;
}

const TriggerDecision kIdle;
const TriggerDecision kAdapter = TriggerDecision::withReasons({TriggerReason::powerAdapter()});

class TriggerMonitorTest : public ::testing::Test {
 protected:
  void SetUp() override { makeMonitor(onAdapter()); }

  void makeMonitor(TriggerConfiguration configuration,
                   TriggerMonitor::ConfigurationProvider provider = {}) {
    monitor = TriggerMonitor::make(
        sampler, std::move(configuration),
        platform::Calendar(platform::TimeZone::utc(), platform::Locale("en_US")),
        std::move(provider),
        [this](const TriggerDecision& decision) {
          EXPECT_TRUE(platform::DispatchQueue::isMainThread());
          delivered.push_back(decision);
        },
        queue);
  }
  // Runs the monitor's queue and the main queue until neither has work.
  void settle() {
    do {
      queue->runAll();
      platform.runUntilIdle();
    } while (queue->pendingCount() > 0);
  }
  // Moves time on in steps of at most one timer interval, settling after each.
  void advance(double seconds) {
    while (seconds > 0) {
      const double step = std::min(seconds, TriggerMonitor::kInterval);
      platform.advance(step);
      settle();
      seconds -= step;
    }
  }

  testing::TestPlatform platform;
  std::shared_ptr<testing::ManualDispatchQueue> queue =
      std::make_shared<testing::ManualDispatchQueue>(TriggerMonitor::kQueueLabel);
  std::shared_ptr<ScriptedSampler> sampler = std::make_shared<ScriptedSampler>();
  std::shared_ptr<TriggerMonitor> monitor;
  std::vector<TriggerDecision> delivered;
};

TEST_F(TriggerMonitorTest, EvaluatesAtStartWithoutWaitingForTheTimer) {
  sampler->next.isOnPowerAdapter = true;
  EXPECT_EQ(monitor->storedDecision(), kIdle);
  monitor->start();
  settle();
  EXPECT_EQ(sampler->readings, 1);
  EXPECT_EQ(delivered, std::vector<TriggerDecision>{kAdapter});
  EXPECT_EQ(monitor->storedDecision(), kAdapter);
}

TEST_F(TriggerMonitorTest, EvaluatesEveryFiveSecondsOnItsQueue) {
  monitor->start();
  settle();
  platform.advance(4.9);
  settle();
  EXPECT_EQ(sampler->readings, 1);
  platform.advance(0.1);
  EXPECT_EQ(sampler->readings, 1) << "the timer's work waits for the monitor's queue";
  settle();
  EXPECT_EQ(sampler->readings, 2);
  advance(20);
  EXPECT_EQ(sampler->readings, 6);
}

TEST_F(TriggerMonitorTest, OnlyAChangedDecisionReachesTheMainQueue) {
  monitor->start();
  settle();
  advance(45);  // ten identical samples
  EXPECT_EQ(sampler->readings, 10);
  EXPECT_EQ(delivered, std::vector<TriggerDecision>{kIdle});

  sampler->next.isOnPowerAdapter = true;
  advance(5);
  sampler->next.isOnPowerAdapter = false;
  advance(10);
  EXPECT_EQ(delivered, (std::vector<TriggerDecision>{kIdle, kAdapter, kIdle}));
}

TEST_F(TriggerMonitorTest, TheStoredDecisionFollowsEveryEvaluation) {
  monitor->start();
  settle();
  sampler->next.isOnPowerAdapter = true;
  platform.advance(5);
  queue->runAll();  // evaluated, hand-off not yet run
  EXPECT_EQ(monitor->storedDecision(), kAdapter);
  EXPECT_EQ(delivered, std::vector<TriggerDecision>{kIdle});
}

TEST_F(TriggerMonitorTest, AChangeOfOnlyTheReasonsOrderIsDelivered) {
  TriggerConfiguration configuration;
  configuration.isEnabled = true;
  configuration.appBundleIdentifiers = {"com.example.A", "com.example.B"};
  auto current = std::make_shared<TriggerConfiguration>(configuration);
  makeMonitor(configuration, [current] { return *current; });
  sampler->next.runningBundleIdentifiers = {"com.example.A", "com.example.B"};
  monitor->start();
  settle();
  current->appBundleIdentifiers = {"com.example.B", "com.example.A"};
  advance(5);
  ASSERT_EQ(delivered.size(), 2u);
  EXPECT_EQ(delivered[1].reasons,
            (std::vector<TriggerReason>{TriggerReason::appRunning("com.example.B"),
                                        TriggerReason::appRunning("com.example.A")}));
}

TEST_F(TriggerMonitorTest, StartingTwiceAddsNoTimerNoObserversAndNoEpoch) {
  monitor->start();
  queue->runAll();  // the first evaluation's hand-off waits on the main queue
  monitor->start();
  settle();
  EXPECT_EQ(delivered.size(), 1u) << "a second start must not make the hand-off stale";
  EXPECT_EQ(sampler->readings, 1);

  advance(5);
  EXPECT_EQ(sampler->readings, 2) << "one timer";
  NotificationCenter::workspaceCenter().post(platform::kWorkspaceDidLaunchApplicationNotification);
  settle();
  EXPECT_EQ(sampler->readings, 3) << "one observer";
  EXPECT_EQ(platform.power.sources.observerCount(), 1u);
}

TEST_F(TriggerMonitorTest, ADecisionEvaluatedBeforeStopIsNotDeliveredAfterIt) {
  monitor->start();
  queue->runAll();  // sampled; the hand-off waits on the main queue
  monitor->stop();
  settle();
  EXPECT_TRUE(delivered.empty());
  EXPECT_EQ(monitor->storedDecision(), kIdle);
}

TEST_F(TriggerMonitorTest, ARestartDeliversTheUnchangedDecisionOnceAgain) {
  monitor->start();
  settle();
  monitor->stop();
  settle();
  advance(20);
  EXPECT_EQ(sampler->readings, 1) << "stopped: the timer is cancelled";

  monitor->start();
  settle();
  advance(10);
  EXPECT_EQ(delivered, (std::vector<TriggerDecision>{kIdle, kIdle}));
  EXPECT_EQ(sampler->readings, 4);
}

TEST_F(TriggerMonitorTest, AHandOffFromBeforeARestartIsDropped) {
  sampler->next.isOnPowerAdapter = true;
  monitor->start();
  queue->runAll();  // hand-off with the first epoch waits
  monitor->stop();
  monitor->start();
  settle();
  EXPECT_EQ(delivered, std::vector<TriggerDecision>{kAdapter})
      << "only the restarted monitor's own evaluation arrives";
}

TEST_F(TriggerMonitorTest, NothingIsEvaluatedBeforeStartOrAfterStop) {
  monitor->requestEvaluation();
  monitor->updateConfiguration(TriggerConfiguration{});
  NotificationCenter::workspaceCenter().post(platform::kWorkspaceDidLaunchApplicationNotification);
  settle();
  advance(10);
  EXPECT_EQ(sampler->readings, 0);

  monitor->start();
  settle();
  monitor->stop();
  settle();
  monitor->requestEvaluation();
  NotificationCenter::workspaceCenter().post(
      platform::kWorkspaceDidTerminateApplicationNotification);
  NotificationCenter::defaultCenter().post(
      platform::kApplicationDidChangeScreenParametersNotification);
  platform.power.sources.notifyChange();
  settle();
  EXPECT_EQ(sampler->readings, 1);
  EXPECT_EQ(platform.power.sources.observerCount(), 0u) << "the power source is released";
}

TEST_F(TriggerMonitorTest, EachSystemEventLeadsToAnEvaluationWithoutTheTimer) {
  monitor->start();
  settle();
  NotificationCenter::workspaceCenter().post(platform::kWorkspaceDidLaunchApplicationNotification);
  settle();
  EXPECT_EQ(sampler->readings, 2);
  NotificationCenter::workspaceCenter().post(
      platform::kWorkspaceDidTerminateApplicationNotification);
  settle();
  EXPECT_EQ(sampler->readings, 3);
  NotificationCenter::defaultCenter().post(
      platform::kApplicationDidChangeScreenParametersNotification);
  settle();
  EXPECT_EQ(sampler->readings, 4);

  sampler->next.isOnPowerAdapter = true;
  platform.power.sources.notifyChange();
  settle();
  EXPECT_EQ(sampler->readings, 5);
  EXPECT_EQ(delivered.back(), kAdapter);

  NotificationCenter::workspaceCenter().post("NSWorkspaceDidWakeNotification");
  settle();
  EXPECT_EQ(sampler->readings, 5) << "other notifications do not evaluate";
}

TEST_F(TriggerMonitorTest, WithoutAPowerSourceNotificationTheTimerStillCatchesTheChange) {
  platform.power.sources.setChangeSourceCreationFails(true);
  monitor->start();
  settle();
  sampler->next.isOnPowerAdapter = true;
  platform.power.sources.notifyChange();
  settle();
  EXPECT_EQ(delivered, std::vector<TriggerDecision>{kIdle});
  advance(5);
  EXPECT_EQ(delivered, (std::vector<TriggerDecision>{kIdle, kAdapter}));
}

// Network above its threshold from t = 0, sustained for 10 s.
class TriggerMonitorSustainTest : public TriggerMonitorTest {
 protected:
  void SetUp() override {
    makeMonitor(busyNetwork());
    sampler->next.networkBytesPerSecond = 5000;
    monitor->start();
    settle();
    advance(5);
  }
  static TriggerConfiguration busyNetwork() {
    TriggerConfiguration configuration;
    configuration.isEnabled = true;
    configuration.networkThresholdBytesPerSecond = 1000;
    configuration.sustainSeconds = 10;
    return configuration;
  }
  static const TriggerDecision& network() {
    static const TriggerDecision decision =
        TriggerDecision::withReasons({TriggerReason::networkActivity()});
    return decision;
  }
};

TEST_F(TriggerMonitorSustainTest, AnEqualConfigurationKeepsTheSustainState) {
  monitor->updateConfiguration(busyNetwork());
  settle();
  EXPECT_EQ(sampler->readings, 3) << "evaluated at once";
  advance(5);
  EXPECT_EQ(delivered, (std::vector<TriggerDecision>{kIdle, network()})) << "on at t = 10";
}

TEST_F(TriggerMonitorSustainTest, ADifferentConfigurationRestartsTheSustainAndEvaluatesAtOnce) {
  TriggerConfiguration changed = busyNetwork();
  changed.wifiNetworkNames = {"Elsewhere"};
  monitor->updateConfiguration(changed);
  settle();
  EXPECT_EQ(sampler->readings, 3);
  advance(5);
  EXPECT_EQ(delivered, std::vector<TriggerDecision>{kIdle}) << "the streak began again at t = 5";
  advance(5);
  EXPECT_EQ(delivered, (std::vector<TriggerDecision>{kIdle, network()}));
}

TEST_F(TriggerMonitorTest, TheProviderIsAskedAtEveryEvaluation) {
  auto current = std::make_shared<TriggerConfiguration>(TriggerConfiguration{});
  int asked = 0;
  makeMonitor(onAdapter(), [current, &asked] {
    ++asked;
    return *current;
  });
  sampler->next.isOnPowerAdapter = true;
  monitor->start();
  settle();
  EXPECT_EQ(delivered, std::vector<TriggerDecision>{kIdle})
      << "the provider's rules, not the first";
  EXPECT_EQ(sampler->asked, SampleInputs{}) << "the sampler reads for the provider's rules";
  *current = onAdapter();
  advance(5);
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(delivered, (std::vector<TriggerDecision>{kIdle, kAdapter}));
  EXPECT_EQ(sampler->asked, SampleInputs{.power = true}) << "at the reading they serve";
}

TEST_F(TriggerMonitorTest, WorkFromAnotherThreadMovesToTheMainThreadFirst) {
  queue->async([this] { monitor->start(); });
  queue->runAll();
  EXPECT_EQ(queue->pendingCount(), 0u) << "not started from the queue itself";
  settle();
  EXPECT_EQ(sampler->readings, 1);

  queue->async([this] { monitor->requestEvaluation(); });
  settle();
  EXPECT_EQ(sampler->readings, 2);
  queue->async([this] { monitor->stop(); });
  settle();
  advance(10);
  EXPECT_EQ(sampler->readings, 2);
}

TEST_F(TriggerMonitorTest, TheLastOfAStartAndAStopWinsWhicheverThreadsAskForThem) {
  enum class Step { startOffMain, stopOffMain, startOnMain, stopOnMain };
  struct Row {
    const char* name;
    bool startedFirst;
    std::vector<Step> steps;
    bool running;
  };
  const Row rows[] = {
      {"start from another thread", false, {Step::startOffMain}, true},
      {"start then stop, both from another thread",
       false,
       {Step::startOffMain, Step::stopOffMain},
       false},
      {"start from another thread, then stop on the main thread",
       false,
       {Step::startOffMain, Step::stopOnMain},
       false},
      {"stop from another thread, then start on the main thread",
       true,
       {Step::stopOffMain, Step::startOnMain},
       true},
      {"stop then start, both from another thread",
       true,
       {Step::stopOffMain, Step::startOffMain},
       true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    makeMonitor(onAdapter());
    if (row.startedFirst) monitor->start();
    settle();
    for (const Step step : row.steps) {
      switch (step) {
        case Step::startOffMain:
          queue->async([this] { monitor->start(); });
          queue->runAll();  // the start now waits on the main queue
          break;
        case Step::stopOffMain:
          queue->async([this] { monitor->stop(); });
          queue->runAll();
          break;
        case Step::startOnMain:
          monitor->start();
          break;
        case Step::stopOnMain:
          monitor->stop();
          break;
      }
    }
    delivered.clear();
    settle();
    // A monitor left running delivers its decision once, even unchanged after a restart.
    EXPECT_EQ(delivered,
              row.running ? std::vector<TriggerDecision>{kIdle} : std::vector<TriggerDecision>{});
    const int before = sampler->readings;
    advance(10);
    EXPECT_EQ(sampler->readings - before, row.running ? 2 : 0) << "the timer";
    NotificationCenter::workspaceCenter().post(
        platform::kWorkspaceDidLaunchApplicationNotification);
    settle();
    EXPECT_EQ(sampler->readings - before, row.running ? 3 : 0) << "the observers";
  }
}

TEST_F(TriggerMonitorTest, TheHandlerCanBeReplaced) {
  std::vector<TriggerDecision> replaced;
  monitor->setOnChange(
      [&replaced](const TriggerDecision& decision) { replaced.push_back(decision); });
  monitor->start();
  settle();
  EXPECT_TRUE(delivered.empty());
  EXPECT_EQ(replaced, std::vector<TriggerDecision>{kIdle});
  EXPECT_TRUE(monitor->onChange());
}

TEST_F(TriggerMonitorTest, AMonitorThatIsGoneDoesNothing) {
  monitor->start();
  queue->runAll();  // a hand-off waits on the main queue
  monitor.reset();
  settle();
  advance(10);
  NotificationCenter::workspaceCenter().post(platform::kWorkspaceDidLaunchApplicationNotification);
  platform.power.sources.notifyChange();
  settle();
  EXPECT_TRUE(delivered.empty());
  EXPECT_EQ(sampler->readings, 1);
  EXPECT_EQ(platform.power.sources.observerCount(), 0u);
}

TEST(TriggerMonitorQueueTest, MakesItsOwnSerialQueueWhenNoneIsGiven) {
  testing::TestPlatform platform;
  auto monitor = TriggerMonitor::make(std::make_shared<ScriptedSampler>(), TriggerConfiguration{},
                                      platform::Calendar(), {}, {});
  EXPECT_EQ(monitor->queue().label(), "run.tarvo.vigilix.TriggerMonitor");
}

// The monitor asks the sampler only for what the rules in force read, and
// follows a new configuration at the next evaluation.
TEST_F(TriggerMonitorTest, AsksTheSamplerOnlyForWhatTheRulesRead) {
  TriggerConfiguration off = onAdapter();
  off.isEnabled = false;
  TriggerConfiguration apps = onAdapter();
  apps.whenOnPowerAdapter = false;
  apps.appBundleIdentifiers = {"com.example.Editor"};
  struct Row {
    const char* name;
    TriggerConfiguration configuration;
    SampleInputs asked;
  };
  const Row rows[] = {
      {"the adapter rule", onAdapter(), SampleInputs{.power = true}},
      {"automation off", off, SampleInputs{}},
      {"an app rule", apps, SampleInputs{.applications = true}},
  };
  monitor->start();
  settle();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    monitor->updateConfiguration(row.configuration);
    settle();
    EXPECT_EQ(sampler->asked, row.asked);
  }
}

}  // namespace
}  // namespace vigilix
