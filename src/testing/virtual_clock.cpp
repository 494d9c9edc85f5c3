#include "testing/virtual_clock.h"

#include <algorithm>
#include <cmath>

namespace vigilix::testing {

VirtualClock::VirtualClock(platform::Date start, double uptime)
    : now_(start),
      uptime_(uptime),
      continuous_(static_cast<std::uint64_t>(std::llround(uptime * 1e9))) {}

void VirtualClock::addContinuous(double seconds) {
  continuous_ += static_cast<std::uint64_t>(std::llround(std::max(seconds, 0.0) * 1e9));
}

void VirtualClock::advance(double seconds) {
  if (!(seconds > 0)) return;
  now_ = now_ + seconds;
  uptime_ += seconds;
  addContinuous(seconds);
}

void VirtualClock::advanceWallTo(platform::Date date) {
  const double delta = date - now_;
  if (!(delta > 0)) return;
  now_ = date;
  uptime_ += delta;
  addContinuous(delta);
}

void VirtualClock::advanceUptimeTo(double uptime) {
  const double delta = uptime - uptime_;
  if (!(delta > 0)) return;
  uptime_ = uptime;
  now_ = now_ + delta;
  addContinuous(delta);
}

void VirtualClock::sleep(double seconds) {
  if (!(seconds > 0)) return;
  now_ = now_ + seconds;
  addContinuous(seconds);
}

void VirtualClock::set(platform::Date now, double uptime, std::uint64_t continuous) {
  now_ = now;
  uptime_ = uptime;
  continuous_ = continuous;
}

}  // namespace vigilix::testing
