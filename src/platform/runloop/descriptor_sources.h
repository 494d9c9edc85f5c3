#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "platform/base/observer_token.h"

namespace vigilix::platform {

// What a source waits for in the next poll: `fd` (negative: none) for poll(2)
// `events`, and a deadline in uptime seconds (CLOCK_MONOTONIC), if any.
struct DescriptorInterest {
  int fd = -1;
  short events = 0;
  std::optional<double> deadline;
};

// Removes its source when destroyed.
using SourceHandle = ObserverHandle;

// Descriptors that a loop waits on beside its own work (a bus connection, a
// display connection). Any thread may add or remove a source; `prepare` and
// `dispatch` run on the loop's thread, which is the main thread for the live
// main loop. A source removed on the loop's thread is never called again; one
// removed elsewhere may finish a call already begun. A source that keeps
// reporting readiness without consuming it makes the loop spin.
class DescriptorSources {
 public:
  using Prepare = std::function<DescriptorInterest()>;
  // poll(2)'s `revents`; 0 when only the deadline passed.
  using Dispatch = std::function<void(short revents)>;

  virtual ~DescriptorSources() = default;

  // `prepare` runs before every wait; `dispatch` when the descriptor is ready
  // or the deadline passed. Neither runs again while one of them is running
  // (a nested run of the loop skips the source).
  [[nodiscard]] virtual SourceHandle add(Prepare prepare, Dispatch dispatch) = 0;
  // A fixed descriptor, which the caller keeps open while it is added.
  [[nodiscard]] SourceHandle add(int fd, short events, Dispatch dispatch);

  // The live main loop's sources (also when a test platform is installed).
  static DescriptorSources& main();
};

}  // namespace vigilix::platform
