#include <time.h>

#include "platform/base/current_instance.h"
#include "platform/runloop/live_clock.h"

namespace vigilix::platform {

namespace {

timespec read(clockid_t id) {
  timespec ts{};
  clock_gettime(id, &ts);
  return ts;
}

constinit CurrentInstance<Clock> currentClock{[]() -> Clock& { return LiveClock::shared(); }};

}  // namespace

Date LiveClock::now() const {
  const timespec ts = read(CLOCK_REALTIME);
  return Date::fromTimeIntervalSince1970(static_cast<double>(ts.tv_sec) +
                                         static_cast<double>(ts.tv_nsec) / 1e9);
}

double LiveClock::uptime() const {
  const timespec ts = read(CLOCK_MONOTONIC);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

std::uint64_t LiveClock::continuousNanoseconds() const {
  const timespec ts = read(CLOCK_BOOTTIME);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1'000'000'000ULL +
         static_cast<std::uint64_t>(ts.tv_nsec);
}

LiveClock& LiveClock::shared() {
  // Never destroyed: code running during static destruction may still ask the time.
  static auto* clock = new LiveClock();
  return *clock;
}

Clock& Clock::current() { return currentClock.get(); }

void Clock::setCurrent(Clock* clock) { currentClock.install(clock); }

}  // namespace vigilix::platform
