#include "platform/power/own_assertions.h"

#include "platform/base/current_instance.h"
#include "platform/power/logind_power_assertions.h"

namespace vigilix::platform {

namespace {

constinit CurrentInstance<OwnAssertionInspector> currentInspector{
    &processLifetimeInstance<OwnAssertionInspector, PowerAssertionsInspector>};

}  // namespace

OwnAssertionInspector& OwnAssertionInspector::current() { return currentInspector.get(); }

OwnAssertionInspector* OwnAssertionInspector::setCurrent(OwnAssertionInspector* inspector) {
  return currentInspector.install(inspector);
}

OwnAssertionInspector::Result PowerAssertionsInspector::ownAssertions() const {
  LockListing listing =
      PowerAssertions::current().locksByProcessAfterPendingChanges(kListingWaitSeconds);
  if (!listing) return std::unexpected(listing.error());
  const auto found = listing->find(PowerAssertions::currentProcessID());
  if (found == listing->end()) return std::vector<Lock>{};
  return std::move(found->second);
}

LogindAssertionInspector::LogindAssertionInspector(std::shared_ptr<LogindInhibitors> logind,
                                                   std::int32_t pid)
    : logind_(std::move(logind)), pid_(pid) {}

OwnAssertionInspector::Result LogindAssertionInspector::ownAssertions() const {
  auto locks = logind_->listInhibitors();
  // Without logind nothing is held: known, not a failed inspection.
  if (!locks && logindIsNotRunning(locks.error())) return std::vector<Lock>{};
  if (!locks) return std::unexpected(LockError::unavailable);
  std::vector<Lock> own;
  for (const LogindInhibitor& row : *locks) {
    if (row.pid != static_cast<std::uint32_t>(pid_) || row.who != kWho) continue;
    if (auto lock = keepAwakeLock(row)) own.push_back(std::move(*lock));
  }
  return own;
}

}  // namespace vigilix::platform
