#include "sleepguard/testing/fake_guard_clock.h"

namespace vigilix::testing {

namespace {
std::uint64_t ns(double seconds) {
  return seconds > 0 ? static_cast<std::uint64_t>(seconds * 1e9) : 0;
}
}  // namespace

void FakeGuardClock::advance(double seconds) {
  continuous_ += ns(seconds);
  absolute_ += ns(seconds);
}

void FakeGuardClock::sleep(double seconds) { continuous_ += ns(seconds); }

void FakeGuardClock::reboot(std::string boot) {
  continuous_ = 100 * kNsPerSecond;
  absolute_ = 100 * kNsPerSecond;
  boot_ = std::move(boot);
}

}  // namespace vigilix::testing
