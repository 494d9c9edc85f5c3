#include "platform/runloop/weakly.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "testing/test_platform.h"

namespace vigilix::platform {
namespace {

struct Base : std::enable_shared_from_this<Base> {
  virtual ~Base() = default;
};

// Shared ownership is declared on the base, as in the hub's delegates.
struct Recorder : Base {
  std::vector<std::string> calls;

  std::function<void(const std::string&, int)> recordFromThis() {
    return weakly(this, [](Recorder& self, const std::string& what, int n) {
      self.calls.push_back(what + std::to_string(n));
    });
  }
  std::function<std::optional<int>()> countFromThis() {
    return weakly(this, [](Recorder& self) -> std::optional<int> {
      return static_cast<int>(self.calls.size());
    });
  }
};

TEST(WeaklyTest, RunsWhileTheObjectLivesAndDoesNothingOnceItIsGone) {
  struct Row {
    const char* name;
    bool alive;
    std::vector<std::string> calls;
    std::optional<int> count;
    bool flag;
    std::string text;
  };
  const Row rows[] = {
      {"alive: called with its arguments, or none if it takes none",
       true,
       {"a1", "b2", "c"},
       3,
       true,
       "3 calls"},
      {"gone: nothing runs, results are empty", false, {}, std::nullopt, false, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto recorder = std::make_shared<Recorder>();
    std::vector<std::string> seen;
    auto record = recorder->recordFromThis();
    auto count = recorder->countFromThis();
    auto flag = weakly(recorder, [](Recorder&) { return true; });
    auto text = weakly(std::weak_ptr<Recorder>(recorder),
                       [](Recorder& self) { return std::to_string(self.calls.size()) + " calls"; });
    std::function<void(const std::string&, int)> observer =
        weakly(recorder, [](Recorder& self) { self.calls.push_back("c"); });
    std::weak_ptr<Recorder> watch = recorder;
    if (!row.alive) {
      seen = recorder->calls;
      recorder.reset();
    }
    record("a", 1);
    record("b", 2);
    observer("ignored", 3);
    if (auto alive = watch.lock()) seen = alive->calls;
    EXPECT_EQ(seen, row.calls);
    EXPECT_EQ(count(), row.count);
    EXPECT_EQ(flag(), row.flag);
    EXPECT_EQ(text(), row.text);
  }
}

TEST(WeaklyTest, OnMainRunsOnTheLoopOnlyIfTheObjectStillLives) {
  struct Row {
    const char* name;
    bool releaseBeforeTheLoop;
    std::vector<std::string> calls;
  };
  const Row rows[] = {
      {"kept", false, {"ran"}},
      {"released before the loop ran", true, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    vigilix::testing::TestPlatform platform;
    auto recorder = std::make_shared<Recorder>();
    std::weak_ptr<Recorder> watch = recorder;
    std::vector<std::string> calls;
    onMain(recorder, [&calls](Recorder&) { calls.push_back("ran"); });
    EXPECT_TRUE(calls.empty()) << "posting never runs the task";
    if (row.releaseBeforeTheLoop) recorder.reset();
    platform.runUntilIdle();
    EXPECT_EQ(calls, row.calls);
    EXPECT_EQ(watch.expired(), row.releaseBeforeTheLoop) << "the queue keeps no object alive";
  }
}

TEST(WeaklyTest, RunOnMainRunsAtOnceOnlyOnTheMainThread) {
  struct Row {
    const char* name;
    bool fromSerialQueue;
    std::vector<std::string> beforeTheMainLoop;
  };
  const Row rows[] = {
      {"on the main thread: at once", false, {"ran"}},
      {"from another queue: posted to the main queue", true, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    vigilix::testing::TestPlatform platform;
    std::vector<std::string> calls;
    std::vector<std::string> seen;
    const auto post = [&] {
      runOnMain([&calls] { calls.push_back("ran"); });
      seen = calls;
    };
    const auto queue = DispatchQueue::makeSerial("weakly.test");
    if (row.fromSerialQueue) {
      queue->async(post);
    } else {
      post();
    }
    platform.runUntilIdle();
    EXPECT_EQ(seen, row.beforeTheMainLoop);
    EXPECT_EQ(calls, std::vector<std::string>{"ran"});
  }
}

}  // namespace
}  // namespace vigilix::platform
