#pragma once

#include <cstdint>

#include "platform/base/date.h"
#include "platform/runloop/clock.h"

namespace vigilix::testing {

// Virtual time: wall clock, uptime and continuous time move only when told.
// While awake all three move together; while asleep uptime stands still.
class VirtualClock final : public platform::Clock {
 public:
  // Monday 2026-01-05 09:00:00 UTC.
  static constexpr platform::Date kDefaultStart =
      platform::Date::fromTimeIntervalSince1970(1767603600);
  // Uptime at the start: the machine booted a while ago.
  static constexpr double kDefaultUptime = 1000.0;

  explicit VirtualClock(platform::Date start = kDefaultStart, double uptime = kDefaultUptime);

  platform::Date now() const override { return now_; }
  double uptime() const override { return uptime_; }
  std::uint64_t continuousNanoseconds() const override { return continuous_; }

  // Awake time passes: every clock moves by `seconds` (0 when negative).
  void advance(double seconds);
  // Awake time passes until the wall clock reads exactly `date` (or the
  // uptime reads exactly `uptime`), so due times land exactly.
  void advanceWallTo(platform::Date date);
  void advanceUptimeTo(double uptime);
  // The machine sleeps: wall and continuous time move, uptime does not.
  void sleep(double seconds);
  // Sets the wall clock alone, as when the user changes the date.
  void setNow(platform::Date date) { now_ = date; }
  // Sets all three at once.
  void set(platform::Date now, double uptime, std::uint64_t continuous);

 private:
  void addContinuous(double seconds);

  platform::Date now_;
  double uptime_;
  std::uint64_t continuous_;
};

}  // namespace vigilix::testing
