#include "sleepguard/core/system_clock.h"

#include <gtest/gtest.h>

#include "platform/fs/file_system.h"
#include "testing/temporary_root.h"

namespace vigilix {
namespace {

TEST(SystemClockTest, BootSessionIdentifier) {
  const struct {
    const char* name;
    const char* contents;  // null: no file
    const char* identifier;
  } rows[] = {
      {"the kernel's line", "3f2b6c0e-8d4a-4c1e-9f57-0b6d2a1c9e88\n",
       "3f2b6c0e-8d4a-4c1e-9f57-0b6d2a1c9e88"},
      {"unreadable", nullptr, ""},
      {"empty", "", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TemporaryRoot root;
    if (row.contents != nullptr) {
      ASSERT_TRUE(platform::FileSystem::writeFileAtomically(
          root.pathFor("/proc/sys/kernel/random/boot_id"), row.contents));
    }
    EXPECT_EQ(VGXSystemClock().bootSessionID(), row.identifier);
  }
}

TEST(SystemClockTest, ContinuousTimeNeverFallsBehindAbsoluteTime) {
  // Boot time counts sleep, monotonic time does not; both only move forward.
  VGXSystemClock clock;
  const std::uint64_t absolute = clock.absoluteNanoseconds();
  const std::uint64_t continuous = clock.continuousNanoseconds();
  EXPECT_GE(continuous, absolute);
  EXPECT_GE(clock.absoluteNanoseconds(), absolute);
  EXPECT_GE(clock.continuousNanoseconds(), continuous);
}

}  // namespace
}  // namespace vigilix
