#include "platform/runloop/work_loop.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/runloop/loop_waiter.h"
#include "testing/virtual_clock.h"

namespace vigilix::platform {
namespace {

// The core on its own, driven by hand on a virtual clock.
class WorkLoopTest : public ::testing::Test {
 protected:
  auto record(std::string name) {
    return [this, name] { events.push_back(name); };
  }
  double wall(double fromNow) const {
    return (clock.now() + fromNow).timeIntervalSinceReferenceDate();
  }
  double up(double fromNow) const { return clock.uptime() + fromNow; }
  void drain() {
    while (loop.runNextDue()) {
    }
  }

  vigilix::testing::VirtualClock clock;
  WorkLoop loop{clock};
  std::vector<std::string> events;
};

TEST_F(WorkLoopTest, EntriesOnBothClocksRunByRemainingTimeThenPostingOrder) {
  loop.post(ClockKind::Wall, wall(0.1), kAllModes, record("wall 0.1"));
  loop.post(ClockKind::Uptime, up(0.05), kAllModes, record("up 0.05"));
  // Due together within floating-point noise: posting order decides.
  loop.post(ClockKind::Uptime, up(0.1), kAllModes, record("up 0.1"));
  loop.post(ClockKind::Wall, wall(0.1) + 1e-8, kAllModes, record("wall 0.1 + noise"));
  clock.advance(1);
  drain();
  EXPECT_EQ(events,
            (std::vector<std::string>{"up 0.05", "wall 0.1", "up 0.1", "wall 0.1 + noise"}));
}

TEST_F(WorkLoopTest, NothingRunsBeforeItIsDueAndNextReportsTheWait) {
  loop.post(ClockKind::Uptime, up(2), kAllModes, record("later"));
  EXPECT_FALSE(loop.runNextDue());
  const auto next = loop.next();
  ASSERT_TRUE(next.has_value());
  EXPECT_DOUBLE_EQ(next->remaining, 2);
  clock.advance(2);
  EXPECT_TRUE(loop.runNextDue());
  EXPECT_FALSE(loop.next().has_value());
}

TEST_F(WorkLoopTest, EntriesOutsideTheCurrentModeWaitAndDoNotBlockOthers) {
  loop.post(ClockKind::Uptime, up(0), kDefaultModeBit, record("default"));
  loop.post(ClockKind::Uptime, up(1), kAllModes, record("common"));
  loop.setModeMask(kEventTrackingModeBit);
  clock.advance(1);
  drain();
  EXPECT_EQ(events, std::vector<std::string>{"common"});
  EXPECT_EQ(loop.pendingCount(), 1u);
  loop.setModeMask(kDefaultModeBit);
  drain();
  EXPECT_EQ(events.back(), "default");
}

TEST_F(WorkLoopTest, CancelRemovesOnlyThatEntryAndReportsWhetherItWasPending) {
  const auto a = loop.postNow(record("a"));
  loop.postNow(record("b"));
  EXPECT_TRUE(loop.cancel(a));
  EXPECT_FALSE(loop.cancel(a));
  drain();
  EXPECT_EQ(events, std::vector<std::string>{"b"});
}

// A backlog as large as one flood of bus calls leaves: each entry costs the
// same to post, cancel and take, so it all drains, in order.
TEST_F(WorkLoopTest, ALargeBacklogRunsWholeAndInPostingOrder) {
  constexpr std::size_t kTasks = 100'000;
  struct Row {
    const char* name;
    std::size_t cancelEvery;  // 0: none cancelled
    bool throughRun;          // drained by run() rather than one entry at a time
  };
  const Row rows[] = {
      {"all run, one at a time", 0, false},
      {"all run in the loop's own run", 0, true},
      {"every third cancelled before running", 3, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::size_t> ran;
    std::vector<WorkLoop::Id> ids;
    ids.reserve(kTasks);
    for (std::size_t i = 0; i < kTasks; ++i) {
      ids.push_back(loop.postNow([&ran, i] { ran.push_back(i); }));
    }
    std::vector<std::size_t> expected;
    for (std::size_t i = 0; i < kTasks; ++i) {
      if (row.cancelEvery != 0 && i % row.cancelEvery == 0) {
        EXPECT_TRUE(loop.cancel(ids[i]));
      } else {
        expected.push_back(i);
      }
    }
    if (row.throughRun) {
      loop.postNow([this] { loop.stop(); });
      loop.run();
    } else {
      drain();
    }
    EXPECT_EQ(ran, expected);
    EXPECT_EQ(loop.pendingCount(), 0u);
  }
}

TEST_F(WorkLoopTest, WallEntriesPassedDuringAnIntervalAreTakenWithTheirMissedCallbacks) {
  const Date from = clock.now();
  loop.post(ClockKind::Wall, wall(0), kAllModes, record("due at start"), record("missed start"));
  loop.post(ClockKind::Wall, wall(20), kAllModes, record("20"), record("missed 20"));
  loop.post(ClockKind::Wall, wall(10), kAllModes, record("10"), record("missed 10"));
  loop.post(ClockKind::Wall, wall(15), kAllModes, record("15"));
  loop.post(ClockKind::Uptime, up(10), kAllModes, record("uptime 10"), record("never"));
  loop.post(ClockKind::Wall, wall(30), kAllModes, record("30"), record("missed 30"));
  auto missed = loop.takeWallEntriesDueIn(from, from + 20);
  for (auto& callback : missed) callback();
  EXPECT_EQ(events, (std::vector<std::string>{"missed 10", "missed 20"}));
  EXPECT_EQ(loop.pendingCount(), 3u) << "the start, the uptime entry and the one at 30 stay";
}

TEST_F(WorkLoopTest, DiscardAllAlsoDropsWorkPostedByDestroyedCaptures) {
  // A capture whose destructor posts, as an object releasing itself might.
  struct PostsOnDestruction {
    PostsOnDestruction(WorkLoop* l, std::shared_ptr<int> d) : loop(l), drops(std::move(d)) {}
    WorkLoop* loop;
    std::shared_ptr<int> drops;
    ~PostsOnDestruction() {
      ++*drops;
      loop->postNow([] {});
    }
  };
  auto drops = std::make_shared<int>(0);
  auto capture = std::make_shared<PostsOnDestruction>(&loop, drops);
  loop.postNow([capture] {});
  capture.reset();
  loop.discardAll();
  EXPECT_EQ(*drops, 1);
  EXPECT_EQ(loop.pendingCount(), 0u);
}

TEST_F(WorkLoopTest, StopOutsideRunIsIgnored) {
  EXPECT_FALSE(loop.isRunning());
  loop.stop();
  loop.postNow([this] {
    events.push_back("ran");
    EXPECT_TRUE(loop.isRunning());
    loop.stop();
  });
  loop.run();  // returns only through the stop inside the task
  EXPECT_EQ(events, std::vector<std::string>{"ran"});
}

// Each wait goes to the waiter whole, on the clock it is measured on: an idle
// loop wakes when something is due, not every second.
TEST_F(WorkLoopTest, AWaiterIsAskedForTheWholeWaitOnItsClock) {
  struct RecordingWaiter : LoopWaiter {
    WorkLoop* loop = nullptr;
    std::optional<double> seconds;
    std::optional<double> wallSeconds;
    void wait(std::optional<double> s, std::optional<double> wall) override {
      seconds = s;
      wallSeconds = wall;
      loop->stop();
    }
    void wake() override {}
  };
  struct Row {
    const char* name;
    std::optional<ClockKind> entry;  // due 600 s ahead
    std::optional<double> runFor;
    std::optional<double> seconds;
    std::optional<double> wallSeconds;
  };
  const Row rows[] = {
      {"a wall-clock entry", ClockKind::Wall, std::nullopt, std::nullopt, 600},
      {"an uptime entry", ClockKind::Uptime, std::nullopt, 600, std::nullopt},
      {"nothing due, running until a date", std::nullopt, 30, std::nullopt, 30},
      {"running until a date before the entry", ClockKind::Uptime, 30, 600, 30},
      {"nothing at all", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RecordingWaiter waiter;
    WorkLoop waiting(clock, &waiter);
    waiter.loop = &waiting;
    if (row.entry) {
      waiting.post(*row.entry, *row.entry == ClockKind::Wall ? wall(600) : up(600), kAllModes,
                   [] {});
    }
    waiting.run(row.runFor ? std::optional<Date>(clock.now() + *row.runFor) : std::nullopt);
    EXPECT_EQ(waiter.seconds, row.seconds);
    EXPECT_EQ(waiter.wallSeconds, row.wallSeconds);
  }
}

}  // namespace
}  // namespace vigilix::platform
