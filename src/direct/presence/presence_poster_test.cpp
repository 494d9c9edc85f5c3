#include "direct/presence/presence_poster.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <vector>

namespace vigilix {
namespace {

using Result = VGXPresenceLastResult;
using Skip = VGXPresenceSkip;

platform::Date at(double seconds) { return platform::Date(seconds); }

// A pointer, a clock and one-shot timers the test runs by hand.
class PosterWorld {
 public:
  PosterWorld() {
    gates = {true, true, true, false, false, true, VGXLockState::unlocked, true, 600};
    poster = VGXPresencePoster::make({
        [this] {
          VGXPresenceGates read = gates;
          if (lastInput) read.idleSeconds = clock - *lastInput;
          return read;
        },
        [this] { return pointerReadable ? std::optional(pointer) : std::nullopt; },
        [](VGXPoint) {
          return VGXRect{0, 0, 1920, 1080};
        },
        [this](VGXPoint to) {
          if (!postWorks) return false;
          pointer = to;
          moves.push_back(to);
          movedAt.push_back(clock);
          if (lastInput) lastInput = clock;
          return true;
        },
        [this](double delay, std::function<void()> action) -> VGXPresencePoster::Cancel {
          const int id = nextTimer++;
          timers[id] = {clock + delay, std::move(action)};
          return [this, id] { timers.erase(id); };
        },
        [this] { ++revoked; },
        [this] { return platform::Date(clock); },
    });
  }
  // Runs the timers due within `seconds`, in time order.
  void advance(double seconds) {
    const double end = clock + seconds;
    for (;;) {
      auto next = timers.end();
      for (auto it = timers.begin(); it != timers.end(); ++it) {
        if (it->second.first <= end &&
            (next == timers.end() || it->second.first < next->second.first))
          next = it;
      }
      if (next == timers.end()) break;
      clock = next->second.first;
      auto action = std::move(next->second.second);
      timers.erase(next);
      action();
    }
    clock = end;
  }

  VGXPresenceGates gates;
  VGXPoint pointer{100, 100};
  bool pointerReadable = true;
  bool postWorks = true;
  std::vector<VGXPoint> moves;
  std::vector<double> movedAt;
  // Set: the idle time is read as the display keeps it, since the last input,
  // and every posted move is input (an X server counts XTest moves so).
  std::optional<double> lastInput;
  int revoked = 0;
  double clock = 1000;
  int nextTimer = 0;
  std::map<int, std::pair<double, std::function<void()>>> timers;
  std::shared_ptr<VGXPresencePoster> poster;
};

TEST(PresencePosterTest, TickAndReturn) {
  using Act = std::function<void(PosterWorld&)>;
  struct Row {
    const char* name;
    Act beforeStart;
    Act betweenNudgeAndReturn;
    std::vector<VGXPoint> moves;
    std::optional<Result> result;
    std::int64_t posted;
    bool running;
    int revoked;
  };
  const Row rows[] = {
      {"nudged and put back",
       {},
       {},
       {{101, 100}, {100, 100}},
       Result::moved(at(1000.1), true),
       2,
       true,
       0},
      {"the user took the pointer",
       {},
       [](auto& w) {
         w.pointer = {101.6, 100};
       },
       {{101, 100}},
       Result::moved(at(1000.1), false),
       1,
       true,
       0},
      {"the user is active",
       [](auto& w) { w.gates.idleSeconds = 3; },
       {},
       {},
       Result::skipped(at(1000), Skip::notIdle),
       0,
       true,
       0},
      {"locked",
       [](auto& w) { w.gates.lock = VGXLockState::locked; },
       {},
       {},
       Result::skipped(at(1000), Skip::locked),
       0,
       true,
       0},
      {"the policy forbids it",
       [](auto& w) { w.gates.enabled = false; },
       {},
       {},
       Result::skipped(at(1000), Skip::disabled),
       0,
       true,
       0},
      {"locked within the return window: seen at the return",
       {},
       [](auto& w) { w.gates.lock = VGXLockState::locked; },
       {{101, 100}},
       Result::skipped(at(1000.1), Skip::locked),
       1,
       true,
       0},
      {"locked within the window and told: the return is dropped, nothing recorded",
       {},
       [](auto& w) {
         w.gates.lock = VGXLockState::locked;
         w.poster->gatesChanged(w.gates);
       },
       {{101, 100}},
       std::nullopt,
       1,
       true,
       0},
      {"access gone at the tick: stops",
       [](auto& w) { w.gates.hasPostEventAccess = false; },
       {},
       {},
       Result::skipped(at(1000), Skip::noAccess),
       0,
       false,
       1},
      {"access gone at the return: stops",
       {},
       [](auto& w) { w.gates.hasPostEventAccess = false; },
       {{101, 100}},
       Result::moved(at(1000.1), false),
       1,
       false,
       1},
      {"pointer unreadable at the tick",
       [](auto& w) { w.pointerReadable = false; },
       {},
       {},
       Result::skipped(at(1000), Skip::notIdle),
       0,
       true,
       0},
      {"pointer unreadable at the return",
       {},
       [](auto& w) { w.pointerReadable = false; },
       {{101, 100}},
       Result::moved(at(1000.1), false),
       1,
       true,
       0},
      {"a nudge that could not be posted is not counted",
       [](auto& w) { w.postWorks = false; },
       {},
       {},
       Result::moved(at(1000), false),
       0,
       true,
       0},
      {"a return that could not be posted records failure",
       {},
       [](auto& w) { w.postWorks = false; },
       {{101, 100}},
       Result::moved(at(1000.1), false),
       1,
       true,
       0},
      {"at the right edge the nudge goes left",
       [](auto& w) {
         w.pointer = {1919, 5};
       },
       {},
       {{1918, 5}, {1919, 5}},
       Result::moved(at(1000.1), true),
       2,
       true,
       0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PosterWorld world;
    if (row.beforeStart) row.beforeStart(world);
    world.poster->start();
    if (row.betweenNudgeAndReturn) row.betweenNudgeAndReturn(world);
    world.advance(1);
    EXPECT_EQ(world.moves, row.moves);
    EXPECT_EQ(world.poster->lastResult(), row.result);
    EXPECT_EQ(world.poster->postedCount(), row.posted);
    EXPECT_EQ(world.poster->isRunning(), row.running);
    EXPECT_EQ(world.revoked, row.revoked);
  }
}

TEST(PresencePosterTest, RepeatsEveryMinuteAndStops) {
  PosterWorld world;
  std::vector<Result> results;
  world.poster->setOnResult([&](const Result& result) { results.push_back(result); });
  world.poster->start();
  world.poster->start();  // already running: no second tick
  world.advance(60.5);
  EXPECT_EQ(world.poster->postedCount(), 4);
  EXPECT_EQ(results, (std::vector<Result>{Result::moved(at(1000.1), true),
                                          Result::moved(at(1060.1), true)}));
  world.poster->stop();
  world.advance(300);
  EXPECT_EQ(world.poster->postedCount(), 4);
  EXPECT_TRUE(world.timers.empty());
}

TEST(PresencePosterTest, NudgesOnceAMinuteThoughItsOwnMovesRestartTheIdleTime) {
  struct Row {
    const char* name;
    std::optional<double> userInputAt;
    std::vector<double> nudgedAt;
  };
  const Row rows[] = {
      {"away all the time", std::nullopt, {1000, 1060, 1120, 1180, 1240, 1300}},
      {"back for a moment", 1150, {1000, 1060, 1120, 1240, 1300}},
      {"back just before a tick", 1179.5, {1000, 1060, 1120, 1240, 1300}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PosterWorld world;
    world.lastInput = world.clock - 600;
    if (row.userInputAt) {
      world.timers[-1] = {*row.userInputAt,
                          [&world, at = *row.userInputAt] { world.lastInput = at; }};
    }
    world.poster->start();
    world.advance(300.5);
    std::vector<double> nudgedAt;
    for (std::size_t i = 0; i < world.moves.size(); ++i) {
      if (world.moves[i] == VGXPoint{101, 100}) nudgedAt.push_back(world.movedAt[i]);
    }
    EXPECT_EQ(nudgedAt, row.nudgedAt);
  }
}

TEST(PresencePosterTest, StatusText) {
  struct Row {
    const char* name;
    Result result;
    std::string time;
    std::string expected;
  };
  const Row rows[] = {
      {"returned, twelve-hour clock", Result::moved(at(0), true), "9:41 PM",
       "Once a minute while you're away; last nudge 9:41, pointer put back"},
      {"taken by the user, 24-hour clock", Result::moved(at(0), false), "21:05",
       "Once a minute while you're away; last nudge 21:05, pointer left where you moved it"},
      {"skipped for idle", Result::skipped(at(0), Skip::notIdle), "09:41",
       "Once a minute while you're away; skipped at 09:41: you were using the computer"},
      {"a time without a colon is kept whole", Result::skipped(at(0), Skip::locked), "9.41 a.m.",
       "Once a minute while you're away; skipped at 9.41 a.m.: the screen was locked"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(VGXPresencePoster::statusText(row.result, row.time), row.expected);
  }
}

}  // namespace
}  // namespace vigilix
