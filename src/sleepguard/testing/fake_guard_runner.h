#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sleepguard/core/guard_collaborators.h"

namespace vigilix::testing {

// A sleep switch in memory that records its calls ("set 1", "set 0",
// "read", "kill", "reap") and fails on demand.
class FakeGuardRunner final : public VGXPowerSettingRunner {
 public:
  std::expected<void, VGXGuardError> setSleepDisabled(bool disabled) override;
  std::expected<bool, VGXGuardError> readSleepDisabled() override;
  bool killStrayDisablers() override;
  bool reapUnreapedChildren() override;

  // The system setting: true while sleep is disabled.
  bool sleepDisabled = false;
  std::vector<std::string> calls;

  std::optional<VGXGuardError> failSet;
  std::optional<VGXGuardError> failRead;
  // Turning sleep back on has no effect (the read-back still says disabled).
  bool stuckDisabled = false;
  // Stray disablers survive the kill.
  bool strayLeft = false;
  // Children that cannot be reaped remain.
  bool unreaped = false;
};

}  // namespace vigilix::testing
