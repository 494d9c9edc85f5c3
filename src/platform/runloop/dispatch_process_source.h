#pragma once

#include <cstdint>
#include <memory>

#include "platform/runloop/dispatch_queue.h"

namespace vigilix::platform {

// A source that reports one process's exit on a queue (a dispatch process
// source for the exit event; live over a pidfd). Made suspended; once resumed
// its handler runs once, as a task of its queue, when the process has ended,
// at once when it ended before. Cancelling is final and stops a handler call
// that has not begun. Any thread may call it; the queue must outlive it.
class DispatchProcessSource {
 public:
  virtual ~DispatchProcessSource() = default;
  virtual std::int32_t processIdentifier() const = 0;
  virtual void setEventHandler(Task handler) = 0;
  virtual void resume() = 0;
  virtual void cancel() = 0;
  virtual bool isCancelled() const = 0;

  // None when no process has this identifier (0 and below never name one) or
  // the system refuses the watch (logged): nothing is watched then. A process
  // that has ended but is not yet reaped exists and reports its exit at once.
  static std::shared_ptr<DispatchProcessSource> make(std::int32_t processIdentifier,
                                                     DispatchQueue& queue);
};

}  // namespace vigilix::platform
