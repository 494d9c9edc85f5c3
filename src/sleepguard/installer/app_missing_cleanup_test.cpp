#include "sleepguard/installer/app_missing_cleanup.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sleepguard/testing/sleep_guard_fixture.h"

namespace vigilix {
namespace {

using testing::GuardBench;

// The machine in memory, sharing the guard core's store; each effect is
// recorded in `calls`, and any named one can be made to fail.
struct FakeAppMissingSystem final : VGXAppMissingSystem {
  explicit FakeAppMissingSystem(testing::FakeGuardStore& records) : records(records) {}

  testing::FakeGuardStore& records;
  bool appPresent = false;
  bool unloads = true;
  bool processesRemain = false;
  bool lockFails = false;
  std::set<std::string> fail;
  // Runs once when the named effect happens (another process acting then).
  std::map<std::string, std::function<void(FakeAppMissingSystem&)>> after;
  std::vector<std::string> calls;

  VGXInstallerResult step(const std::string& name) {
    calls.push_back(name);
    if (auto found = after.find(name); found != after.end()) {
      auto action = found->second;
      after.erase(found);
      action(*this);
    }
    if (fail.contains(name)) return std::unexpected(VGXInstallerError::failed(name));
    return {};
  }

  VGXGuardStore& store() override { return records; }
  VGXInstallerResult withMaintenanceLock(const std::function<void()>& body) override {
    if (lockFails) return std::unexpected(VGXInstallerError::failed("lock"));
    body();
    return {};
  }
  bool appIsPresent() override {
    (void)step("appIsPresent");
    return appPresent;
  }
  VGXInstallerResult spawnFinisher(const std::string& id, const std::string& generation) override {
    return step("spawn " + id + " " + generation);
  }
  VGXInstallerResult bootOutGuard() override { return step("bootout"); }
  bool waitForGuardUnloaded(double) override { return step("wait") && unloads; }
  bool noGuardProcessesRemain() override { return !processesRemain; }
  VGXInstallerResult removeGuardFiles() override {
    if (auto done = step("remove"); !done) return done;
    records.files.clear();
    return {};
  }
  VGXInstallerResult bootstrapGuard() override { return step("bootstrap"); }
  std::string newTransactionID() override { return "T1"; }

  std::vector<std::string> effects() const {
    std::vector<std::string> out;
    for (const auto& call : calls) {
      if (call != "appIsPresent") out.push_back(call);
    }
    return out;
  }
};

constexpr std::string_view kInstall = R"({"installGeneration":"G1"})";

std::string record(std::string_view id, std::string_view op) {
  return R"({"txID":")" + std::string(id) + R"(","op":")" + std::string(op) +
         R"(","phase":"released","installGeneration":"G1"})";
}

TEST(AppMissingCleanupTest, TheCheckStartsTheFinisherOnlyWhileTheUninstallIsWantedAndSafe) {
  struct Row {
    const char* name;
    std::function<void(GuardBench&, FakeAppMissingSystem&)> arrange;
    std::vector<std::string> effects;
    std::optional<std::string> recordAfter;  // "maintenance.json" afterwards
    bool draining;                           // the core still refuses holds
  };
  const auto put = [](std::string text) {
    return [text](GuardBench& b, FakeAppMissingSystem&) {
      b.store.put(VGXGuardFile::maintenance(), text);
    };
  };
  const Row rows[] = {
      {"application present, no record",
       [](GuardBench&, FakeAppMissingSystem& s) { s.appPresent = true; },
       {},
       std::nullopt,
       false},
      {"application present, a leftover record is removed",
       [&](GuardBench& b, FakeAppMissingSystem& s) {
         put(record("OLD", "appMissingUninstall"))(b, s);
         s.appPresent = true;
       },
       {},
       std::nullopt,
       false},
      {"application present, an update's record stays",
       [&](GuardBench& b, FakeAppMissingSystem& s) {
         put(record("U", "update"))(b, s);
         s.appPresent = true;
       },
       {},
       record("U", "update"),
       true},
      {"application gone: recorded, finisher started, unit stopped",
       [](GuardBench&, FakeAppMissingSystem&) {},
       {"spawn T1 G1", "bootout"},
       record("T1", "appMissingUninstall"),
       true},
      {"an earlier record is resumed with its own identifiers",
       put(R"({"txID":"OLD","op":"appMissingUninstall","phase":"released","installGeneration":"G0"})"),
       {"spawn OLD G0", "bootout"},
       R"({"txID":"OLD","op":"appMissingUninstall","phase":"released","installGeneration":"G0"})",
       true},
      {"an update under way blocks", put(record("U", "update")), {}, record("U", "update"), true},
      {"an unreadable record blocks", put("{broken"), {}, "{broken", true},
      {"the lock cannot be taken",
       [](GuardBench&, FakeAppMissingSystem& s) { s.lockFails = true; },
       {},
       std::nullopt,
       false},
      {"the record cannot be written",
       [](GuardBench& b, FakeAppMissingSystem&) { b.store.failWrites.insert("maintenance.json"); },
       {},
       std::nullopt,
       false},
      {"the finisher cannot start: abandoned",
       [](GuardBench&, FakeAppMissingSystem& s) { s.fail.insert("spawn T1 G1"); },
       {"spawn T1 G1"},
       std::nullopt,
       false},
      {"the stop fails: record and finisher stay for the next check",
       [](GuardBench&, FakeAppMissingSystem& s) { s.fail.insert("bootout"); },
       {"spawn T1 G1", "bootout"},
       record("T1", "appMissingUninstall"),
       true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    GuardBench bench;
    bench.store.put(VGXGuardFile::install(), kInstall);
    FakeAppMissingSystem system(bench.store);
    row.arrange(bench, system);
    VGXAppMissingCleanup(*bench.core, system).check();
    EXPECT_EQ(system.effects(), row.effects);
    EXPECT_EQ(bench.store.text(VGXGuardFile::maintenance()), row.recordAfter);
    EXPECT_EQ(bench.core->hold(GuardBench::kUser, true).has_value(), !row.draining);
  }
}

TEST(AppMissingCleanupTest, TheCheckLetsGoOfTheSleepSettingBeforeTheFinisherStarts) {
  GuardBench bench;
  bench.store.put(VGXGuardFile::install(), kInstall);
  bench.mustHold();
  ASSERT_TRUE(bench.runner.sleepDisabled);
  FakeAppMissingSystem system(bench.store);
  bool settingAtSpawn = true;
  system.after["spawn T1 G1"] = [&](FakeAppMissingSystem&) {
    settingAtSpawn = bench.runner.sleepDisabled;
  };
  VGXAppMissingCleanup(*bench.core, system).check();
  EXPECT_FALSE(settingAtSpawn);
  EXPECT_FALSE(bench.store.exists(VGXGuardFile::journal()));
}

TEST(AppMissingCleanupTest, TheApplicationBackBetweenTheRecordAndTheFinisherEndsIt) {
  GuardBench bench;
  bench.store.put(VGXGuardFile::install(), kInstall);
  FakeAppMissingSystem system(bench.store);
  VGXAppMissingCleanup cleanup(*bench.core, system);
  // Absent at the check's first look, present at the look after the record was written.
  system.after["appIsPresent"] = [](FakeAppMissingSystem& s) {
    s.after["appIsPresent"] = [](FakeAppMissingSystem& t) { t.appPresent = true; };
  };
  cleanup.check();
  EXPECT_EQ(system.effects(), std::vector<std::string>{});
  EXPECT_FALSE(bench.store.exists(VGXGuardFile::maintenance()));
  EXPECT_TRUE(bench.core->hold(GuardBench::kUser, true).has_value());
}

TEST(AppMissingCleanupTest, TheFinisherRemovesOnlyWhatIsStillItsToRemove) {
  struct Row {
    const char* name;
    std::function<void(testing::FakeGuardStore&, FakeAppMissingSystem&)> arrange;
    bool succeeds;
    std::vector<std::string> effects;
  };
  const Row rows[] = {
      {"everything in order", [](auto&, auto&) {}, true, {"wait", "remove"}},
      {"the unit never stops", [](auto&, auto& s) { s.unloads = false; }, false, {"wait"}},
      {"another transaction's record",
       [](auto& store, auto&) {
         store.put(VGXGuardFile::maintenance(), record("OTHER", "appMissingUninstall"));
       },
       false,
       {"wait"}},
      {"an update's record",
       [](auto& store, auto&) { store.put(VGXGuardFile::maintenance(), record("T1", "update")); },
       false,
       {"wait"}},
      {"no record",
       [](auto& store, auto&) { store.files.erase("maintenance.json"); },
       false,
       {"wait"}},
      {"installed again since",
       [](auto& store, auto&) {
         store.put(VGXGuardFile::install(), R"({"installGeneration":"G2"})");
       },
       false,
       {"wait"}},
      {"the application is back", [](auto&, auto& s) { s.appPresent = true; }, false, {"wait"}},
      {"a guard process remains",
       [](auto&, auto& s) { s.processesRemain = true; },
       false,
       {"wait"}},
      {"a journal: the guard is started again to settle it",
       [](auto& store, auto&) { store.put(VGXGuardFile::journal(), R"({"version":1})"); },
       false,
       {"wait", "bootstrap"}},
      {"the removal fails",
       [](auto&, auto& s) { s.fail.insert("remove"); },
       false,
       {"wait", "remove"}},
      {"the lock cannot be taken", [](auto&, auto& s) { s.lockFails = true; }, false, {"wait"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::FakeGuardStore store;
    store.put(VGXGuardFile::install(), kInstall);
    store.put(VGXGuardFile::maintenance(), record("T1", "appMissingUninstall"));
    FakeAppMissingSystem system(store);
    row.arrange(store, system);
    EXPECT_EQ(VGXAppMissingCleanup::finish("T1", "G1", system), row.succeeds);
    EXPECT_EQ(system.effects(), row.effects);
    EXPECT_EQ(store.files.empty(), row.succeeds);
  }
}

}  // namespace
}  // namespace vigilix
