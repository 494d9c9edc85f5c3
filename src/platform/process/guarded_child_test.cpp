#include "platform/process/guarded_child.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <thread>

namespace vigilix::platform {
namespace {

using Kind = ChildFailure::Kind;

// Short enough to keep the suite quick, long enough for /bin/sh to start.
ChildLimits quickLimits() {
  ChildLimits limits;
  limits.deadlineNanoseconds = 2'000'000'000;
  limits.pollNanoseconds = 1'000'000;
  limits.reapGraceNanoseconds = 50'000'000;
  return limits;
}

// True when this process has no child left, reaped or not.
bool noChildLeft() {
  int status = 0;
  return ::waitpid(-1, &status, WNOHANG) < 0 && errno == ECHILD;
}

TEST(GuardedChildTest, RunsToTheEndOrStopsWithTheReason) {
  struct Row {
    const char* name;
    std::string script;
    std::uint64_t deadlineNanoseconds;
    std::optional<ChildExit> exit;
    std::optional<Kind> failure;
  };
  const std::uint64_t tens = 60'000'000;
  const Row rows[] = {
      {"output and error are collected in order",
       "printf out; printf ' err' >&2",
       2'000'000'000,
       ChildExit{0, "out err"},
       {}},
      {"the wait status is the raw word",
       "printf bye; exit 1",
       2'000'000'000,
       ChildExit{256, "bye"},
       {}},
      {"standard input is closed, so a reader ends",
       "cat; echo read-all",
       2'000'000'000,
       ChildExit{0, "read-all\n"},
       {}},
      {"a child that never ends is killed at the deadline",
       "exec sleep 10",
       tens,
       {},
       Kind::timeout},
      {"a child that ignores SIGTERM is killed all the same",
       "trap '' TERM; exec sleep 10",
       tens,
       {},
       Kind::timeout},
      {"closing its output does not end the wait for the child",
       "exec >&- 2>&-; exec sleep 10",
       tens,
       {},
       Kind::timeout},
      {"a child that writes too much is stopped",
       "exec head -c 70000 /dev/zero",
       2'000'000'000,
       {},
       Kind::outputTooLarge},
      {"a child that writes forever is stopped",
       "exec cat /dev/zero",
       2'000'000'000,
       {},
       Kind::outputTooLarge},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ChildLimits limits = quickLimits();
    limits.deadlineNanoseconds = row.deadlineNanoseconds;
    const auto result = GuardedChildRunner(limits).run("/bin/sh", {"-c", row.script});
    if (row.exit) {
      ASSERT_TRUE(result.has_value()) << result.error().text();
      EXPECT_EQ(*result, *row.exit);
    } else {
      ASSERT_FALSE(result.has_value());
      EXPECT_EQ(result.error().kind, *row.failure);
    }
    EXPECT_TRUE(noChildLeft());
  }
}

TEST(GuardedChildTest, AChildOfAProgramThatIgnoresSigpipeGetsItBack) {
  const auto previous = ::signal(SIGPIPE, SIG_IGN);
  const auto result =
      GuardedChildRunner(quickLimits())
          .run("/bin/sh", {"-c", "exec awk '/^SigIgn/ {print $2}' /proc/self/status"});
  ::signal(SIGPIPE, previous);
  ASSERT_TRUE(result.has_value()) << result.error().text();
  const unsigned long ignored = std::stoul(result->output, nullptr, 16);
  EXPECT_EQ(ignored & (1UL << (SIGPIPE - 1)), 0UL) << result->output;
}

TEST(GuardedChildTest, AnOutputPipeKeptOpenByAGrandchildEndsAtTheDeadline) {
  // The child itself is reaped at once, so nothing is killed; the run still ends.
  ChildLimits limits = quickLimits();
  limits.deadlineNanoseconds = 60'000'000;
  const auto result = GuardedChildRunner(limits).run("/bin/sh", {"-c", "sleep 1 & exit 0"});
  ASSERT_FALSE(result.has_value());
  EXPECT_EQ(result.error(), ChildFailure{Kind::timeout});
  EXPECT_TRUE(noChildLeft());
}

TEST(GuardedChildTest, AMissingProgramIsASpawnFailureWithItsCode) {
  const auto result = GuardedChildRunner(quickLimits()).run("/nonexistent/tool", {});
  ASSERT_FALSE(result.has_value());
  EXPECT_EQ(result.error(), (ChildFailure{Kind::spawn, ENOENT}));
  EXPECT_EQ(result.error().text(), "spawn 2");
}

TEST(GuardedChildTest, AClockGoingBackwardsStopsTheRun) {
  ChildControl control = ChildControl::live();
  std::uint64_t reading = 1'000'000'000;
  control.nanosecondsNow = [&reading] { return reading--; };
  const auto result =
      GuardedChildRunner(quickLimits(), control).run("/bin/sh", {"-c", "exec sleep 10"});
  ASSERT_FALSE(result.has_value());
  EXPECT_EQ(result.error().kind, Kind::timeout);
  EXPECT_TRUE(noChildLeft());
}

TEST(GuardedChildTest, AChildThatCannotBeReapedIsReportedNotWaitedFor) {
  // The kill misses (the child is only stopped) and the clock stands still
  // after the deadline: the reaping polls are counted, so the run still ends.
  ChildControl control = ChildControl::live();
  int calls = 0;
  control.nanosecondsNow = [&calls]() -> std::uint64_t {
    return calls++ == 0 ? 0 : 10'000'000'000;
  };
  control.sendSignal = [](pid_t pid, int) { return ::kill(pid, SIGSTOP) == 0 ? 0 : errno; };
  const auto result =
      GuardedChildRunner(quickLimits(), control).run("/bin/sh", {"-c", "exec sleep 10"});
  ASSERT_FALSE(result.has_value());
  ASSERT_EQ(result.error().kind, Kind::notReaped);
  EXPECT_EQ(result.error().text(), "child not reaped");
  const pid_t child = result.error().pid;
  ASSERT_GT(child, 0);

  UnreapedChildren unreaped;
  unreaped.add(child);
  unreaped.add(child);
  EXPECT_TRUE(unreaped.reap());
  EXPECT_EQ(unreaped.pids(), std::vector<pid_t>{child});

  ASSERT_EQ(::kill(child, SIGKILL), 0);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  bool remains = true;
  while (remains && std::chrono::steady_clock::now() < deadline) {
    remains = unreaped.reap();
    if (remains) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_FALSE(remains);
  EXPECT_TRUE(unreaped.pids().empty());
  EXPECT_TRUE(noChildLeft());
}

TEST(GuardedChildTest, AChildReapedElsewhereIsNeverKilled) {
  // With SIGCHLD ignored the kernel reaps the child itself; its pid is then
  // free for another process, so a kill could hit a stranger.
  ChildControl control = ChildControl::live();
  int signals = 0;
  control.sendSignal = [&signals](pid_t, int) {
    ++signals;
    return 0;
  };
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  struct sigaction former {};
  ASSERT_EQ(::sigaction(SIGCHLD, &ignore, &former), 0);
  const auto result = GuardedChildRunner(quickLimits(), control).run("/bin/sh", {"-c", "exit 0"});
  ::sigaction(SIGCHLD, &former, nullptr);
  ASSERT_FALSE(result.has_value());
  EXPECT_EQ(result.error(), ChildFailure{Kind::waitpid});
  EXPECT_EQ(signals, 0);
}

TEST(GuardedChildTest, ChildrenThatAreNotOursAreForgotten) {
  UnreapedChildren unreaped;
  unreaped.add(0);
  unreaped.add(-3);
  EXPECT_TRUE(unreaped.pids().empty());
  unreaped.add(1);  // init is never our child
  EXPECT_FALSE(unreaped.reap());
}

}  // namespace
}  // namespace vigilix::platform
