#pragma once

#include <cstdint>
#include <string>

#include "sleepguard/common/guard_interfaces.h"
#include "sleepguard/core/managed_policy_source.h"
#include "sleepguard/core/sleep_guard_core.h"

namespace vigilix {

// Which of the guard's two services a connection came in on.
enum class VGXGuardService { client, admin };

// The guard's answers: one guard core, its collaborators, and what each call
// of the two services does with it. It decides nothing itself; the core
// does. Not thread-safe: the server calls it from its one loop, which is the
// guard's serial state queue.
class VGXGuardDaemon {
 public:
  static constexpr const char* kGuardVersion = "1.2";
  static constexpr std::int64_t kLeaseSeconds = 30;
  static constexpr std::int64_t kStaleSensorSeconds = 30;

  // The lease granted: kLeaseSeconds, or a shorter one that a test of the built guard sets.
  static std::int64_t leaseSeconds();

  // The collaborators must outlive the daemon. `executableSHA256` is the
  // installed guard's hash, "" when it could not be taken.
  VGXGuardDaemon(VGXPowerSettingRunner& runner, VGXSensorSource& sensors, VGXGuardClock& clock,
                 VGXGuardStore& store, VGXManagedPolicySource& policies,
                 std::string executableSHA256);

  void recoverAtStart() { core_.recoverAtStart(); }
  // The reply to one request of user `uid`, decoded against the interface of
  // the service it came in on.
  VGXGuardWire::Dictionary answer(std::uint32_t uid, const VGXGuardRequest& request);
  void tick() { core_.tick(); }
  void handleWake() { core_.handleWake(); }
  void shutdown() { (void)core_.shutdown(); }
  // For the app-missing check, which runs on the same loop.
  VGXSleepGuardCore& core() { return core_; }

 private:
  VGXManagedPolicySource& policies_;
  VGXSleepGuardCore core_;
  std::string executableSHA256_;
};

}  // namespace vigilix
