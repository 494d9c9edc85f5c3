#include "platform/notifications/local_notification_center.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <thread>
#include <vector>

#include "platform/runloop/dispatch_queue.h"

namespace vigilix::platform {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A queue whose tasks run only when the test drains it.
class HeldQueue final : public DispatchQueue {
 public:
  const std::string& label() const override { return label_; }
  void async(Task task) override { tasks_.push_back(std::move(task)); }
  void asyncAfter(double, Task task) override { tasks_.push_back(std::move(task)); }
  bool isCurrent() const override { return running_; }

  std::size_t pending() const { return tasks_.size(); }
  void drain() {
    while (!tasks_.empty()) {
      auto task = std::move(tasks_.front());
      tasks_.pop_front();
      running_ = true;
      task();
      running_ = false;
    }
  }

 private:
  std::string label_ = "held";
  std::deque<Task> tasks_;
  bool running_ = false;
};

class LocalNotificationCenterTest : public ::testing::Test {
 protected:
  ObserverHandle record(const std::string& name, const void* object = nullptr,
                        DispatchQueue* queue = nullptr) {
    return center.addObserver(name, object, queue,
                              [this](const Notification& n) { seen.push_back(n.name); });
  }

  LocalNotificationCenter center;
  std::vector<std::string> seen;
};

TEST_F(LocalNotificationCenterTest, MatchesByNameAndSender) {
  int senderA = 0;
  int senderB = 0;
  std::vector<std::string> fromA;
  auto byName = record("Tick");
  auto everything = record("");
  auto onlyA = center.addObserver("Tick", &senderA, nullptr,
                                  [&](const Notification& n) { fromA.push_back(n.name); });

  center.post("Tick", &senderA);
  center.post("Tick", &senderB);
  center.post("Tock");
  center.post("Tick");

  EXPECT_THAT(seen, ElementsAre("Tick", "Tick", "Tick", "Tick", "Tock", "Tick", "Tick"));
  EXPECT_THAT(fromA, ElementsAre("Tick"));
}

TEST_F(LocalNotificationCenterTest, CarriesObjectAndUserInfo) {
  int sender = 0;
  Notification received;
  auto token =
      center.addObserver("Info", nullptr, nullptr, [&](const Notification& n) { received = n; });
  center.post("Info", &sender, PropertyDictionary{{"count", 3}, {"flag", true}});
  EXPECT_EQ(received.object, &sender);
  EXPECT_EQ(received.userInfo, (PropertyDictionary{{"count", 3}, {"flag", true}}));
}

TEST_F(LocalNotificationCenterTest, SynchronousDeliveryHappensBeforePostReturns) {
  auto token = record("Now");
  center.post("Now");
  EXPECT_THAT(seen, ElementsAre("Now"));
}

TEST_F(LocalNotificationCenterTest, QueuedDeliveryWaitsForTheQueue) {
  HeldQueue queue;
  bool ranOnQueue = false;
  auto token = center.addObserver("Later", nullptr, &queue, [&](const Notification& n) {
    ranOnQueue = queue.isCurrent();
    seen.push_back(n.name);
  });
  center.post("Later", nullptr, PropertyDictionary{{"n", 1}});
  EXPECT_THAT(seen, IsEmpty());
  EXPECT_EQ(queue.pending(), 1u);
  queue.drain();
  EXPECT_THAT(seen, ElementsAre("Later"));
  EXPECT_TRUE(ranOnQueue);
}

TEST_F(LocalNotificationCenterTest, DestroyingTheTokenUnregisters) {
  auto token = record("X");
  center.post("X");
  token.reset();
  center.post("X");
  EXPECT_THAT(seen, ElementsAre("X"));
  EXPECT_EQ(center.observerCount(), 0u);
}

TEST_F(LocalNotificationCenterTest, QueuedDeliveryIsDroppedWhenTheTokenGoesFirst) {
  HeldQueue queue;
  auto token = record("X", nullptr, &queue);
  center.post("X");
  token.reset();
  queue.drain();
  EXPECT_THAT(seen, IsEmpty());
}

TEST_F(LocalNotificationCenterTest, TokenOutlivingItsCentreIsHarmless) {
  ObserverHandle token;
  {
    LocalNotificationCenter shortLived;
    token = shortLived.addObserver("X", nullptr, nullptr, [](const Notification&) {});
  }
  token.reset();  // must not touch the destroyed centre (ASan would report it)
}

// Handlers that change the centre while a post is running.
TEST_F(LocalNotificationCenterTest, HandlerMayRemoveItself) {
  ObserverHandle self;
  int calls = 0;
  self = center.addObserver("X", nullptr, nullptr, [&](const Notification&) {
    ++calls;
    self.reset();
  });
  center.post("X");
  center.post("X");
  EXPECT_EQ(calls, 1);
}

TEST_F(LocalNotificationCenterTest, ObserverRemovedByAnEarlierHandlerIsNotCalled) {
  ObserverHandle second;
  auto first = center.addObserver("X", nullptr, nullptr, [&](const Notification&) {
    seen.push_back("first");
    second.reset();
  });
  second = center.addObserver("X", nullptr, nullptr,
                              [&](const Notification&) { seen.push_back("second"); });
  center.post("X");
  EXPECT_THAT(seen, ElementsAre("first"));
}

TEST_F(LocalNotificationCenterTest, HandlerMayPostAndAddObservers) {
  std::vector<ObserverHandle> added;
  auto outer = center.addObserver("Outer", nullptr, nullptr, [&](const Notification&) {
    seen.push_back("outer");
    added.push_back(center.addObserver("Outer", nullptr, nullptr,
                                       [&](const Notification&) { seen.push_back("added"); }));
    center.post("Inner");
  });
  auto inner = record("Inner");
  center.post("Outer");
  // The observer added during the post waits for the next one.
  EXPECT_THAT(seen, ElementsAre("outer", "Inner"));
  seen.clear();
  center.post("Outer");
  EXPECT_THAT(seen, ElementsAre("outer", "Inner", "added"));
}

TEST_F(LocalNotificationCenterTest, PostsAndRegistrationsFromManyThreads) {
  constexpr int kThreads = 4;
  constexpr int kPosts = 500;
  std::atomic<int> delivered{0};
  auto counter = center.addObserver("Count", nullptr, nullptr,
                                    [&](const Notification&) { delivered.fetch_add(1); });
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kPosts; ++i) {
        auto churn = center.addObserver("Other", nullptr, nullptr, [](const Notification&) {});
        center.post("Count");
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(delivered.load(), kThreads * kPosts);
  EXPECT_EQ(center.observerCount(), 1u);
}

TEST(NotificationCenterShared, DefaultAndWorkspaceCentresAreSeparate) {
  auto& main = NotificationCenter::defaultCenter();
  auto& workspace = NotificationCenter::workspaceCenter();
  EXPECT_NE(&main, &workspace);
  EXPECT_EQ(&main, &NotificationCenter::defaultCenter());

  int onMain = 0;
  auto token = main.addObserver("run.tarvo.vigilix.Test", nullptr, nullptr,
                                [&](const Notification&) { ++onMain; });
  workspace.post("run.tarvo.vigilix.Test");
  main.post("run.tarvo.vigilix.Test");
  EXPECT_EQ(onMain, 1);
}

}  // namespace
}  // namespace vigilix::platform
