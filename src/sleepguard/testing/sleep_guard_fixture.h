#pragma once

// The guard core on fakes of its five collaborators, for the core's tests.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "sleepguard/core/sleep_guard_core.h"
#include "sleepguard/testing/fake_guard_clock.h"
#include "sleepguard/testing/fake_guard_policy.h"
#include "sleepguard/testing/fake_guard_runner.h"
#include "sleepguard/testing/fake_guard_sensors.h"
#include "sleepguard/testing/fake_guard_store.h"

namespace vigilix {
inline void PrintTo(const VGXGuardError& error, std::ostream* os) { *os << error.description(); }
}  // namespace vigilix

namespace vigilix::testing {

// The error of a result; none when it succeeded.
template <typename T>
std::optional<VGXGuardError> errorOf(const std::expected<T, VGXGuardError>& result) {
  if (result) return std::nullopt;
  return result.error();
}

// The fakes and a core on them; tests of tables build one per row.
struct GuardBench {
  static constexpr std::uint32_t kUser = 501;
  static constexpr std::uint32_t kOther = 502;
  static constexpr std::uint64_t kSecond = FakeGuardClock::kNsPerSecond;

  GuardBench() {
    policies.policies[kUser] = kPolicy;
    policies.policies[kOther] = kPolicy;
    restart();
  }

  // A new guard process on the same machine and records.
  void restart() {
    core =
        std::make_unique<VGXSleepGuardCore>(runner, sensors, clock, store, policies, "1.2", 30, 30);
  }

  VGXHoldGrant mustHold(std::uint32_t uid = kUser, bool userInitiated = true) {
    auto grant = core->hold(uid, userInitiated);
    EXPECT_TRUE(grant.has_value()) << grant.error().description();
    return grant.value_or(VGXHoldGrant{});
  }

  // Time passes with the service's tick every 10 s.
  void tickFor(int seconds) {
    for (int passed = 0; passed < seconds; passed += 10) {
      clock.advance(10);
      core->tick();
    }
  }

  Safety storedSafety(std::uint32_t uid = kUser) {
    auto text = store.text(VGXGuardFile::safety(uid));
    EXPECT_TRUE(text.has_value());
    auto decoded = decodeSafety(platform::Bytes(text->begin(), text->end()));
    EXPECT_TRUE(decoded.has_value());
    return decoded.value_or(Safety{});
  }

  VGXGuardState state() { return core->status().state; }

  static constexpr VGXGuardPolicy kPolicy{false, 20, 3600, 86400};

  FakeGuardClock clock;
  FakeGuardRunner runner;
  FakeGuardSensors sensors{clock};
  FakeGuardStore store;
  FakeGuardPolicySource policies;
  std::unique_ptr<VGXSleepGuardCore> core;
};

class SleepGuardTest : public ::testing::Test, public GuardBench {};

}  // namespace vigilix::testing
