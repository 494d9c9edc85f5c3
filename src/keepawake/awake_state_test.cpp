#include "keepawake/awake_state.h"

#include <gtest/gtest.h>

namespace vigilix {
namespace {

using platform::Date;

TEST(ManualSessionKindEquality, ComparesCaseAndEveryPayloadField) {
  EXPECT_EQ(ManualSessionKind::duration(1800, Date(0)), ManualSessionKind::duration(1800, Date(0)));
  // Equal total, different start.
  EXPECT_NE(ManualSessionKind::duration(1800, Date(0)), ManualSessionKind::duration(1800, Date(1)));
  EXPECT_NE(ManualSessionKind::duration(1800, Date(0)), ManualSessionKind::duration(1801, Date(0)));
  EXPECT_NE(ManualSessionKind::until(Date(5)), ManualSessionKind::until(Date(6)));
  // A duration and an until that share numbers are still different cases.
  EXPECT_NE(ManualSessionKind::duration(0, Date(5)), ManualSessionKind::until(Date(5)));
  EXPECT_EQ(ManualSessionKind(), ManualSessionKind::none());
  EXPECT_NE(ManualSessionKind::none(), ManualSessionKind::indefinite());
}

TEST(ManualSessionKindEquality, AccessorsAnswerOnlyForTheirCase) {
  const auto timed = ManualSessionKind::duration(600, Date(42));
  EXPECT_EQ(timed.kind(), ManualSessionKind::Kind::duration);
  EXPECT_EQ(timed.total(), 600);
  EXPECT_EQ(timed.startedAt(), Date(42));
  EXPECT_EQ(timed.date(), Date());

  const auto until = ManualSessionKind::until(Date(99));
  EXPECT_EQ(until.date(), Date(99));
  EXPECT_EQ(until.startedAt(), Date());
  EXPECT_TRUE(ManualSessionKind().isNone());
}

TEST(TriggerPauseEquality, ComparesCaseAndDate) {
  EXPECT_EQ(TriggerPause::until(Date(10)), TriggerPause::until(Date(10)));
  EXPECT_NE(TriggerPause::until(Date(10)), TriggerPause::until(Date(11)));
  EXPECT_NE(TriggerPause::untilResumed(), TriggerPause::none());
  EXPECT_NE(TriggerPause::until(Date()), TriggerPause::none());
  EXPECT_TRUE(TriggerPause().isNone());
}

TEST(AwakeStatusEquality, ComparesCaseAndPayload) {
  EXPECT_EQ(AwakeStatus::manualUntil(Date(100)), AwakeStatus::manualUntil(Date(100)));
  EXPECT_NE(AwakeStatus::manualUntil(Date(100)), AwakeStatus::manualUntil(Date(100.5)));
  EXPECT_EQ(AwakeStatus::automatic(TriggerReason::appRunning("a")),
            AwakeStatus::automatic(TriggerReason::appRunning("a")));
  EXPECT_NE(AwakeStatus::automatic(TriggerReason::appRunning("a")),
            AwakeStatus::automatic(TriggerReason::appRunning("b")));
  EXPECT_NE(AwakeStatus::blockedByBattery(), AwakeStatus::blockedByHeat());
  EXPECT_NE(AwakeStatus::idle(), AwakeStatus::manualIndefinite());
  EXPECT_EQ(AwakeStatus(), AwakeStatus::idle());
  EXPECT_FALSE(AwakeStatus::manualUntil(Date(1)).reason().has_value());
  EXPECT_EQ(AwakeStatus::automatic(TriggerReason::focus()).reason(), TriggerReason::focus());
}

TEST(AwakeSnapshotEquality, EveryFieldCounts) {
  const AwakeSnapshot base{true, AwakeStatus::automatic(TriggerReason::agent("a")),
                           TriggerReason::agent("b"), TriggerPause::none()};
  EXPECT_EQ(base.agentCount, 0);  // made from the first four fields

  AwakeSnapshot more = base;
  more.agentCount = 2;
  EXPECT_NE(base, more);  // differ only in agentCount

  AwakeSnapshot noSecond = base;
  noSecond.alsoActive.reset();
  EXPECT_NE(base, noSecond);

  AwakeSnapshot paused = base;
  paused.pause = TriggerPause::untilResumed();
  EXPECT_NE(base, paused);

  AwakeSnapshot copy = base;
  EXPECT_EQ(base, copy);
  copy.isAwake = false;
  EXPECT_NE(base, copy);
}

}  // namespace
}  // namespace vigilix
