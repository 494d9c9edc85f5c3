#pragma once

#include <cstdint>
#include <string>

#include "sleepguard/core/guard_collaborators.h"

namespace vigilix::testing {

// Guard time that moves only when told. Awake time moves both clocks; a
// simulated sleep moves the continuous clock only, as the machine's do.
class FakeGuardClock final : public VGXGuardClock {
 public:
  static constexpr std::uint64_t kNsPerSecond = 1'000'000'000;

  // Every read moves both clocks by `nsPerRead`, as real time passes between reads.
  std::uint64_t continuousNanoseconds() override {
    continuous_ += nsPerRead;
    absolute_ += nsPerRead;
    return continuous_;
  }
  std::uint64_t absoluteNanoseconds() override { return absolute_; }
  std::string bootSessionID() override { return boot_; }

  void advance(double seconds);
  void sleep(double seconds);
  void set(std::uint64_t continuous, std::uint64_t absolute) {
    continuous_ = continuous;
    absolute_ = absolute;
  }
  // A new boot: both clocks restart near zero under a new identifier.
  void reboot(std::string boot);
  void setBootSessionID(std::string boot) { boot_ = std::move(boot); }

  std::uint64_t nsPerRead = 0;

 private:
  // Booted a while ago, so that nothing starts at 0.
  std::uint64_t continuous_ = 1000 * kNsPerSecond;
  std::uint64_t absolute_ = 1000 * kNsPerSecond;
  std::string boot_ = "BOOT-1";
};

}  // namespace vigilix::testing
