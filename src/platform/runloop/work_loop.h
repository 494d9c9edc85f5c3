#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/base/date.h"
#include "platform/runloop/clock.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/loop_waiter.h"
#include "platform/runloop/run_loop.h"

namespace vigilix::platform {

// The modes an entry may run in, as bits; Common is every mode.
using ModeMask = std::uint8_t;
inline constexpr ModeMask kDefaultModeBit = 1;
inline constexpr ModeMask kEventTrackingModeBit = 2;
inline constexpr ModeMask kAllModes = kDefaultModeBit | kEventTrackingModeBit;
ModeMask modeMaskFor(RunLoopMode mode);

using ClockKind = DispatchTimerSource::ClockKind;

// Pending work of one thread: tasks due at a time on the uptime or the wall
// clock, each allowed in some run-loop modes. The earliest eligible entry runs
// first; equal due times run in posting order. Posting, cancelling and taking
// the next entry cost the same however much is pending (a backlog drains in
// linear time). Thread-safe: any thread may
// post or cancel; tasks run unlocked on the thread that drives the loop.
// The live main loop and each live serial queue drive one with `run`; the
// test platform drives one on virtual time. `run` waits on a condition
// variable, or in the waiter when one is given (the live main loop's poll).
class WorkLoop {
 public:
  using Id = std::uint64_t;

  struct Next {
    Id id;
    ClockKind kind;
    double due;
    double remaining;  // seconds until due; 0 or less when due
  };

  // `waiter`, when given, must outlive the loop.
  explicit WorkLoop(const Clock& clock, LoopWaiter* waiter = nullptr);
  ~WorkLoop();
  WorkLoop(const WorkLoop&) = delete;
  WorkLoop& operator=(const WorkLoop&) = delete;

  const Clock& clock() const { return clock_; }

  // `due` is uptime seconds (Uptime) or seconds since 2001 (Wall). `missed`
  // runs instead of `task` when the machine slept through a wall-clock due
  // time (only the test platform models that); may be empty.
  Id post(ClockKind kind, double due, ModeMask modes, Task task, Task missed = {});
  // Posts a task due now on the uptime clock, in every mode.
  Id postNow(Task task);
  // False when the entry already ran or was cancelled.
  bool cancel(Id id);

  void setModeMask(ModeMask mask);

  // The earliest entry eligible in the current mode.
  std::optional<Next> next() const;
  // Runs the earliest eligible entry if it is due. False when none is.
  bool runNextDue();
  std::size_t pendingCount() const;

  // Removes the wall-clock entries due after `from` and no later than `to`
  // and returns their `missed` callbacks (empty ones dropped), in due order.
  std::vector<Task> takeWallEntriesDueIn(Date from, Date to);
  // Drops every entry. Entries dropped by destroying what they captured may
  // post more; those are dropped too.
  void discardAll();

  // Runs due work on the calling thread, waiting for more, until `stop` is
  // called or the wall clock reaches `until`.
  void run(std::optional<Date> until = std::nullopt);
  // Makes the innermost running `run` return; nothing when none runs.
  void stop();
  bool isRunning() const;

 private:
  struct Key {
    double due;
    Id id;
    auto operator<=>(const Key&) const = default;
  };
  struct Work {
    Task task;
    Task missed;
  };
  // Entries of one clock and one set of modes, in due order. The earliest
  // eligible entry is the earliest of at most a few lane heads.
  using Lane = std::map<Key, Work>;
  static constexpr std::size_t kLaneCount = 2 * (kAllModes + 1);
  struct Head {
    std::size_t lane;
    Key key;  // the lane's first
    double remaining;
  };

  static std::size_t laneFor(ClockKind kind, ModeMask modes);
  static ClockKind kindOfLane(std::size_t lane);
  double remainingLocked(ClockKind kind, double due) const;
  std::optional<Head> nextLocked() const;
  // Takes the head's entry out of its lane and the index.
  Work takeLocked(const Head& head);
  void notifyChanged();

  const Clock& clock_;
  LoopWaiter* waiter_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::array<Lane, kLaneCount> lanes_;
  // Where each pending entry is: its lane and due time.
  std::unordered_map<Id, std::pair<std::size_t, double>> index_;
  Id nextId_ = 1;
  ModeMask mode_ = kDefaultModeBit;
  int running_ = 0;
  int stopRequests_ = 0;
};

}  // namespace vigilix::platform
