#pragma once

#include <memory>

namespace vigilix::platform {

// Unregisters the observer when destroyed.
class ObserverToken {
 public:
  virtual ~ObserverToken() = default;
};
using ObserverHandle = std::unique_ptr<ObserverToken>;

}  // namespace vigilix::platform
