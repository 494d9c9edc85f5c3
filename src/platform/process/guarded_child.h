#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <expected>
#include <functional>
#include <string>
#include <vector>

namespace vigilix::platform {

// How long a guarded child may run and how much it may say.
struct ChildLimits {
  std::uint64_t deadlineNanoseconds = 5'000'000'000;
  std::size_t outputLimitBytes = 65536;
  // Between two looks at the pipe and the child.
  std::uint64_t pollNanoseconds = 5'000'000;
  // After the forced kill: how long to keep trying to reap the child.
  std::uint64_t reapGraceNanoseconds = 100'000'000;
};

// A child that ran to its end: its standard output and error together, and
// the status word exactly as waitpid stored it (exit code 1 is 256).
struct ChildExit {
  int waitStatus = 0;
  std::string output;

  bool succeeded() const { return waitStatus == 0; }
  bool operator==(const ChildExit&) const = default;
};

struct ChildFailure {
  enum class Kind {
    pipe,            // the output pipe could not be made
    spawnActions,    // the child's descriptors could not be arranged
    spawn,           // posix_spawn failed; `code` is its result
    pipeRead,        // reading the output failed
    outputTooLarge,  // more than the output limit
    waitpid,         // waitpid failed
    timeout,         // the deadline passed, or the clock went backwards
    notReaped,       // killed but still not reaped after the grace; `pid` is left behind
  };
  Kind kind;
  int code = 0;
  pid_t pid = 0;

  // "pipe", "spawn actions", "spawn 2", "pipe read", "output too large",
  // "waitpid", "timeout", "child not reaped": callers put their tool's name first.
  std::string text() const;
  bool operator==(const ChildFailure&) const = default;
};

// What the runner does to the world, so that tests can make a kill miss or
// time stand still. Live: the continuous clock (CLOCK_BOOTTIME) and kill(2).
struct ChildControl {
  std::function<std::uint64_t()> nanosecondsNow;
  std::function<int(pid_t, int)> sendSignal;

  static ChildControl live();
};

// Runs a program to its end without ever hanging on it: standard input is
// /dev/null, output and error go to one capped pipe, and a child that passes
// the deadline or the output limit is killed (SIGKILL). The caller is blocked
// for at most the deadline plus a bounded number of reaping polls; a child
// that cannot be reaped in that time is reported, never waited for. The
// environment is the caller's own. One run at a time per object.
class GuardedChildRunner {
 public:
  explicit GuardedChildRunner(ChildLimits limits = {}, ChildControl control = ChildControl::live());

  // The argument vector is `path` followed by `arguments`.
  std::expected<ChildExit, ChildFailure> run(const std::string& path,
                                             const std::vector<std::string>& arguments) const;

 private:
  std::expected<ChildExit, ChildFailure> collect(pid_t pid, int outputFd,
                                                 std::uint64_t start) const;
  ChildFailure stop(pid_t pid, ChildFailure reason) const;
  void pause() const;

  ChildLimits limits_;
  ChildControl control_;
};

// Children that were killed but could not be reaped, kept so that they are
// reaped later instead of being forgotten. Not thread-safe.
class UnreapedChildren {
 public:
  void add(pid_t pid);
  // Looks once at each child without waiting and forgets those that are gone
  // (reaped now, or no longer our child). True while any remains.
  bool reap();
  const std::vector<pid_t>& pids() const { return pids_; }

 private:
  std::vector<pid_t> pids_;
};

}  // namespace vigilix::platform
