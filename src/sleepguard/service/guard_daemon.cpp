#include "sleepguard/service/guard_daemon.h"

#include <algorithm>
#include <cmath>

#include "platform/base/test_settings.h"

namespace vigilix {

VGXGuardDaemon::VGXGuardDaemon(VGXPowerSettingRunner& runner, VGXSensorSource& sensors,
                               VGXGuardClock& clock, VGXGuardStore& store,
                               VGXManagedPolicySource& policies, std::string executableSHA256)
    : policies_(policies),
      core_(runner, sensors, clock, store, policies, kGuardVersion, leaseSeconds(),
            kStaleSensorSeconds),
      executableSHA256_(std::move(executableSHA256)) {}

std::int64_t VGXGuardDaemon::leaseSeconds() {
  const auto seconds = platform::testSeconds("VIGILIX_TEST_GUARD_LEASE");
  if (!seconds) return kLeaseSeconds;
  return std::clamp<std::int64_t>(std::llround(*seconds), 1, kLeaseSeconds);
}

VGXGuardWire::Dictionary VGXGuardDaemon::answer(std::uint32_t uid, const VGXGuardRequest& request) {
  using namespace VGXGuardWire;
  switch (request.method) {
    case VGXGuardMethod::hold:
      // Recorded as sent, before the hold is decided: the policy clamps them when it combines.
      policies_.setSettings({request.batteryFloorPercent, request.batteryCapHours}, uid);
      return encodeGrant(core_.hold(uid, request.userInitiated));
    case VGXGuardMethod::renew:
      return encodeGrant(core_.renew(uid, request.token));
    case VGXGuardMethod::release:
      return encodeAck(core_.release(uid, request.token));
    case VGXGuardMethod::status:
      return encodeStatus(core_.status(), executableSHA256_);
    case VGXGuardMethod::beginDrain:
      return encodeAck(core_.beginDrain());
    case VGXGuardMethod::endDrain:
      core_.endDrain();
      return encodeAck({});
    case VGXGuardMethod::install:
    case VGXGuardMethod::uninstall:
      break;
  }
  // The interfaces never decode these for the guard; a caller that does gets a refusal.
  return encodeAck(std::unexpected(VGXGuardError::io("unknown method")));
}

}  // namespace vigilix
