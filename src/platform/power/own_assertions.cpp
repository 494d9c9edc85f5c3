#include "platform/power/own_assertions.h"

#include "platform/base/current_instance.h"

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
  PowerAssertionsByProcess listing =
      PowerAssertions::current().copyAssertionsByProcessAfterPendingChanges(kListingWaitSeconds);
  if (listing.result != kPowerReturnSuccess) return std::unexpected(listing.result);
  const auto found = listing.byProcess.find(PowerAssertions::currentProcessID());
  if (found == listing.byProcess.end()) return std::vector<PropertyDictionary>{};
  return std::move(found->second);
}

LogindAssertionInspector::LogindAssertionInspector(std::shared_ptr<LogindInhibitors> logind,
                                                   std::int32_t pid)
    : logind_(std::move(logind)), pid_(pid) {}

OwnAssertionInspector::Result LogindAssertionInspector::ownAssertions() const {
  auto locks = logind_->listInhibitors();
  // Without logind nothing is held: known, not a failed inspection.
  if (!locks && logindIsNotRunning(locks.error())) return std::vector<PropertyDictionary>{};
  if (!locks) return std::unexpected(kPowerReturnError);
  std::vector<PropertyDictionary> own;
  for (const LogindInhibitor& lock : *locks) {
    if (lock.pid != static_cast<std::uint32_t>(pid_) || lock.who != kWho || lock.mode != "block") {
      continue;
    }
    const char* type = nullptr;
    if (lock.inhibits("idle")) {
      type = kAssertionTypePreventUserIdleDisplaySleep;
    } else if (lock.inhibits("sleep")) {
      type = kAssertionTypePreventUserIdleSystemSleep;
    } else {
      continue;
    }
    own.push_back(PropertyDictionary{{kAssertionTypeKey, type},
                                     {kAssertionNameKey, lock.why},
                                     {kAssertionLevelKey, kPowerAssertionLevelOn}});
  }
  return own;
}

}  // namespace vigilix::platform
