#include "sleepguard/testing/fake_guard_policy.h"

namespace vigilix::testing {

std::optional<VGXGuardPolicy> FakeGuardPolicySource::policy(std::uint32_t uid) {
  auto found = policies.find(uid);
  if (found == policies.end()) return std::nullopt;
  return found->second;
}

}  // namespace vigilix::testing
