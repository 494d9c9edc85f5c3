#include "platform/runloop/run_loop_timer.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace vigilix::platform {

RunLoopTimer::RunLoopTimer(WorkLoop& loop, Date fireDate, double interval, bool repeats,
                           Handler handler)
    : loop_(loop),
      handler_(std::move(handler)),
      fireDate_(fireDate),
      interval_(repeats ? std::max(interval, kShortestRepeatInterval) : std::max(interval, 0.0)),
      repeats_(repeats) {}

RunLoopTimer::~RunLoopTimer() {
  std::lock_guard lock(mutex_);
  disarmLocked();
}

void RunLoopTimer::invalidate() {
  // The loop's entry may hold the only other reference; keep this alive
  // until the lock is released.
  const auto keepAlive = weak_from_this().lock();
  Handler dropped;
  {
    std::lock_guard lock(mutex_);
    if (!valid_) return;
    valid_ = false;
    disarmLocked();
    dropped = std::move(handler_);
    handler_ = nullptr;
  }
  // `dropped` goes here, outside the lock: its captures may call back in.
}

bool RunLoopTimer::isValid() const {
  std::lock_guard lock(mutex_);
  return valid_;
}

Date RunLoopTimer::fireDate() const {
  std::lock_guard lock(mutex_);
  return fireDate_;
}

void RunLoopTimer::setFireDate(Date date) {
  const auto keepAlive = weak_from_this().lock();
  std::lock_guard lock(mutex_);
  if (!valid_) return;
  fireDate_ = date;
  if (firing_) movedWhileFiring_ = true;
  armLocked();
}

double RunLoopTimer::timeInterval() const {
  std::lock_guard lock(mutex_);
  return repeats_ ? interval_ : 0.0;
}

bool RunLoopTimer::repeats() const {
  std::lock_guard lock(mutex_);
  return repeats_;
}

double RunLoopTimer::tolerance() const {
  std::lock_guard lock(mutex_);
  return tolerance_;
}

void RunLoopTimer::setTolerance(double seconds) {
  std::lock_guard lock(mutex_);
  tolerance_ = std::isfinite(seconds) ? std::max(seconds, 0.0) : 0.0;
}

void RunLoopTimer::addToModes(ModeMask modes) {
  const auto keepAlive = weak_from_this().lock();
  std::lock_guard lock(mutex_);
  if (!valid_) return;
  modes_ |= modes;
  armLocked();
}

void RunLoopTimer::disarmLocked() {
  if (entry_) loop_.cancel(*std::exchange(entry_, std::nullopt));
}

void RunLoopTimer::armLocked() {
  disarmLocked();
  if (!valid_ || modes_ == 0 || (firing_ && !movedWhileFiring_)) return;
  // The entry holds the timer: a scheduled timer lives until it is invalidated.
  auto self = shared_from_this();
  entry_ = loop_.post(
      ClockKind::Wall, fireDate_.timeIntervalSinceReferenceDate(), modes_, [self] { self->fire(); },
      [self] { self->missedFire(); });
}

void RunLoopTimer::fire() {
  Handler handler;
  {
    std::lock_guard lock(mutex_);
    entry_.reset();
    if (!valid_) return;
    firing_ = true;
    movedWhileFiring_ = false;
    handler = handler_;
  }
  if (handler) handler(*this);
  Handler dropped;
  std::lock_guard lock(mutex_);
  firing_ = false;
  if (!valid_ || movedWhileFiring_) return;
  if (!repeats_) {
    valid_ = false;
    dropped = std::move(handler_);
    handler_ = nullptr;
    return;
  }
  const double now = loop_.clock().now().timeIntervalSinceReferenceDate();
  double next = fireDate_.timeIntervalSinceReferenceDate() + interval_;
  if (next <= now) {
    const double start = fireDate_.timeIntervalSinceReferenceDate();
    next = start + (std::floor((now - start) / interval_) + 1) * interval_;
    while (next <= now) next += interval_;
  }
  fireDate_ = Date(next);
  armLocked();
}

void RunLoopTimer::missedFire() {
  std::lock_guard lock(mutex_);
  entry_.reset();
  if (!valid_ || !repeats_) return;
  const double now = loop_.clock().now().timeIntervalSinceReferenceDate();
  const double start = fireDate_.timeIntervalSinceReferenceDate();
  double next = start + (std::floor((now - start) / interval_) + 1) * interval_;
  while (next <= now) next += interval_;
  fireDate_ = Date(next);
  armLocked();
}

}  // namespace vigilix::platform
