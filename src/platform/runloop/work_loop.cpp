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

std::size_t WorkLoop::laneFor(ClockKind kind, ModeMask modes) {
  return (kind == ClockKind::Wall ? kAllModes + 1 : 0) + (modes & kAllModes);
}

ClockKind WorkLoop::kindOfLane(std::size_t lane) {
  return lane > kAllModes ? ClockKind::Wall : ClockKind::Uptime;
}

WorkLoop::Id WorkLoop::post(ClockKind kind, double due, ModeMask modes, Task task, Task missed) {
  // A due time that is not a number never comes.
  if (std::isnan(due)) due = std::numeric_limits<double>::infinity();
  Id id;
  {
    std::lock_guard lock(mutex_);
    id = nextId_++;
    const std::size_t lane = laneFor(kind, modes);
    // Work due now comes after everything already due: the hint makes that append constant-time.
    lanes_[lane].emplace_hint(lanes_[lane].end(), Key{due, id},
                              Work{std::move(task), std::move(missed)});
    index_.emplace(id, std::pair{lane, due});
  }
  notifyChanged();
  return id;
}

WorkLoop::Id WorkLoop::postNow(Task task) {
  return post(ClockKind::Uptime, clock_.uptime(), kAllModes, std::move(task));
}

bool WorkLoop::cancel(Id id) {
  Work removed;
  {
    std::lock_guard lock(mutex_);
    const auto found = index_.find(id);
    if (found == index_.end()) return false;
    auto& [lane, due] = found->second;
    auto node = lanes_[lane].extract(Key{due, id});
    removed = std::move(node.mapped());
    index_.erase(found);
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

double WorkLoop::remainingLocked(ClockKind kind, double due) const {
  const double nowOnClock =
      kind == ClockKind::Wall ? clock_.now().timeIntervalSinceReferenceDate() : clock_.uptime();
  return due - nowOnClock;
}

std::optional<WorkLoop::Head> WorkLoop::nextLocked() const {
  std::optional<Head> best;
  for (std::size_t lane = 0; lane < kLaneCount; ++lane) {
    if (lanes_[lane].empty() || (lane % (kAllModes + 1) & mode_) == 0) continue;
    const Key& key = lanes_[lane].begin()->first;
    const ClockKind kind = kindOfLane(lane);
    const double remaining = remainingLocked(kind, key.due);
    bool earlier = !best;
    if (best && kind == kindOfLane(best->lane)) {
      earlier = key < best->key;
    } else if (best) {
      earlier = std::fabs(remaining - best->remaining) > kCrossClockTie
                    ? remaining < best->remaining
                    : key.id < best->key.id;
    }
    if (earlier) best = Head{lane, key, remaining};
  }
  return best;
}

WorkLoop::Work WorkLoop::takeLocked(const Head& head) {
  Lane& lane = lanes_[head.lane];
  Work work = std::move(lane.begin()->second);
  lane.erase(lane.begin());
  index_.erase(head.key.id);
  return work;
}

std::optional<WorkLoop::Next> WorkLoop::next() const {
  std::lock_guard lock(mutex_);
  const auto head = nextLocked();
  if (!head) return std::nullopt;
  return Next{head->key.id, kindOfLane(head->lane), head->key.due, head->remaining};
}

bool WorkLoop::runNextDue() {
  Work work;
  {
    std::lock_guard lock(mutex_);
    const auto head = nextLocked();
    if (!head || head->remaining > 0) return false;
    work = takeLocked(*head);
  }
  if (work.task) work.task();
  return true;
}

std::size_t WorkLoop::pendingCount() const {
  std::lock_guard lock(mutex_);
  return index_.size();
}

std::vector<Task> WorkLoop::takeWallEntriesDueIn(Date from, Date to) {
  std::vector<std::pair<Key, Work>> taken;
  {
    std::lock_guard lock(mutex_);
    const double lower = from.timeIntervalSinceReferenceDate();
    const double upper = to.timeIntervalSinceReferenceDate();
    for (std::size_t lane = laneFor(ClockKind::Wall, 0); lane < kLaneCount; ++lane) {
      Lane& entries = lanes_[lane];
      auto it = entries.upper_bound(Key{lower, std::numeric_limits<Id>::max()});
      while (it != entries.end() && it->first.due <= upper) {
        index_.erase(it->first.id);
        taken.emplace_back(it->first, std::move(it->second));
        it = entries.erase(it);
      }
    }
  }
  std::sort(taken.begin(), taken.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<Task> missed;
  for (auto& [key, work] : taken) {
    if (work.missed) missed.push_back(std::move(work.missed));
  }
  return missed;
}

void WorkLoop::discardAll() {
  // Bounded: a capture whose destructor posts again on every round would
  // otherwise keep this going for ever.
  for (int round = 0; round < 100; ++round) {
    std::array<Lane, kLaneCount> dropped;
    {
      std::lock_guard lock(mutex_);
      if (index_.empty()) return;
      dropped.swap(lanes_);
      index_.clear();
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

    const auto head = nextLocked();
    std::optional<double> wait;
    std::optional<double> wallWait;
    if (head) {
      if (head->remaining <= 0) {
        Work work = takeLocked(*head);
        lock.unlock();
        if (work.task) work.task();
        work = Work{};
        lock.lock();
        continue;
      }
      if (kindOfLane(head->lane) == ClockKind::Wall) {
        wallWait = head->remaining;
      } else {
        wait = head->remaining;
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
