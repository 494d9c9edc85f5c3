#include "health/direct_availability.h"

#include <atomic>
#include <utility>

#include "platform/base/shared_instances.h"

namespace vigilix::VGXDirectAvailability {

namespace {
// Atomic only so that a health line computed off the main thread reads a whole value.
std::atomic<bool> directBuild{false};

struct PresenceSwitch {
  ChatPresenceSwitch presenceSwitch;
};
constinit platform::SharedInstance<PresenceSwitch> sharedPresenceSwitch;
}  // namespace

bool isDirectBuild() { return directBuild.load(std::memory_order_relaxed); }
void setDirectBuild(bool direct) { directBuild.store(direct, std::memory_order_relaxed); }

const ChatPresenceSwitch& chatPresenceFromURL() {
  return sharedPresenceSwitch.get().presenceSwitch;
}

void setChatPresenceFromURL(ChatPresenceSwitch presenceSwitch) {
  sharedPresenceSwitch.get().presenceSwitch = std::move(presenceSwitch);
}

}  // namespace vigilix::VGXDirectAvailability
