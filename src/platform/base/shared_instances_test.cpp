#include "platform/base/shared_instances.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/current_instance.h"

namespace vigilix::platform {
namespace {

std::vector<std::string> events;

// Logs when it is made and dropped; a destructor may reach another instance.
struct Probe {
  explicit Probe(std::string name, std::function<void()> onDrop = {})
      : name(std::move(name)), onDrop(std::move(onDrop)) {
    events.push_back("make " + this->name);
  }
  ~Probe() {
    events.push_back("drop " + name);
    if (onDrop) onDrop();
  }
  std::string name;
  std::function<void()> onDrop;
};

using Slot = SharedInstance<Probe>;

constinit Slot lower{[] { return std::make_shared<Probe>("lower"); }};
constinit Slot upper{[] {
  lower.get();  // what upper is built on registers first, so it is reset last
  return std::make_shared<Probe>("upper");
}};
constinit Slot kept{[] { return std::make_shared<Probe>("kept"); },
                    Slot::OnReset::keepUntilNextReset};
constinit Slot late{[] { return std::make_shared<Probe>("late"); }};
constinit Slot first{[] { return std::make_shared<Probe>("first"); }};
constinit Slot reachesOut{[] {
  // Its teardown makes an instance that never existed: registering during a
  // reset must not deadlock.
  return std::make_shared<Probe>("reaches out", [] { late.get(); });
}};

TEST(SharedInstanceTest, MadeOnFirstUseAndDroppedInOrderByResets) {
  struct Row {
    const char* name;
    std::function<void()> run;
    std::vector<std::string> expected;
  };
  const std::vector<Row> rows = {
      {"made once on first use",
       [] {
         Probe* a = &first.get();
         EXPECT_EQ(&first.get(), a);
       },
       {"make first"}},
      {"existing() does not make one", [] { EXPECT_EQ(first.existing(), nullptr); }, {}},
      {"a reset drops it and the next use makes a new one",
       [] {
         first.get();
         resetSharedInstances();
         first.get();
       },
       {"make first", "drop first", "make first"}},
      {"what an instance is built on is dropped after it",
       [] {
         upper.get();
         resetSharedInstances();
       },
       {"make lower", "make upper", "drop upper", "drop lower"}},
      {"a kept instance lives until the reset after",
       [] {
         auto held = kept.pointer();
         held.reset();
         resetSharedInstances();
         EXPECT_EQ(kept.existing(), nullptr);
         events.push_back("between");
         resetSharedInstances();
       },
       {"make kept", "between", "drop kept"}},
      {"a teardown may make an instance never made before",
       [] {
         reachesOut.get();
         resetSharedInstances();
       },
       {"make reaches out", "drop reaches out", "make late"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    resetSharedInstances();
    resetSharedInstances();  // also ends what a kept instance held over
    events.clear();
    row.run();
    EXPECT_EQ(events, row.expected);
  }
  resetSharedInstances();
  resetSharedInstances();
}

constinit SharedInstance<std::atomic<int>> counted{[] {
  static std::atomic<int> made{0};
  ++made;
  return std::make_shared<std::atomic<int>>(made.load());
}};

TEST(SharedInstanceTest, ConcurrentFirstUsesShareOneInstance) {
  resetSharedInstances();
  std::vector<std::thread> threads;
  std::vector<std::atomic<int>*> seen(8);
  for (std::size_t i = 0; i < seen.size(); ++i) {
    threads.emplace_back([&seen, i] { seen[i] = &counted.get(); });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(std::set<std::atomic<int>*>(seen.begin(), seen.end()).size(), 1u);
  resetSharedInstances();
}

struct Service {
  virtual ~Service() = default;
  virtual std::string name() const { return "live"; }
};

struct FakeService : Service {
  explicit FakeService(std::string label) : label(std::move(label)) {}
  std::string name() const override { return label; }
  std::string label;
};

constinit CurrentInstance<Service> currentService{&processLifetimeInstance<Service>};

int liveReads = 0;
constinit CurrentValue<std::string> currentText{[] {
  ++liveReads;
  return "live " + std::to_string(liveReads);
}};

TEST(CurrentInstanceTest, TheInstalledOneElseTheLiveOne) {
  FakeService a("a");
  FakeService b("b");
  struct Row {
    const char* name;
    std::function<std::string()> run;
    std::string expected;
  };
  const std::vector<Row> rows = {
      {"live when none is installed", [] { return currentService.get().name(); }, "live"},
      {"the live one is made once",
       [] { return &currentService.get() == &processLifetimeInstance<Service>() ? "same" : "new"; },
       "same"},
      {"installed over live",
       [&] {
         currentService.install(&a);
         return currentService.get().name();
       },
       "a"},
      {"install answers the one replaced",
       [&] {
         currentService.install(&a);
         return currentService.install(&b)->name();
       },
       "a"},
      {"nullptr goes back to live",
       [&] {
         currentService.install(&a);
         currentService.install(nullptr);
         return currentService.get().name();
       },
       "live"},
      {"a value is read live each time",
       [] {
         currentText.get();
         return currentText.get();
       },
       "live 2"},
      {"an installed value wins and answers what it replaced",
       [] {
         currentText.install("first");
         const std::string replaced = currentText.install("second").value_or("");
         return replaced + "/" + currentText.get();
       },
       "first/second"},
      {"nullopt goes back to the live value",
       [] {
         currentText.install("pinned");
         currentText.install(std::nullopt);
         return currentText.get();
       },
       "live 1"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    currentService.install(nullptr);
    currentText.install(std::nullopt);
    liveReads = 0;
    EXPECT_EQ(row.run(), row.expected);
  }
  currentService.install(nullptr);
  currentText.install(std::nullopt);
}

TEST(CurrentInstanceTest, ReadersSeeLiveOrInstalledWhileAnotherThreadInstalls) {
  FakeService fake("fake");
  std::atomic<bool> done{false};
  std::thread installer([&] {
    for (int i = 0; i < 2000; ++i) {
      currentService.install(&fake);
      currentText.install("pinned");
      currentService.install(nullptr);
      currentText.install(std::nullopt);
    }
    done = true;
  });
  std::set<std::string> names;
  std::set<std::string> texts;
  while (!done) {
    names.insert(currentService.get().name());
    const std::string text = currentText.get();
    texts.insert(text.starts_with("live") ? "live" : text);
  }
  installer.join();
  for (const auto& name : names) EXPECT_TRUE(name == "live" || name == "fake") << name;
  for (const auto& text : texts) EXPECT_TRUE(text == "live" || text == "pinned") << text;
}

}  // namespace
}  // namespace vigilix::platform
