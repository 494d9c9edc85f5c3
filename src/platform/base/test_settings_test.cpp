#include "platform/base/test_settings.h"

#include <gtest/gtest.h>

#include <optional>

#include "testing/scoped_environment.h"

namespace vigilix::platform {
namespace {

TEST(TestSettingsTest, OnlyAPositiveNumberOfSecondsCounts) {
  struct Row {
    const char* name;
    const char* value;  // nullptr: unset
    std::optional<double> seconds;
  };
  const Row rows[] = {
      {"unset", nullptr, std::nullopt},
      {"whole", "5", 5.0},
      {"fraction", "0.5", 0.5},
      {"zero", "0", std::nullopt},
      {"trailing text", "5s", std::nullopt},
      {"not a number", "nan", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::ScopedEnvironment variable("VIGILIX_TEST_SECONDS", row.value);
    EXPECT_EQ(testSeconds("VIGILIX_TEST_SECONDS"), row.seconds);
  }
}

}  // namespace
}  // namespace vigilix::platform
