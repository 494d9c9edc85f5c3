#include "menubar/menu_bar_countdown_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vigilix {
namespace {

TEST(MenuBarCountdownTest, TextShowsHoursAndRoundedUpMinutes) {
  EXPECT_EQ(VGXMenuBarCountdown::text(3600), "1:00");
  EXPECT_EQ(VGXMenuBarCountdown::text(3601), "1:01");
  EXPECT_EQ(VGXMenuBarCountdown::text(3900), "1:05");
  EXPECT_EQ(VGXMenuBarCountdown::text(60), "0:01");
  EXPECT_EQ(VGXMenuBarCountdown::text(61), "0:02");
  EXPECT_EQ(VGXMenuBarCountdown::text(600), "0:10");
  EXPECT_EQ(VGXMenuBarCountdown::text(36000), "10:00");
  // The last minute reads 0:01 until the very end, never 0:00.
  EXPECT_EQ(VGXMenuBarCountdown::text(59), "0:01");
  EXPECT_EQ(VGXMenuBarCountdown::text(0.01), "0:01");
}

TEST(MenuBarCountdownTest, DelayReachesTheNextMinuteBoundary) {
  EXPECT_EQ(VGXMenuBarCountdown::nextUpdateDelay(3600), 60);
  EXPECT_EQ(VGXMenuBarCountdown::nextUpdateDelay(3601), 1);
  EXPECT_EQ(VGXMenuBarCountdown::nextUpdateDelay(60), 60);
  EXPECT_EQ(VGXMenuBarCountdown::nextUpdateDelay(61), 1);
  EXPECT_DOUBLE_EQ(*VGXMenuBarCountdown::nextUpdateDelay(90.5), 30.5);
  // Never shorter than 0.05 s.
  EXPECT_EQ(VGXMenuBarCountdown::nextUpdateDelay(0.01), 0.05);
  EXPECT_EQ(VGXMenuBarCountdown::nextUpdateDelay(3600.01), 0.05);
  EXPECT_NEAR(*VGXMenuBarCountdown::nextUpdateDelay(60.06), 0.06, 1e-9);
}

TEST(MenuBarCountdownTest, AfterTheDelayTheTextHasChanged) {
  double remaining = 3725.3;
  for (int step = 0; step < 70 && remaining > 0; ++step) {
    auto before = VGXMenuBarCountdown::text(remaining);
    remaining -= *VGXMenuBarCountdown::nextUpdateDelay(remaining);
    auto after = VGXMenuBarCountdown::text(remaining);
    EXPECT_NE(before, after) << remaining;
  }
  EXPECT_LE(remaining, 0);
}

TEST(MenuBarCountdownTest, NinetyNineHoursIsTheLongestCountdown) {
  EXPECT_EQ(VGXMenuBarCountdown::maximumRemaining, 356400);
  EXPECT_EQ(VGXMenuBarCountdown::text(356400), "99:00");
  EXPECT_EQ(VGXMenuBarCountdown::nextUpdateDelay(356400), 60);
  EXPECT_EQ(VGXMenuBarCountdown::text(356399.5), "99:00");
  EXPECT_EQ(VGXMenuBarCountdown::text(356400.5), std::nullopt);
  EXPECT_EQ(VGXMenuBarCountdown::nextUpdateDelay(356400.5), std::nullopt);
  EXPECT_EQ(VGXMenuBarCountdown::text(std::nextafter(356400.0, 1e9)), std::nullopt);
}

TEST(MenuBarCountdownTest, InvalidRemainingTimesGiveNothing) {
  for (double remaining :
       {0.0, -0.0, -1.0, -3600.0, std::numeric_limits<double>::quiet_NaN(),
        std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()}) {
    EXPECT_EQ(VGXMenuBarCountdown::text(remaining), std::nullopt) << remaining;
    EXPECT_EQ(VGXMenuBarCountdown::nextUpdateDelay(remaining), std::nullopt) << remaining;
  }
}

TEST(MenuBarCountdownTextTest, ClassOperationsFollowTheSameRules) {
  EXPECT_EQ(VGXMenuBarCountdownText::textWithRemaining(3601), "1:01");
  EXPECT_EQ(VGXMenuBarCountdownText::nextUpdateDelayWithRemaining(3601), 1);
  EXPECT_EQ(VGXMenuBarCountdownText::textWithRemaining(0), std::nullopt);
  EXPECT_EQ(VGXMenuBarCountdownText::nextUpdateDelayWithRemaining(0), std::nullopt);
}

}  // namespace
}  // namespace vigilix
