#include "core/sleep_wake_timer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "core/dzl_keys.h"
#include "platform/base/text.h"
#include "testing/captured_log.h"
#include "testing/fake_power.h"
#include "testing/test_platform.h"
#include "testing/test_user_defaults.h"

namespace vigilix {
namespace {

using platform::LockError;
constexpr platform::LockKind kSystem = platform::LockKind::systemSleep;
constexpr platform::LockKind kDisplay = platform::LockKind::displayAndSystemSleep;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class RecordingDelegate : public DZLSleepWakeTimerDelegate {
 public:
  void sleepWakeTimerWillActivateWithTimeInterval(DZLSleepWakeTimer& timer,
                                                  double interval) override {
    events.push_back("willActivate " + std::to_string(static_cast<long>(interval)) +
                     (timer.isScheduled() ? " holding" : " idle"));
  }
  void sleepWakeTimerDidDeactivate(DZLSleepWakeTimer&) override { events.push_back("deactivate"); }
  std::vector<std::string> events;
};

// A delegate that implements neither optional method.
class SilentDelegate : public DZLSleepWakeTimerDelegate {};

class SleepWakeTimerTest : public ::testing::Test {
 protected:
  SleepWakeTimerTest() {
    defaults.registerDefaults({{kDZLAllowDisplaySleepKey, true}});
    timer = makeTimer();
    timer->setDelegate(delegate);
  }

  std::shared_ptr<DZLSleepWakeTimer> makeTimer() {
    return DZLSleepWakeTimer::make({&defaults, &power.assertions,
                                    &platform::NotificationCenter::defaultCenter(),
                                    &platform::NotificationCenter::workspaceCenter(),
                                    &platform::DispatchQueue::main(), &platform::Clock::current()});
  }

  // Schedules with a completion that records each call.
  void schedule(double interval) {
    ASSERT_TRUE(timer->scheduleWithTimeInterval(
        interval, [this](bool cancelled) { completions.push_back(cancelled); }));
  }

  std::vector<testing::FakePowerAssertions::Held> live() const {
    return power.assertions.liveLocks();
  }

  testing::TestPlatform platform;
  testing::FakePower& power = platform.power;
  testing::TestUserDefaults defaults;
  testing::CapturedLog log;
  std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
  std::vector<bool> completions;
  std::shared_ptr<DZLSleepWakeTimer> timer;
};

// --- The assertion's name --------------------------------------------------

TEST_F(SleepWakeTimerTest, NameIsPrefixedAndCutTo128UnitsWhileTheReasonStaysWhole) {
  // "Vigilix: " is 9 units. In the emoji row 117 more put a 4-unit emoji with skin tone over
  // units 126..129, so the cut at unit 127 falls inside it and must not split it.
  const std::string r200(200, 'r'), x119(119, 'x'), x120(120, 'x'), cut = "\u2026";
  const std::string composed =
      std::string(117, 'a') + "\U0001F44D\U0001F3FD" + std::string(20, 'b');
  const std::string fallback = "Keeping your computer awake";
  struct Row {
    const char* name;
    std::optional<std::string> reason;
    std::string assertionName;
    std::size_t units;
  };
  const Row rows[] = {
      {"long reason", r200, "Vigilix: " + r200.substr(0, 118) + cut, 128},
      {"cut inside a composed character", composed, "Vigilix: " + composed.substr(0, 117) + cut,
       127},
      {"exactly 128 units", x119, "Vigilix: " + x119, 128},
      {"one unit over", x120, "Vigilix: " + x120.substr(0, 118) + cut, 128},
      {"empty reason", std::string(), "Vigilix: " + fallback, 36},
      {"missing reason", std::nullopt, "Vigilix: " + fallback, 36},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    // Named at creation, and again when a held assertion is renamed.
    for (const bool rename : {false, true}) {
      SCOPED_TRACE(rename ? "renamed" : "created");
      timer->setReason(rename ? std::optional<std::string>("Compiling") : row.reason);
      schedule(0);
      if (rename) timer->setReason(row.reason);
      EXPECT_EQ(timer->reason(), row.reason.value_or("").empty() ? fallback : *row.reason);
      EXPECT_EQ(timer->assertionName(), row.assertionName);
      EXPECT_EQ(platform::utf16Length(row.assertionName), row.units);
      ASSERT_EQ(live().size(), 1u);
      EXPECT_EQ(live()[0].lock.reason, row.assertionName);
      timer->invalidate();
    }
  }
}

// --- Scheduling --------------------------------------------------------------

TEST_F(SleepWakeTimerTest, IntervalZeroHoldsUntilInvalidatedWithoutExpiry) {
  schedule(0);
  EXPECT_TRUE(timer->isScheduled());
  EXPECT_EQ(timer->fireDate(), std::nullopt);
  EXPECT_FALSE(timer->hasExpirationTimer());
  ASSERT_EQ(live().size(), 1u);
  EXPECT_EQ(live()[0].lock.kind, kSystem);

  platform.advance(30 * 24 * 3600.0);
  EXPECT_TRUE(timer->isScheduled());
  EXPECT_THAT(completions, IsEmpty());

  timer->invalidate();
  EXPECT_FALSE(timer->isScheduled());
  EXPECT_THAT(live(), IsEmpty());
  EXPECT_THAT(completions, IsEmpty()) << "the completion runs on the main queue, later";
  platform.runUntilIdle();
  EXPECT_THAT(completions, ElementsAre(true));
  EXPECT_THAT(delegate->events, ElementsAre("willActivate 0 idle", "deactivate"));
}

TEST_F(SleepWakeTimerTest, TimedAssertionEndsAtItsFireDateNotBefore) {
  const platform::Date start = platform.now();
  schedule(600);
  EXPECT_EQ(timer->fireDate(), start + 600);
  EXPECT_EQ(timer->scheduledTimeInterval(), 600);

  platform.advance(599.5);
  EXPECT_TRUE(timer->isScheduled());
  platform.advance(0.5);
  platform.runUntilIdle();
  EXPECT_FALSE(timer->isScheduled());
  EXPECT_THAT(live(), IsEmpty());
  EXPECT_EQ(timer->fireDate(), std::nullopt);
  EXPECT_EQ(timer->scheduledTimeInterval(), 0);
  EXPECT_THAT(completions, ElementsAre(false));
  EXPECT_THAT(delegate->events, ElementsAre("willActivate 600 idle", "deactivate"));
}

TEST_F(SleepWakeTimerTest, RescheduleReleasesTheFirstAndItsExpiryCannotEndTheSecond) {
  bool firstCalled = false;
  ASSERT_TRUE(timer->scheduleWithTimeInterval(60, [&](bool) { firstCalled = true; }));
  const auto first = timer->assertionID();
  platform.advance(30);
  schedule(0);
  const auto second = timer->assertionID();

  EXPECT_NE(first, second);
  EXPECT_THAT(power.assertions.releaseCalls(), ElementsAre(first));
  ASSERT_EQ(live().size(), 1u);
  EXPECT_EQ(live()[0].id, second);

  platform.advance(120);  // past the first fire date
  EXPECT_TRUE(timer->isScheduled());
  EXPECT_EQ(timer->assertionID(), second);
  EXPECT_FALSE(firstCalled) << "the replaced completion is never called";
  EXPECT_THAT(completions, IsEmpty());
  EXPECT_THAT(delegate->events, ElementsAre("willActivate 60 idle", "willActivate 0 holding"));
}

TEST_F(SleepWakeTimerTest, ScheduleWithoutCompletionKeepsTheStoredOne) {
  schedule(0);
  ASSERT_TRUE(timer->scheduleWithTimeInterval(0));
  timer->invalidate();
  platform.runUntilIdle();
  EXPECT_THAT(completions, ElementsAre(true));
  // Taken once: a second end calls nothing more.
  timer->invalidate();
  platform.runUntilIdle();
  EXPECT_THAT(completions, ElementsAre(true));
}

TEST_F(SleepWakeTimerTest, DisplaySleepSettingChoosesTheTypeOnlyAtTheNextSchedule) {
  schedule(0);
  DZLKeys::setDzl_allowDisplaySleep(defaults, false);
  EXPECT_EQ(timer->desiredAssertionType(), kDisplay);
  EXPECT_EQ(live()[0].lock.kind, kSystem);
  EXPECT_THAT(timer->expectedAssertionTypes(), ElementsAre(kSystem));

  timer->setReason("Rendering");  // a rename keeps the type
  EXPECT_EQ(live()[0].lock.kind, kSystem);

  schedule(0);
  ASSERT_EQ(live().size(), 1u);
  EXPECT_EQ(live()[0].lock.kind, kDisplay);
  EXPECT_EQ(timer->currentAssertionType(), kDisplay);
}

TEST_F(SleepWakeTimerTest, NonFiniteIntervalIsRefusedAndChangesNothing) {
  schedule(0);
  const auto held = timer->assertionID();
  for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity()}) {
    bool called = false;
    EXPECT_FALSE(timer->scheduleWithTimeInterval(bad, [&](bool) { called = true; }));
    EXPECT_FALSE(called);
  }
  EXPECT_EQ(timer->assertionID(), held);
  EXPECT_EQ(timer->fireDate(), std::nullopt);
  EXPECT_EQ(power.assertions.takeCount(), 1);
  EXPECT_THAT(delegate->events, ElementsAre("willActivate 0 idle"));
  // The completion stored by the valid schedule is still the one told.
  timer->invalidate();
  platform.runUntilIdle();
  EXPECT_THAT(completions, ElementsAre(true));
}

TEST_F(SleepWakeTimerTest, NegativeIntervalEndsAtOnceNotCancelled) {
  schedule(-5);
  EXPECT_FALSE(timer->isScheduled());
  EXPECT_THAT(live(), IsEmpty());
  platform.runUntilIdle();
  EXPECT_THAT(completions, ElementsAre(false));
}

TEST_F(SleepWakeTimerTest, WillActivateLogsTheTimerAndInterval) {
  schedule(1800);
  EXPECT_TRUE(log.contains("SleepWakeTimer", platform::LogLevel::Default,
                           "The keep-awake timer will activate with time interval 1800."));
  timer->invalidate();
  platform.runUntilIdle();
  EXPECT_TRUE(log.contains("The keep-awake timer did deactivate."));
}

// --- Failed creates ------------------------------------------------------------

TEST_F(SleepWakeTimerTest, FailedCreateHoldsNothingButKeepsTheProtectionExpected) {
  struct Row {
    const char* name;
    LockError error;
  };
  const Row rows[] = {
      {"nobody to hold it", LockError::unavailable},
      {"refused", LockError::badArgument},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    completions.clear();
    delegate->events.clear();
    power.assertions.failNextTake(row.error);
    schedule(600);
    EXPECT_FALSE(timer->isScheduled());
    EXPECT_TRUE(timer->lastCreateFailed());
    EXPECT_EQ(timer->lastCreateResult(), row.error);
    EXPECT_EQ(timer->fireDate(), std::nullopt);
    EXPECT_EQ(timer->scheduledTimeInterval(), 0);
    EXPECT_THAT(timer->expectedAssertionTypes(), ElementsAre(kSystem));
    EXPECT_THAT(timer->currentAssertionIDs(), IsEmpty());
    platform.runUntilIdle();
    EXPECT_THAT(completions, ElementsAre(true));
    EXPECT_THAT(delegate->events, ElementsAre("willActivate 600 idle", "deactivate"));

    timer->invalidate();
    EXPECT_FALSE(timer->lastCreateFailed());
    EXPECT_THAT(timer->expectedAssertionTypes(), IsEmpty());
    platform.runUntilIdle();
  }
}

TEST_F(SleepWakeTimerTest, CreateFailureIsLoggedOncePerProcessWhicheverTimerFails) {
  auto other = makeTimer();
  power.assertions.failAllTakes(LockError::unavailable);
  schedule(0);
  schedule(0);
  other->scheduleWithTimeInterval(0);
  const std::string message = "Failed to create power assertion: -536870212";
  std::size_t count = 0;
  for (const auto& text : log.messages("SleepWakeTimer")) count += text == message;
  EXPECT_EQ(count, 1u);
}

TEST_F(SleepWakeTimerTest, SuccessfulScheduleClearsAnEarlierFailure) {
  power.assertions.failNextTake(LockError::unavailable);
  schedule(0);
  schedule(0);
  EXPECT_TRUE(timer->isScheduled());
  EXPECT_FALSE(timer->lastCreateFailed());
  EXPECT_EQ(timer->lastCreateResult(), std::nullopt);
}

// --- Sleep and wake --------------------------------------------------------------

TEST_F(SleepWakeTimerTest, FireDatePassedDuringSleepEndsRightAfterWakeNotCancelled) {
  schedule(60);
  platform.sleepFor(3600);
  platform.runUntilIdle();
  EXPECT_FALSE(timer->isScheduled());
  EXPECT_THAT(live(), IsEmpty());
  EXPECT_THAT(completions, ElementsAre(false));
  EXPECT_THAT(delegate->events, ElementsAre("willActivate 60 idle", "deactivate"));
}

TEST_F(SleepWakeTimerTest, WakeBeforeTheFireDateKeepsTheAssertionUntilItIsDue) {
  schedule(600);
  platform.sleepFor(60);
  platform.runUntilIdle();
  EXPECT_TRUE(timer->isScheduled());
  platform.advance(539);
  EXPECT_TRUE(timer->isScheduled());
  platform.advance(1);
  platform.runUntilIdle();
  EXPECT_FALSE(timer->isScheduled());
  EXPECT_THAT(completions, ElementsAre(false));
}

TEST_F(SleepWakeTimerTest, WakeWithoutFireDateChangesNothing) {
  schedule(0);
  platform.sleepFor(3600);
  platform.runUntilIdle();
  EXPECT_TRUE(timer->isScheduled());
  EXPECT_THAT(completions, IsEmpty());
}

// --- Observers of `scheduled` ------------------------------------------------------

TEST_F(SleepWakeTimerTest, ScheduledObserversAreToldAroundEveryChangeButNotRenameOrRepair) {
  std::vector<DZLScheduledChange> changes;
  auto token = timer->observeScheduled([&](const DZLScheduledChange& c) { changes.push_back(c); });

  schedule(0);
  EXPECT_THAT(changes,
              ElementsAre(DZLScheduledChange{true, false}, DZLScheduledChange{false, true}));

  changes.clear();
  schedule(0);  // release, then a new identifier
  EXPECT_THAT(changes,
              ElementsAre(DZLScheduledChange{true, true}, DZLScheduledChange{false, false},
                          DZLScheduledChange{true, false}, DZLScheduledChange{false, true}));

  changes.clear();
  timer->setReason("Renamed by replacement");
  power.assertions.dropAll();
  ASSERT_TRUE(timer->repair());
  EXPECT_THAT(changes, IsEmpty());

  timer->invalidate();
  EXPECT_THAT(changes,
              ElementsAre(DZLScheduledChange{true, true}, DZLScheduledChange{false, false}));

  changes.clear();
  token.reset();
  schedule(0);
  EXPECT_THAT(changes, IsEmpty());
}

TEST_F(SleepWakeTimerTest, InvalidateWhileIdleTellsNoScheduledObserver) {
  std::vector<DZLScheduledChange> changes;
  auto token = timer->observeScheduled([&](const DZLScheduledChange& c) { changes.push_back(c); });
  timer->invalidate();
  EXPECT_THAT(changes, IsEmpty());
}

// --- Renaming ------------------------------------------------------------------------

// A lock cannot be renamed: a new name takes a new lock before the old one
// goes, and an unchanged name, asked for on every synchronisation, keeps it.
TEST_F(SleepWakeTimerTest, ANewReasonReplacesTheHeldLockAndAnUnchangedOneKeepsIt) {
  struct Row {
    const char* name;
    std::vector<std::string> reasons;  // set one after another while held
    bool replacementFails;
    int creates;  // the schedule's included
    std::string held;
    bool replaced;
  };
  const Row rows[] = {
      {"the same reason again and again",
       {"Keeping your computer awake", "", "x", "x", "x"},
       false,
       2,
       "Vigilix: x",
       true},
      {"an unchanged reason",
       {"", "", ""},
       false,
       1,
       "Vigilix: Keeping your computer awake",
       false},
      {"a new reason", {"Exporting"}, false, 2, "Vigilix: Exporting", true},
      {"a replacement that cannot be had",
       {"Exporting"},
       true,
       2,
       "Vigilix: Keeping your computer awake",
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    timer->setReason(std::nullopt);
    schedule(0);
    const auto first = timer->assertionID();
    const int createsBefore = power.assertions.takeCount() - 1;
    const std::size_t releasesBefore = power.assertions.releaseCalls().size();
    if (row.replacementFails) power.assertions.failNextTake(LockError::badArgument);
    for (const auto& reason : row.reasons) timer->setReason(reason);

    EXPECT_EQ(power.assertions.takeCount() - createsBefore, row.creates);
    ASSERT_EQ(live().size(), 1u) << "never two in force, never none";
    EXPECT_EQ(live()[0].id, timer->assertionID());
    EXPECT_EQ(live()[0].lock.reason, row.held);
    EXPECT_EQ(live()[0].lock.kind, kSystem);
    EXPECT_EQ(timer->assertionID() != first, row.replaced);
    const std::vector<platform::LockID> released(
        power.assertions.releaseCalls().begin() + static_cast<std::ptrdiff_t>(releasesBefore),
        power.assertions.releaseCalls().end());
    EXPECT_EQ(released, row.replaced ? std::vector{first} : std::vector<platform::LockID>{});
    EXPECT_FALSE(timer->lastCreateFailed());
    EXPECT_EQ(timer->lastCreateResult(),
              row.replacementFails ? std::optional(LockError::badArgument) : std::nullopt);
    timer->invalidate();
    EXPECT_THAT(live(), IsEmpty());
  }
}

TEST_F(SleepWakeTimerTest, ReasonSetWhileIdleTouchesNoAssertion) {
  timer->setReason("Later");
  EXPECT_EQ(power.assertions.takeCount(), 0);
  schedule(0);
  EXPECT_EQ(live()[0].lock.reason, "Vigilix: Later");
}

// --- Repair ----------------------------------------------------------------------------

TEST_F(SleepWakeTimerTest, RepairDoesNothingWhenIdleOrWhenTheSystemStillKnowsTheAssertion) {
  EXPECT_FALSE(timer->repair());
  schedule(0);
  const auto held = timer->assertionID();
  EXPECT_THAT(timer->currentAssertionIDs(), ElementsAre(held));
  EXPECT_TRUE(timer->repair());
  EXPECT_EQ(timer->assertionID(), held);
  EXPECT_EQ(power.assertions.takeCount(), 1);
}

TEST_F(SleepWakeTimerTest, RepairRecreatesAnAssertionDroppedByAReset) {
  timer->setReason("Backing up");
  schedule(0);
  power.assertions.dropAll();
  EXPECT_THAT(timer->currentAssertionIDs(), IsEmpty());
  EXPECT_TRUE(timer->isScheduled());

  EXPECT_TRUE(timer->repair());
  ASSERT_EQ(live().size(), 1u);
  EXPECT_EQ(live()[0].id, timer->assertionID());
  EXPECT_EQ(live()[0].lock.reason, "Vigilix: Backing up");
  EXPECT_THAT(timer->currentAssertionIDs(), ElementsAre(timer->assertionID()));
}

TEST_F(SleepWakeTimerTest, RepairReleasesAnAssertionTheSystemOnlyFailedToReport) {
  schedule(0);
  const auto stale = timer->assertionID();
  power.assertions.hideFromLookup(stale);
  EXPECT_TRUE(timer->repair());
  EXPECT_NE(timer->assertionID(), stale);
  ASSERT_EQ(live().size(), 1u) << "the unreported assertion would keep the machine awake";
  EXPECT_EQ(live()[0].id, timer->assertionID());
  timer->invalidate();
  EXPECT_THAT(live(), IsEmpty());
}

TEST_F(SleepWakeTimerTest, FailedRepairKeepsTheStaleIdentifierSoALaterRepairRetries) {
  schedule(0);
  power.assertions.dropAll();
  power.assertions.failNextTake(LockError::unavailable);
  EXPECT_FALSE(timer->repair());
  EXPECT_TRUE(timer->lastCreateFailed());
  EXPECT_TRUE(timer->isScheduled());
  EXPECT_EQ(timer->expectedAssertionTypes().size(), 1u);

  EXPECT_TRUE(timer->repair());
  EXPECT_FALSE(timer->lastCreateFailed());
  EXPECT_EQ(live().size(), 1u);
}

// --- Life cycle ----------------------------------------------------------------------------

TEST_F(SleepWakeTimerTest, WillTerminateReleasesTheAssertionBeforeThePostReturns) {
  schedule(0);
  platform::NotificationCenter::defaultCenter().post("NSApplicationWillTerminateNotification");
  EXPECT_FALSE(timer->isScheduled());
  EXPECT_THAT(live(), IsEmpty());
  platform.runUntilIdle();
  EXPECT_THAT(completions, ElementsAre(true));
}

TEST_F(SleepWakeTimerTest, DestructionReleasesAndCancelsWithoutTellingTheDelegate) {
  schedule(600);
  timer.reset();
  EXPECT_THAT(live(), IsEmpty());
  platform.runUntilIdle();
  EXPECT_THAT(completions, ElementsAre(true));
  EXPECT_THAT(delegate->events, ElementsAre("willActivate 600 idle"));
  platform.advance(1200);  // the expiry source is gone with the timer
  platform.sleepFor(10);   // and so are its observers
  platform::NotificationCenter::defaultCenter().post("NSApplicationWillTerminateNotification");
  platform.runUntilIdle();
  EXPECT_THAT(completions, ElementsAre(true));
}

TEST_F(SleepWakeTimerTest, DelegateIsHeldWeaklyAndMayImplementNothing) {
  auto silent = std::make_shared<SilentDelegate>();
  timer->setDelegate(silent);
  schedule(0);
  timer->invalidate();
  platform.runUntilIdle();

  timer->setDelegate(delegate);
  delegate.reset();
  EXPECT_EQ(timer->delegate(), nullptr);
  schedule(0);
  timer->invalidate();
  platform.runUntilIdle();
  EXPECT_THAT(completions, ElementsAre(true, true));
}

}  // namespace
}  // namespace vigilix
