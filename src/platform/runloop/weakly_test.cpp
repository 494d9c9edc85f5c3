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
    std::string text;
  };
  const Row rows[] = {
      {"alive: called with its arguments, or none if it takes none",
       true,
       {"a1", "b2", "c"},
       3,
       "3 calls"},
      {"gone: nothing runs, results are empty", false, {}, std::nullopt, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto recorder = std::make_shared<Recorder>();
    std::vector<std::string> seen;
    auto record = recorder->recordFromThis();
    auto count = recorder->countFromThis();
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
    EXPECT_EQ(text(), row.text);
  }
}

TEST(WeaklyTest, MainQueueCallsRunWhenAndOnlyIfTheyShould) {
  enum class Post { OnMain, RunOnMainFromMain, RunOnMainFromAnotherQueue };
  struct Row {
    const char* name;
    Post post;
    bool releaseBeforeTheLoop;
    std::vector<std::string> beforeTheLoop;
    std::vector<std::string> afterTheLoop;
  };
  const Row rows[] = {
      {"onMain, object kept: on the loop", Post::OnMain, false, {}, {"ran"}},
      {"onMain, object released first: never", Post::OnMain, true, {}, {}},
      {"runOnMain on the main thread: at once", Post::RunOnMainFromMain, false, {"ran"}, {"ran"}},
      {"runOnMain elsewhere: on the loop", Post::RunOnMainFromAnotherQueue, false, {}, {"ran"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    vigilix::testing::TestPlatform platform;
    auto recorder = std::make_shared<Recorder>();
    std::weak_ptr<Recorder> watch = recorder;
    std::vector<std::string> calls;
    std::vector<std::string> before;
    const auto queue = DispatchQueue::makeSerial("weakly.test");
    const auto ran = [&calls] { calls.push_back("ran"); };
    // What has run by the time the poster returns.
    const auto post = [&] {
      if (row.post == Post::OnMain) {
        onMain(recorder, [&ran](Recorder&) { ran(); });
      } else {
        runOnMain(ran);
      }
      before = calls;
    };
    if (row.post == Post::RunOnMainFromAnotherQueue) {
      queue->async(post);
    } else {
      post();
    }
    if (row.releaseBeforeTheLoop) recorder.reset();
    platform.runUntilIdle();
    EXPECT_EQ(before, row.beforeTheLoop);
    EXPECT_EQ(calls, row.afterTheLoop);
    EXPECT_EQ(watch.expired(), row.releaseBeforeTheLoop) << "the queue keeps no object alive";
  }
}

}  // namespace
}  // namespace vigilix::platform
