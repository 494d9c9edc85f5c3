#include "platform/runloop/queue_process_source.h"

#include <utility>

namespace vigilix::platform {

QueueProcessSource::QueueProcessSource(std::int32_t processIdentifier, DispatchQueue& queue)
    : processIdentifier_(processIdentifier), state_(std::make_shared<State>()) {
  state_->queue = &queue;
}

QueueProcessSource::~QueueProcessSource() { cancel(); }

Task QueueProcessSource::exitStep() const {
  return [weak = std::weak_ptr<State>(state_)] {
    const auto state = weak.lock();
    if (!state) return;
    std::unique_lock lock(state->mutex);
    state->exited = true;
    deliverIfDue(state, std::move(lock));
  };
}

void QueueProcessSource::setStopWatching(Task stop) {
  std::lock_guard lock(state_->mutex);
  state_->stopWatching = std::move(stop);
}

void QueueProcessSource::setEventHandler(Task handler) {
  std::lock_guard lock(state_->mutex);
  state_->handler = std::move(handler);
}

void QueueProcessSource::resume() {
  std::unique_lock lock(state_->mutex);
  state_->resumed = true;
  deliverIfDue(state_, std::move(lock));
}

void QueueProcessSource::cancel() {
  Task stop;
  {
    std::lock_guard lock(state_->mutex);
    if (state_->cancelled) return;
    state_->cancelled = true;
    stop = std::move(state_->stopWatching);
    state_->handler = nullptr;
  }
  if (stop) stop();
}

bool QueueProcessSource::isCancelled() const {
  std::lock_guard lock(state_->mutex);
  return state_->cancelled;
}

void QueueProcessSource::deliverIfDue(const std::shared_ptr<State>& state,
                                      std::unique_lock<std::mutex> lock) {
  if (!state->resumed || !state->exited || state->delivered || state->cancelled) return;
  state->delivered = true;
  DispatchQueue* queue = state->queue;
  lock.unlock();
  queue->async([weak = std::weak_ptr<State>(state)] {
    const auto alive = weak.lock();
    if (!alive) return;
    Task handler;
    {
      std::lock_guard inner(alive->mutex);
      if (alive->cancelled) return;
      handler = alive->handler;
    }
    if (handler) handler();
  });
}

}  // namespace vigilix::platform
