#include "platform/runloop/queue_timer_source.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace vigilix::platform {

namespace {

double nowOn(const Clock& clock, ClockKind kind) {
  return kind == ClockKind::Wall ? clock.now().timeIntervalSinceReferenceDate() : clock.uptime();
}

}  // namespace

QueueTimerSource::QueueTimerSource(DispatchQueue& queue, WorkLoop& timerLoop)
    : state_(std::make_shared<State>()) {
  state_->queue = &queue;
  state_->loop = &timerLoop;
}

QueueTimerSource::~QueueTimerSource() { cancel(); }

void QueueTimerSource::schedule(double deadlineSeconds, double intervalSeconds,
                                double leewaySeconds, ClockKind clock) {
  std::lock_guard lock(state_->mutex);
  if (state_->cancelled) return;
  State& state = *state_;
  state.kind = clock;
  state.due = nowOn(state.loop->clock(), clock) + std::max(deadlineSeconds, 0.0);
  state.interval = std::isfinite(intervalSeconds) ? std::max(intervalSeconds, 0.0) : 0.0;
  state.leeway = std::max(leewaySeconds, 0.0);
  state.scheduled = true;
  if (state.resumed) armLocked(state_);
}

void QueueTimerSource::setEventHandler(Task handler) {
  std::lock_guard lock(state_->mutex);
  if (state_->cancelled) return;
  state_->handler = std::move(handler);
}

void QueueTimerSource::resume() {
  std::lock_guard lock(state_->mutex);
  if (state_->cancelled || state_->resumed) return;
  state_->resumed = true;
  if (state_->scheduled) armLocked(state_);
}

void QueueTimerSource::cancel() {
  Task dropped;
  std::optional<WorkLoop::Id> entry;
  {
    std::lock_guard lock(state_->mutex);
    if (state_->cancelled) return;
    state_->cancelled = true;
    entry = std::exchange(state_->entry, std::nullopt);
    dropped = std::move(state_->handler);
    state_->handler = nullptr;
  }
  if (entry) state_->loop->cancel(*entry);
  // `dropped` goes here, outside the lock: its captures may call back in.
}

bool QueueTimerSource::isCancelled() const {
  std::lock_guard lock(state_->mutex);
  return state_->cancelled;
}

double QueueTimerSource::leeway() const {
  std::lock_guard lock(state_->mutex);
  return state_->leeway;
}

void QueueTimerSource::armLocked(const std::shared_ptr<State>& state) {
  if (state->entry) state->loop->cancel(*state->entry);
  std::weak_ptr<State> weak = state;
  state->entry = state->loop->post(
      state->kind, state->due, kAllModes, [weak] { fire(weak); }, [weak] { missed(weak); });
}

void QueueTimerSource::advanceToNextLocked(State& state) {
  const double now = nowOn(state.loop->clock(), state.kind);
  double next = state.due + state.interval;
  if (next <= now) {
    next = state.due + (std::floor((now - state.due) / state.interval) + 1) * state.interval;
    while (next <= now) next += state.interval;
  }
  state.due = next;
}

void QueueTimerSource::fire(const std::weak_ptr<State>& weak) {
  auto state = weak.lock();
  if (!state) return;
  std::lock_guard lock(state->mutex);
  if (state->cancelled) return;
  state->entry.reset();
  if (!state->handlerQueued) {
    state->handlerQueued = true;
    state->queue->async([state] {
      Task handler;
      {
        std::lock_guard lock(state->mutex);
        state->handlerQueued = false;
        if (state->cancelled) return;
        handler = state->handler;
      }
      if (handler) handler();
    });
  }
  if (state->interval > 0) {
    advanceToNextLocked(*state);
    armLocked(state);
  }
}

void QueueTimerSource::missed(const std::weak_ptr<State>& weak) {
  auto state = weak.lock();
  if (!state) return;
  std::lock_guard lock(state->mutex);
  if (state->cancelled) return;
  state->entry.reset();
  // A one-shot whose time passed during sleep never fires; a repeating one
  // picks up its grid after wake.
  if (state->interval > 0) {
    advanceToNextLocked(*state);
    armLocked(state);
  }
}

}  // namespace vigilix::platform
