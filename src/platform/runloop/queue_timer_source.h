#pragma once

#include <memory>
#include <mutex>
#include <optional>

#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/work_loop.h"

namespace vigilix::platform {

// A timer source whose due times wait in a work loop (the platform's timer
// loop) and whose handler runs as a task of its queue. A repeating source that
// falls behind fires once and then keeps to its grid of deadline plus whole
// intervals, the first one after now; fires that find the previous handler
// call still queued are merged into it. The queue must outlive the source.
class QueueTimerSource final : public DispatchTimerSource {
 public:
  QueueTimerSource(DispatchQueue& queue, WorkLoop& timerLoop);
  ~QueueTimerSource() override;

  void schedule(double deadlineSeconds, double intervalSeconds, double leewaySeconds,
                ClockKind clock = ClockKind::Uptime) override;
  void setEventHandler(Task handler) override;
  void resume() override;
  void cancel() override;
  bool isCancelled() const override;
  double leeway() const override;

 private:
  struct State {
    std::mutex mutex;
    DispatchQueue* queue;
    WorkLoop* loop;
    Task handler;
    bool cancelled = false;
    bool resumed = false;
    bool scheduled = false;
    bool handlerQueued = false;
    ClockKind kind = ClockKind::Uptime;
    double due = 0;
    double interval = 0;
    double leeway = 0;
    std::optional<WorkLoop::Id> entry;
  };

  static void armLocked(const std::shared_ptr<State>& state);
  static void advanceToNextLocked(State& state);
  static void fire(const std::weak_ptr<State>& weak);
  static void missed(const std::weak_ptr<State>& weak);

  std::shared_ptr<State> state_;
};

}  // namespace vigilix::platform
