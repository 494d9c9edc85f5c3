#pragma once

#include <functional>
#include <optional>

#include "keepawake/awake_state.h"
#include "platform/base/date.h"
#include "platform/base/observer_token.h"

namespace vigilix {

// The keep-awake state shared with the desktop's controls, and their
// requests, as the hub uses them.
class HubControlShare {
 public:
  virtual ~HubControlShare() = default;
  // Writes the state of `snapshot`; the controls reload when it changed.
  virtual void publish(const AwakeSnapshot& snapshot) = 0;
  // Takes the pending request, if any, as of `now`.
  virtual std::optional<bool> takeRequest(platform::Date now) = 0;
  // Calls `arrived` on the main thread for each request until the handle goes.
  virtual platform::ObserverHandle observeRequests(std::function<void()> arrived) = 0;
};

}  // namespace vigilix
