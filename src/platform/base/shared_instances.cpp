#include "platform/base/shared_instances.h"

#include <mutex>
#include <utility>
#include <vector>

namespace vigilix::platform {
namespace {

struct Registry {
  std::mutex mutex;
  std::vector<std::function<void()>> resets;
};

Registry& registry() {
  static Registry* instance = new Registry();  // never destroyed: statics may register late
  return *instance;
}

}  // namespace

void shared_instances_detail::registerSharedInstanceReset(std::function<void()> reset) {
  if (!reset) return;
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  r.resets.push_back(std::move(reset));
}

void resetSharedInstances() {
  Registry& r = registry();
  std::vector<std::function<void()>> resets;
  {
    std::lock_guard lock(r.mutex);
    resets = r.resets;
  }
  // Called without the lock: a reset may create or register something anew.
  for (auto it = resets.rbegin(); it != resets.rend(); ++it) (*it)();
}

}  // namespace vigilix::platform
