#include "menubar/activation_duration.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "testing/captured_log.h"
#include "testing/pinned_locale.h"

namespace vigilix {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

TEST(ActivationDuration, ComponentsAreCheckedInOrder) {
  struct Row {
    const char* name;
    std::int64_t hours, minutes, seconds;
    std::optional<double> total;
    const char* fault;
  };
  const Row rows[] = {
      {"whole minute and hour allowed", 0, 60, 60, 3660, nullptr},
      {"hours and minutes", 1, 30, 0, 5400, nullptr},
      {"minutes above an hour", 0, 61, 61, std::nullopt,
       "Attempted to add a duration with a minutes component value greater than an hour."},
      {"seconds above a minute", 0, 0, 61, std::nullopt,
       "Attempted to add a duration with a seconds component value greater than a minute."},
      {"zero", 0, 0, 0, std::nullopt, "Attempted to add a 0 duration."},
      {"below zero", 0, -5, 0, std::nullopt, "Attempted to add a 0 duration."},
      {"hours near the limit do not overflow", std::numeric_limits<std::int64_t>::max(), 0, 0,
       9223372036854775807.0 * 3600, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::CapturedLog log;
    const auto made = DZLActivationDuration::initWithHours(row.hours, row.minutes, row.seconds);
    EXPECT_EQ(made ? std::optional(made->seconds()) : std::nullopt, row.total);
    if (row.fault) {
      EXPECT_TRUE(log.contains("ActivationDurations", platform::LogLevel::Fault, row.fault));
    } else {
      EXPECT_EQ(log.size(), 0u);
    }
  }
}

TEST(ActivationDuration, HashIsDefinedForEveryValueAndFollowsEquality) {
  struct Row {
    const char* name;
    double seconds;
    std::optional<std::size_t> hash;  // when the value itself is the hash
  };
  const Row rows[] = {
      {"whole seconds", 1800, 1800},
      {"a fraction is dropped", 5.7, 5},
      {"zero", 0, 0},
      {"negative zero equals zero", -0.0, 0},
      {"negative", -300, std::nullopt},
      {"not a number", kNaN, std::nullopt},
      {"infinite", kInfinity, std::nullopt},
      {"beyond 64 bits", 1e30, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    // Out-of-range values must not reach a conversion the sanitizer flags.
    const std::size_t hash = std::hash<DZLActivationDuration>{}(DZLActivationDuration(row.seconds));
    if (row.hash) {
      EXPECT_EQ(hash, *row.hash);
    }
  }
  EXPECT_NE(DZLActivationDuration(-300).hash(), DZLActivationDuration(-600).hash());
}

TEST(ActivationDuration, TitlesAndCoding) {
  testing::PinnedLocale pin("en_US", "America/New_York");
  struct Row {
    const char* name;
    double seconds;
    const char* title;
  };
  const Row rows[] = {
      {"indefinite", 0, "Indefinitely"},
      {"minutes", 300, "5 minutes"},
      {"hours and minutes", 5400, "1 hour, 30 minutes"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const DZLActivationDuration duration(row.seconds);
    EXPECT_EQ(duration.localizedTitle(), row.title);
    EXPECT_EQ(duration.encode(), (platform::PropertyDictionary{{"DZLSeconds", row.seconds}}));
    EXPECT_EQ(DZLActivationDuration::decode(duration.encode()), duration);
  }
  EXPECT_EQ(DZLActivationDuration::decode({{"DZLSeconds", 600}}), DZLActivationDuration(600));
  EXPECT_EQ(DZLActivationDuration::decode({{"DZLSeconds", "600"}}), std::nullopt);
  EXPECT_EQ(DZLActivationDuration::decode({}), std::nullopt);
}

}  // namespace
}  // namespace vigilix
