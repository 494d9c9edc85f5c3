#include "triggers/threshold_hysteresis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace vigilix {
namespace {

using platform::Date;

struct Step {
  double time;
  double value;
  bool expectedOn;
};

// Feeds (time, value) pairs with threshold 1000 and checks each answer.
void runTimeline(ThresholdHysteresis& hysteresis, double sustain, const std::vector<Step>& steps) {
  for (const Step& step : steps) {
    EXPECT_EQ(hysteresis.update(step.value, 1000, sustain, Date(step.time)), step.expectedOn)
        << "t = " << step.time << " value " << step.value;
  }
}

TEST(ThresholdHysteresisTest, TurnsOnAtTheFirstSampleASustainAfterTheStreakBegan) {
  ThresholdHysteresis h;
  runTimeline(h, 30,
              {{0, 2000, false},
               {5, 2000, false},
               {10, 2000, false},
               {15, 2000, false},
               {20, 2000, false},
               {25, 2000, false},
               {30, 2000, true}});
  EXPECT_TRUE(h.isOn);
  EXPECT_FALSE(h.highStreakStart.has_value());
  EXPECT_FALSE(h.lowStreakStart.has_value());
}

TEST(ThresholdHysteresisTest, OneLowSampleRestartsTheCount) {
  ThresholdHysteresis h;
  runTimeline(h, 30,
              {{0, 2000, false},
               {10, 2000, false},
               {15, 500, false},
               {20, 2000, false},
               {45, 2000, false},
               {50, 2000, true}});
}

TEST(ThresholdHysteresisTest, TurnsOffOnlyAfterASustainedLowStreak) {
  ThresholdHysteresis h;
  runTimeline(h, 30,
              {{0, 2000, false},
               {30, 2000, true},
               {35, 999, true},
               {40, 1000, true},  // Equal counts as high and ends the low streak.
               {45, 10, true},
               {70, 10, true},
               {75, 10, false},
               {80, 2000, false}});
}

TEST(ThresholdHysteresisTest, SustainIsMeasuredBetweenSampleDatesNotSampleCounts) {
  ThresholdHysteresis h;
  // Two samples far apart are enough; many close ones are not.
  runTimeline(h, 30, {{100, 5000, false}, {131, 5000, true}});
  ThresholdHysteresis g;
  runTimeline(g, 30, {{0, 5000, false}, {1, 5000, false}, {2, 5000, false}, {29.9, 5000, false}});
}

TEST(ThresholdHysteresisTest, ZeroOrNegativeSustainFollowsTheLatestValue) {
  for (const double sustain : {0.0, -5.0}) {
    ThresholdHysteresis h;
    h.highStreakStart = Date(1);
    runTimeline(h, sustain, {{0, 1000, true}, {1, 999.5, false}, {2, 4000, true}});
    EXPECT_FALSE(h.highStreakStart.has_value());
  }
}

TEST(ThresholdHysteresisTest, AValueThatCannotBeComparedKeepsTheCurrentSide) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  ThresholdHysteresis off;
  runTimeline(off, 30, {{0, 2000, false}, {10, nan, false}, {30, 2000, false}});
  ThresholdHysteresis on;
  runTimeline(on, 0, {{0, 2000, true}});
  runTimeline(on, 30, {{5, 10, true}, {10, nan, true}, {40, 10, true}});
}

}  // namespace
}  // namespace vigilix
