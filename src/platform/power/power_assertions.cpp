#include "platform/power/power_assertions.h"

#include <unistd.h>

#include "platform/base/current_instance.h"
#include "platform/power/logind_power_assertions.h"

namespace vigilix::platform {

namespace {

constinit CurrentInstance<PowerAssertions> currentAssertions{
    &processLifetimeInstance<PowerAssertions, LogindPowerAssertions>};

}  // namespace

std::int32_t lockErrorCode(LockError error) {
  switch (error) {
    case LockError::badArgument:
      return static_cast<std::int32_t>(0xE00002C2);
    case LockError::notFound:
      return static_cast<std::int32_t>(0xE00002F0);
    case LockError::unavailable:
      break;
  }
  return static_cast<std::int32_t>(0xE00002BC);
}

std::int32_t PowerAssertions::currentProcessID() { return static_cast<std::int32_t>(::getpid()); }

std::expected<LockID, LockError> PowerAssertions::replace(LockID held, LockKind kind,
                                                          const std::string& reason) {
  if (heldLock(held) == Lock{kind, reason}) return held;
  auto taken = take(kind, reason);
  if (taken) (void)release(held);
  return taken;
}

std::expected<std::vector<Lock>, LockError> PowerAssertions::ownLocksAfterPendingChanges(
    double maximumWaitSeconds) const {
  LockListing listing = locksByProcessAfterPendingChanges(maximumWaitSeconds);
  if (!listing) return std::unexpected(listing.error());
  const auto found = listing->find(currentProcessID());
  if (found == listing->end()) return std::vector<Lock>{};
  return std::move(found->second);
}

PowerAssertions& PowerAssertions::current() { return currentAssertions.get(); }

PowerAssertions* PowerAssertions::setCurrent(PowerAssertions* assertions) {
  return currentAssertions.install(assertions);
}

}  // namespace vigilix::platform
