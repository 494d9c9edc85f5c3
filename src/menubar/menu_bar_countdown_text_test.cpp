#include "menubar/menu_bar_countdown_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vigilix {
namespace {

TEST(MenuBarCountdownTest, TextAndDelayOfEachRemainingTime) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  struct Row {
    const char* name;
    double remaining;
    std::optional<std::string> text;
    std::optional<double> delay;
  };
  const Row rows[] = {
      {"an hour", 3600, "1:00", 60},
      {"an hour and a second", 3601, "1:01", 1},
      {"an hour and five minutes", 3900, "1:05", 60},
      {"a minute", 60, "0:01", 60},
      {"a minute and a second", 61, "0:02", 1},
      {"ten minutes", 600, "0:10", 60},
      {"ten hours", 36000, "10:00", 60},
      {"a minute and a half", 90.5, "0:02", 30.5},
      // The last minute reads 0:01 until the very end, never 0:00.
      {"59 seconds", 59, "0:01", 59},
      // Never a delay shorter than 0.05 s.
      {"a moment", 0.01, "0:01", 0.05},
      {"just past the hour", 3600.01, "1:01", 0.05},
      {"just past the minute", 60.06, "0:02", 0.06},
      // 99 hours is the longest countdown.
      {"99 hours", 356400, "99:00", 60},
      {"just below 99 hours", 356399.5, "99:00", 59.5},
      {"above 99 hours", 356400.5, std::nullopt, std::nullopt},
      {"the next number above 99 hours", std::nextafter(356400.0, 1e9), std::nullopt, std::nullopt},
      {"zero", 0.0, std::nullopt, std::nullopt},
      {"negative zero", -0.0, std::nullopt, std::nullopt},
      {"a second ago", -1.0, std::nullopt, std::nullopt},
      {"an hour ago", -3600.0, std::nullopt, std::nullopt},
      {"no number", kNaN, std::nullopt, std::nullopt},
      {"infinite", kInfinity, std::nullopt, std::nullopt},
      {"minus infinite", -kInfinity, std::nullopt, std::nullopt},
  };
  EXPECT_EQ(VGXMenuBarCountdown::maximumRemaining, 356400);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(VGXMenuBarCountdown::text(row.remaining), row.text);
    auto delay = VGXMenuBarCountdown::nextUpdateDelay(row.remaining);
    ASSERT_EQ(delay.has_value(), row.delay.has_value());
    if (delay) {
      EXPECT_NEAR(*delay, *row.delay, 1e-9);
    }
    // The controller's class operations follow the same rules.
    EXPECT_EQ(VGXMenuBarCountdownText::textWithRemaining(row.remaining), row.text);
    EXPECT_EQ(VGXMenuBarCountdownText::nextUpdateDelayWithRemaining(row.remaining), delay);
  }
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

}  // namespace
}  // namespace vigilix
