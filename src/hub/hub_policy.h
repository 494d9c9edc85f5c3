#pragma once

#include <functional>

namespace vigilix {

// The managed policy's watcher and observers, as the hub uses them.
class HubPolicy {
 public:
  virtual ~HubPolicy() = default;
  // Calls `changed` on the main thread whenever the policy may have
  // changed; a second call does nothing.
  virtual void watch(std::function<void()> changed) = 0;
  // Tells the policy's observers that the hub applied a changed policy.
  virtual void noteApplied() = 0;
};

}  // namespace vigilix
