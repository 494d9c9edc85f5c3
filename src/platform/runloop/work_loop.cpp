#include "platform/runloop/work_loop.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <utility>

namespace vigilix::platform {

namespace {

// Wall and uptime due times live on different clocks; entries of different
// kinds due within this span of each other count as due together and keep
// their posting order, so floating-point noise cannot reorder them.
constexpr double kCrossClockTie = 1e-6;

// Without a waiter that notices changes of the wall clock (set by the user,
// or a wake from sleep), a wall-clock wait is cut into pieces this long.
constexpr double kLongestWallWait = 1.0;

// No single wait is longer than this: far-off due times (or "never") would
// overflow the condition variable's clock arithmetic.
constexpr double kLongestWait = 3600.0;

}  // namespace

ModeMask modeMaskFor(RunLoopMode mode) {
  switch (mode) {
    case RunLoopMode::Default:
      return kDefaultModeBit;
    case RunLoopMode::EventTracking:
      return kEventTrackingModeBit;
    case RunLoopMode::Common:
      return kAllModes;
  }
  return kAllModes;
}

WorkLoop::WorkLoop(const Clock& clock, LoopWaiter* waiter) : clock_(clock), waiter_(waiter) {}

WorkLoop::~WorkLoop() { discardAll(); }

WorkLoop::Id WorkLoop::post(ClockKind kind, double due, ModeMask modes, Task task, Task missed) {
  // A due time that is not a number never comes.
  if (std::isnan(due)) due = std::numeric_limits<double>::infinity();
  Id id;
  {
    std::lock_guard lock(mutex_);
    id = nextId_++;
    entries_.push_back(Entry{id, kind, due, modes, std::move(task), std::move(missed)});
  }
  notifyChanged();
  return id;
}

WorkLoop::Id WorkLoop::postNow(Task task) {
  return post(ClockKind::Uptime, clock_.uptime(), kAllModes, std::move(task));
}

bool WorkLoop::cancel(Id id) {
  Entry removed;
  {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [id](const Entry& entry) { return entry.id == id; });
    if (it == entries_.end()) return false;
    removed = std::move(*it);
    entries_.erase(it);
  }
  // `removed` is destroyed here, unlocked: its captures may post again.
  return true;
}

void WorkLoop::setModeMask(ModeMask mask) {
  {
    std::lock_guard lock(mutex_);
    mode_ = mask;
  }
  notifyChanged();
}

ModeMask WorkLoop::modeMask() const {
  std::lock_guard lock(mutex_);
  return mode_;
}

double WorkLoop::remainingLocked(const Entry& entry) const {
  const double nowOnClock = entry.kind == ClockKind::Wall
                                ? clock_.now().timeIntervalSinceReferenceDate()
                                : clock_.uptime();
  return entry.due - nowOnClock;
}

bool WorkLoop::earlierLocked(const Entry& a, double remainingA, const Entry& b,
                             double remainingB) const {
  if (a.kind == b.kind) {
    if (a.due != b.due) return a.due < b.due;
    return a.id < b.id;
  }
  if (std::fabs(remainingA - remainingB) > kCrossClockTie) return remainingA < remainingB;
  return a.id < b.id;
}

std::optional<std::size_t> WorkLoop::nextIndexLocked() const {
  std::optional<std::size_t> best;
  double bestRemaining = 0;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const Entry& entry = entries_[i];
    if ((entry.modes & mode_) == 0) continue;
    const double remaining = remainingLocked(entry);
    if (!best || earlierLocked(entry, remaining, entries_[*best], bestRemaining)) {
      best = i;
      bestRemaining = remaining;
    }
  }
  return best;
}

std::optional<WorkLoop::Next> WorkLoop::next() const {
  std::lock_guard lock(mutex_);
  const auto index = nextIndexLocked();
  if (!index) return std::nullopt;
  const Entry& entry = entries_[*index];
  return Next{entry.id, entry.kind, entry.due, remainingLocked(entry)};
}

bool WorkLoop::runNextDue() {
  Entry entry;
  {
    std::lock_guard lock(mutex_);
    const auto index = nextIndexLocked();
    if (!index || remainingLocked(entries_[*index]) > 0) return false;
    entry = std::move(entries_[*index]);
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(*index));
  }
  if (entry.task) entry.task();
  return true;
}

std::size_t WorkLoop::pendingCount() const {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

std::vector<Task> WorkLoop::takeWallEntriesDueIn(Date from, Date to) {
  std::vector<Entry> taken;
  {
    std::lock_guard lock(mutex_);
    const double lower = from.timeIntervalSinceReferenceDate();
    const double upper = to.timeIntervalSinceReferenceDate();
    auto passed = [&](const Entry& entry) {
      return entry.kind == ClockKind::Wall && entry.due > lower && entry.due <= upper;
    };
    std::vector<Entry> kept;
    for (auto& entry : entries_) {
      (passed(entry) ? taken : kept).push_back(std::move(entry));
    }
    entries_.swap(kept);
  }
  std::stable_sort(taken.begin(), taken.end(), [](const Entry& a, const Entry& b) {
    return a.due != b.due ? a.due < b.due : a.id < b.id;
  });
  std::vector<Task> missed;
  for (auto& entry : taken) {
    if (entry.missed) missed.push_back(std::move(entry.missed));
  }
  return missed;
}

void WorkLoop::discardAll() {
  // Bounded: a capture whose destructor posts again on every round would
  // otherwise keep this going for ever.
  for (int round = 0; round < 100; ++round) {
    std::vector<Entry> dropped;
    {
      std::lock_guard lock(mutex_);
      if (entries_.empty()) return;
      dropped.swap(entries_);
    }
  }
}

void WorkLoop::run(std::optional<Date> until) {
  std::unique_lock lock(mutex_);
  ++running_;
  const int stopsBefore = stopRequests_;
  for (;;) {
    if (stopRequests_ != stopsBefore) {
      --stopRequests_;
      break;
    }
    if (until && clock_.now() >= *until) break;

    const auto index = nextIndexLocked();
    std::optional<double> wait;
    std::optional<double> wallWait;
    if (index) {
      const Entry& candidate = entries_[*index];
      const double remaining = remainingLocked(candidate);
      if (remaining <= 0) {
        Entry entry = std::move(entries_[*index]);
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(*index));
        lock.unlock();
        if (entry.task) entry.task();
        entry = Entry{};
        lock.lock();
        continue;
      }
      if (candidate.kind == ClockKind::Wall) {
        wallWait = remaining;
      } else {
        wait = remaining;
      }
    }
    if (until) {
      const double toDeadline = until->timeIntervalSince(clock_.now());
      wallWait = std::min(wallWait.value_or(toDeadline), toDeadline);
    }
    if (wallWait && waiter_ == nullptr) {
      wait = std::min(wait.value_or(*wallWait), std::min(*wallWait, kLongestWallWait));
    }
    if (wait) wait = std::clamp(*wait, 0.0, kLongestWait);
    if (wallWait) wallWait = std::clamp(*wallWait, 0.0, kLongestWait);
    if (waiter_ != nullptr) {
      // Posts made meanwhile signal the waiter, so none is missed unlocked.
      lock.unlock();
      waiter_->wait(wait, wallWait);
      lock.lock();
    } else if (wait) {
      changed_.wait_for(lock, std::chrono::duration<double>(*wait));
    } else {
      changed_.wait(lock);
    }
  }
  --running_;
}

void WorkLoop::stop() {
  {
    std::lock_guard lock(mutex_);
    if (running_ == 0) return;
    ++stopRequests_;
  }
  notifyChanged();
}

void WorkLoop::notifyChanged() {
  if (waiter_ != nullptr) {
    waiter_->wake();
  } else {
    changed_.notify_all();
  }
}

bool WorkLoop::isRunning() const {
  std::lock_guard lock(mutex_);
  return running_ > 0;
}

}  // namespace vigilix::platform
