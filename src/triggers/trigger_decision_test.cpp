#include "triggers/trigger_decision.h"

#include <gtest/gtest.h>

namespace vigilix {
namespace {

TEST(TriggerDecision, KeepsAwakeExactlyWhenThereIsAReason) {
  EXPECT_FALSE(TriggerDecision::withReasons({}).shouldKeepAwake);
  EXPECT_FALSE(TriggerDecision{}.shouldKeepAwake);
  EXPECT_EQ(TriggerDecision{}, TriggerDecision::withReasons({}));

  const auto one = TriggerDecision::withReasons({TriggerReason::powerAdapter()});
  EXPECT_TRUE(one.shouldKeepAwake);
  ASSERT_EQ(one.reasons.size(), 1u);
  EXPECT_EQ(one.reasons[0], TriggerReason::powerAdapter());
}

TEST(TriggerDecision, EqualityComparesReasonsInOrder) {
  const auto ab =
      TriggerDecision::withReasons({TriggerReason::cpuUsage(), TriggerReason::schedule()});
  const auto ba =
      TriggerDecision::withReasons({TriggerReason::schedule(), TriggerReason::cpuUsage()});
  EXPECT_EQ(ab,
            TriggerDecision::withReasons({TriggerReason::cpuUsage(), TriggerReason::schedule()}));
  EXPECT_NE(ab, ba);
  EXPECT_NE(ab, TriggerDecision::withReasons({TriggerReason::cpuUsage()}));

  // Same reasons but a different flag are different decisions.
  TriggerDecision flagged = ab;
  flagged.shouldKeepAwake = false;
  EXPECT_NE(ab, flagged);
}

TEST(TriggerDecision, DuplicatesAreKept) {
  const auto twice = TriggerDecision::withReasons(
      {TriggerReason::appRunning("x"), TriggerReason::appRunning("x")});
  EXPECT_EQ(twice.reasons.size(), 2u);
  EXPECT_NE(twice, TriggerDecision::withReasons({TriggerReason::appRunning("x")}));
}

}  // namespace
}  // namespace vigilix
