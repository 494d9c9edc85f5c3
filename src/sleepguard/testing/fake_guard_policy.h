#pragma once

#include <cstdint>
#include <map>
#include <optional>

#include "sleepguard/core/guard_collaborators.h"

namespace vigilix::testing {

// Policies by user id; users without an entry have none.
class FakeGuardPolicySource final : public VGXGuardPolicySource {
 public:
  std::optional<VGXGuardPolicy> policy(std::uint32_t uid) override;

  std::map<std::uint32_t, VGXGuardPolicy> policies;
};

}  // namespace vigilix::testing
