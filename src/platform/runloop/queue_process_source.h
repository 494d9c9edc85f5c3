#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/runloop/dispatch_process_source.h"

namespace vigilix::platform {

// The bookkeeping every process source shares, whatever watches the process:
// the watch calls `exitStep` (any thread, any number of times) and the handler
// runs once on the queue after `resume`, unless cancelled first. `stopWatching`
// runs once, on cancel or destruction.
class QueueProcessSource final : public DispatchProcessSource {
 public:
  QueueProcessSource(std::int32_t processIdentifier, DispatchQueue& queue);
  ~QueueProcessSource() override;

  // What the watch calls when the process has ended; it does nothing once the
  // source is gone.
  Task exitStep() const;
  // Given once, right after the watch is set up.
  void setStopWatching(Task stop);

  std::int32_t processIdentifier() const override { return processIdentifier_; }
  void setEventHandler(Task handler) override;
  void resume() override;
  void cancel() override;
  bool isCancelled() const override;

 private:
  struct State {
    std::mutex mutex;
    DispatchQueue* queue;
    Task handler;
    Task stopWatching;
    bool resumed = false;
    bool exited = false;
    bool delivered = false;
    bool cancelled = false;
  };

  static void deliverIfDue(const std::shared_ptr<State>& state, std::unique_lock<std::mutex> lock);

  const std::int32_t processIdentifier_;
  std::shared_ptr<State> state_;
};

}  // namespace vigilix::platform
