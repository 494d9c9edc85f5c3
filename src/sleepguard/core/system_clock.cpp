#include "sleepguard/core/system_clock.h"

#include <time.h>

#include "platform/fs/file_system.h"
#include "platform/runloop/live_clock.h"
#include "platform/system/proc_values.h"

namespace vigilix {

std::uint64_t VGXSystemClock::continuousNanoseconds() {
  return platform::LiveClock::shared().continuousNanoseconds();
}

std::uint64_t VGXSystemClock::absoluteNanoseconds() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1'000'000'000ULL +
         static_cast<std::uint64_t>(ts.tv_nsec);
}

std::string VGXSystemClock::bootSessionID() {
  return platform::readTrimmedFile(platform::FileSystem::pathFor("/proc/sys/kernel/random/boot_id"))
      .value_or("");
}

}  // namespace vigilix
