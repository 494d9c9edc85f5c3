#include "sleepguard/installer/installer_engine.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sleepguard/testing/fake_guard_store.h"

namespace vigilix {
namespace {

using testing::FakeGuardStore;

// The machine in memory: executables by their hash, the service manager's
// view, the guard's drain and what it reports. `fail` makes an operation fail
// with a text; `after` runs once after the named operation (another process
// acting in between).
struct FakeInstallerSystem final : VGXInstallerSystem {
  FakeGuardStore records;
  std::string embedded = "new";
  std::optional<std::string> installed;
  std::optional<std::string> previous;
  std::optional<std::string> staging;
  bool stateDirectory = false;
  bool units = false;
  bool loaded = false;
  // What the running guard executes; it reports this hash unless `reported` says otherwise.
  std::optional<std::string> running;
  std::optional<std::string> reported;
  bool processesRemain = false;
  bool bootoutLeavesLoaded = false;
  bool draining = false;
  bool heldByOther = false;
  bool appPresent = true;
  bool lockFails = false;
  int transactions = 0;
  std::map<std::string, std::string> fail;
  std::map<std::string, std::function<void(FakeInstallerSystem&)>> after;
  std::vector<std::string> calls;

  VGXInstallerResult step(const std::string& name) {
    calls.push_back(name);
    if (auto found = after.find(name); found != after.end()) {
      auto action = found->second;
      after.erase(found);
      action(*this);
    }
    if (auto found = fail.find(name); found != fail.end()) {
      return std::unexpected(VGXInstallerError::failed(found->second));
    }
    return {};
  }

  VGXGuardStore& store() override { return records; }
  VGXInstallerResult withMaintenanceLock(const std::function<void()>& body) override {
    if (lockFails) return std::unexpected(VGXInstallerError::failed("lock"));
    body();
    return {};
  }
  VGXInstallerResult prepareStateDirectory() override {
    stateDirectory = true;
    return step("prepare");
  }
  std::expected<std::string, VGXInstallerError> embeddedHash() override {
    if (auto done = step("embeddedHash"); !done) return std::unexpected(done.error());
    return embedded;
  }
  std::optional<std::string> installedHash() override { return installed; }
  VGXInstallerResult stageGuard() override {
    if (auto done = step("stage"); !done) return done;
    staging = embedded;
    return {};
  }
  VGXInstallerResult swapInStaged() override {
    if (auto done = step("swap"); !done) return done;
    if (installed) previous = installed;
    installed = staging;
    staging.reset();
    return {};
  }
  VGXInstallerResult restorePrevious() override {
    if (auto done = step("restore"); !done) return done;
    if (!previous) return std::unexpected(VGXInstallerError::failed(std::string(kNoPreviousGuard)));
    installed = previous;
    previous.reset();
    return {};
  }
  VGXInstallerResult dropPrevious() override {
    if (auto done = step("drop"); !done) return done;
    previous.reset();
    return {};
  }
  VGXInstallerResult writeJobPlist() override {
    if (auto done = step("units"); !done) return done;
    units = true;
    return {};
  }
  VGXInstallerResult removeInstalledFiles() override {
    if (auto done = step("remove"); !done) return done;
    if (records.exists(VGXGuardFile::journal())) {
      return std::unexpected(VGXInstallerError::failed("journal present"));
    }
    installed.reset();
    previous.reset();
    staging.reset();
    units = false;
    stateDirectory = false;
    records.files.clear();
    return {};
  }
  std::expected<bool, VGXInstallerError> isGuardLoaded() override {
    if (auto done = step("show"); !done) return std::unexpected(done.error());
    return loaded;
  }
  VGXInstallerResult bootstrapGuard() override {
    if (auto done = step("bootstrap"); !done) return done;
    loaded = true;
    running = installed;
    draining = false;
    return {};
  }
  VGXInstallerResult bootoutGuard() override {
    if (auto done = step("bootout"); !done) return done;
    if (!bootoutLeavesLoaded) {
      loaded = false;
      running.reset();
      draining = false;
    }
    return {};
  }
  bool noGuardProcesses() override { return !processesRemain; }
  VGXInstallerResult beginDrain() override {
    if (auto done = step("beginDrain"); !done) return done;
    if (!running) return std::unexpected(VGXInstallerError::failed("admin timeout"));
    draining = true;
    return {};
  }
  void endDrain() override {
    calls.push_back("endDrain");
    draining = false;
  }
  std::expected<std::string, VGXInstallerError> handshakeHash() override {
    if (auto done = step("handshake"); !done) return std::unexpected(done.error());
    if (!running) return std::unexpected(VGXInstallerError::failed("admin timeout"));
    return reported.value_or(*running);
  }
  bool isHeldByAnotherUser(std::uint32_t) override { return heldByOther; }
  bool isAppPresent() override { return appPresent; }
  std::string newTransactionID() override { return "T" + std::to_string(++transactions); }

  // An old guard installed and running.
  void installOld() {
    stateDirectory = units = loaded = true;
    installed = running = "old";
    records.put(VGXGuardFile::install(), R"({"installGeneration":"G1"})");
  }
  void putRecord(std::string_view op, std::string_view phase) {
    records.put(VGXGuardFile::maintenance(), R"({"txID":"C1","op":")" + std::string(op) +
                                                 R"(","phase":")" + std::string(phase) +
                                                 R"(","installGeneration":"G1"})");
  }
};

// What a row expects of the machine afterwards.
struct Outcome {
  std::optional<std::string> installed;
  std::optional<std::string> previous;
  bool loaded = false;
  // The maintenance record's text; none when there is none.
  std::optional<std::string> record;
  // The running guard is not the installed file (a bootout failed before a restore).
  bool runningStale = false;
};

void expectOutcome(FakeInstallerSystem& system, const Outcome& outcome) {
  EXPECT_EQ(system.installed, outcome.installed);
  EXPECT_EQ(system.previous, outcome.previous);
  EXPECT_EQ(system.loaded, outcome.loaded);
  EXPECT_EQ(system.records.text(VGXGuardFile::maintenance()), outcome.record);
  // Unless a record still stops it, the guard is left granting, running the installed file.
  if (!outcome.record) {
    EXPECT_FALSE(system.draining);
  }
  if (system.loaded) {
    EXPECT_EQ(system.running == system.installed, !outcome.runningStale);
  }
}

bool wroteRecord(const FakeInstallerSystem& system) {
  for (const auto& [name, text] : system.records.writes) {
    if (name == "maintenance.json") return true;
  }
  return false;
}

std::vector<std::string> recordPhases(const FakeInstallerSystem& system) {
  std::vector<std::string> phases;
  for (const auto& [name, text] : system.records.writes) {
    if (name == "maintenance.json") phases.push_back(text);
  }
  return phases;
}

bool called(const FakeInstallerSystem& system, std::string_view name) {
  return std::find(system.calls.begin(), system.calls.end(), name) != system.calls.end();
}

std::string pending(std::string_view op, std::string_view phase) {
  return R"({"txID":"C1","op":")" + std::string(op) + R"(","phase":")" + std::string(phase) +
         R"(","installGeneration":"G1"})";
}

TEST(InstallerEngineTest, InstallPlansFromTheFilesAndTheServiceManager) {
  struct Row {
    const char* name;
    std::function<void(FakeInstallerSystem&)> arrange;
    VGXInstallerResult result;
    Outcome outcome;
    // Whether an update transaction (a maintenance record) was involved.
    bool recorded;
  };
  using E = VGXInstallerError;
  const Row rows[] = {
      {"nothing installed, nothing loaded: a first installation",
       [](FakeInstallerSystem&) {},
       {},
       {"new", {}, true, {}},
       false},
      {"the first installation's guard reports another hash: cleaned up",
       [](FakeInstallerSystem& s) { s.reported = "other"; },
       std::unexpected(E::failed("handshake")),
       {{}, {}, false, {}},
       false},
      {"a first installation whose bootstrap fails removes its files",
       [](FakeInstallerSystem& s) { s.fail["bootstrap"] = "systemctl enable 1"; },
       std::unexpected(E::failed("systemctl enable 1")),
       {{}, {}, false, {}},
       false},
      {"a clean-up that fails says so behind the detail",
       [](FakeInstallerSystem& s) {
         s.fail["bootstrap"] = "systemctl enable 1";
         s.fail["remove"] = "rmdir state";
       },
       std::unexpected(E::failed("systemctl enable 1; cleanup: failed(\"rmdir state\")")),
       {"new", {}, false, {}},
       false},
      {"the same guard installed and loaded: nothing changes",
       [](FakeInstallerSystem& s) {
         s.installOld();
         s.embedded = "old";
       },
       {},
       {"old", {}, true, {}},
       false},
      {"the same guard installed but not loaded: an update",
       [](FakeInstallerSystem& s) {
         s.installOld();
         s.embedded = "old";
         s.loaded = false;
         s.running.reset();
         s.fail["beginDrain"] = "admin timeout";
       },
       std::unexpected(E::rolledBack("admin timeout")),
       {"old", {}, true, {}},
       true},
      {"nothing installed but loaded: an update",
       [](FakeInstallerSystem& s) {
         s.loaded = true;
         s.running = "ghost";
       },
       {},
       {"new", {}, true, {}},
       true},
      {"the current guard reporting another hash is updated",
       [](FakeInstallerSystem& s) {
         s.installOld();
         s.embedded = "old";
         s.reported = "tampered";
         s.after["bootout"] = [](FakeInstallerSystem& m) { m.reported.reset(); };
       },
       {},
       {"old", {}, true, {}},
       true},
      {"an older guard is updated and its previous copy dropped",
       [](FakeInstallerSystem& s) { s.installOld(); },
       {},
       {"new", {}, true, {}},
       true},
      {"the embedded guard cannot be hashed: nothing changes",
       [](FakeInstallerSystem& s) {
         s.installOld();
         s.fail["embeddedHash"] = "regular /usr/libexec/vigilix/vigilix-sleepguard";
       },
       std::unexpected(E::failed("regular /usr/libexec/vigilix/vigilix-sleepguard")),
       {"old", {}, true, {}},
       false},
      {"not knowing whether the guard is loaded: nothing changes",
       [](FakeInstallerSystem& s) {
         s.installOld();
         s.fail["show"] = "systemctl show timeout";
       },
       std::unexpected(E::failed("systemctl show timeout")),
       {"old", {}, true, {}},
       false},
      {"processes left after the bootout: rolled back from there, no restore",
       [](FakeInstallerSystem& s) {
         s.installOld();
         s.after["bootout"] = [](FakeInstallerSystem& m) { m.processesRemain = true; };
         s.after["bootstrap"] = [](FakeInstallerSystem& m) { m.processesRemain = false; };
       },
       std::unexpected(E::rolledBack("processes remain")),
       {"old", {}, true, {}},
       true},
      {"staging fails before the swap: nothing to restore, the old guard comes back",
       [](FakeInstallerSystem& s) {
         s.installOld();
         s.fail["stage"] = "create staging";
       },
       std::unexpected(E::rolledBack("create staging")),
       {"old", {}, true, {}},
       true},
      {"writing the units fails after the swap: the previous guard is restored",
       [](FakeInstallerSystem& s) {
         s.installOld();
         s.fail["units"] = "plist verify";
       },
       std::unexpected(E::rolledBack("plist verify")),
       {"old", {}, true, {}},
       true},
      {"the new guard reports another hash: booted out, restored, started again",
       [](FakeInstallerSystem& s) {
         s.installOld();
         s.after["bootstrap"] = [](FakeInstallerSystem& m) {
           m.reported = "wrong";
           m.after["bootstrap"] = [](FakeInstallerSystem& n) { n.reported.reset(); };
         };
       },
       std::unexpected(E::rolledBack("handshake")),
       {"old", {}, true, {}},
       true},
      {"a roll-back whose restore fails reports both",
       [](FakeInstallerSystem& s) {
         s.installOld();
         s.reported = "wrong";
         s.fail["restore"] = "restore previous";
       },
       std::unexpected(E::failed("handshake; rollback: failed(\"restore previous\")")),
       {"new", "old", false, {}},
       true},
      {"a bootout that fails in the roll-back is a note",
       [](FakeInstallerSystem& s) {
         s.installOld();
         s.after["bootstrap"] = [](FakeInstallerSystem& m) {
           m.reported = "wrong";
           m.fail["bootout"] = "systemctl disable 1";
           m.after["restore"] = [](FakeInstallerSystem& n) {
             n.fail.erase("bootout");
             n.reported.reset();
           };
         };
       },
       std::unexpected(E::rolledBack("handshake; bootout: failed(\"systemctl disable 1\")")),
       {"old", {}, true, {}, true},
       true},
      {"another process takes the record over during the drain: nothing is touched",
       [](FakeInstallerSystem& s) {
         s.installOld();
         s.after["beginDrain"] = [](FakeInstallerSystem& m) {
           m.putRecord("appMissingUninstall", "released");
         };
       },
       std::unexpected(E::maintenancePending()),
       {"old", {}, true, pending("appMissingUninstall", "released")},
       true},
      {"a pending transaction refuses",
       [](FakeInstallerSystem& s) {
         s.installOld();
         s.putRecord("uninstall", "odd");
       },
       std::unexpected(E::maintenancePending()),
       {"old", {}, true, pending("uninstall", "odd")},
       false},
      {"an unreadable record refuses",
       [](FakeInstallerSystem& s) {
         s.installOld();
         s.records.put(VGXGuardFile::maintenance(), "{");
       },
       std::unexpected(E::maintenancePending()),
       {"old", {}, true, "{"},
       false},
      {"a lock that cannot be taken refuses",
       [](FakeInstallerSystem& s) {
         s.installOld();
         s.lockFails = true;
       },
       std::unexpected(E::maintenancePending()),
       {"old", {}, true, {}},
       false},
      {"a guard held by another user refuses",
       [](FakeInstallerSystem& s) {
         s.installOld();
         s.heldByOther = true;
       },
       std::unexpected(E::inUseByAnotherUser()),
       {"old", {}, true, {}},
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeInstallerSystem system;
    row.arrange(system);
    VGXInstallerEngine engine(system);
    EXPECT_EQ(engine.install(501), row.result);
    expectOutcome(system, row.outcome);
    EXPECT_EQ(wroteRecord(system), row.recorded);
  }
}

TEST(InstallerEngineTest, InstallRecordsStampTheGenerationOrUnknown) {
  struct Row {
    const char* name;
    std::optional<std::string> install;
    std::string generation;
  };
  const Row rows[] = {
      {"install.json read at each write", R"({"installGeneration":"G1"})", "G1"},
      {"install.json missing", std::nullopt, "unknown"},
      {"install.json with an empty generation", R"({"installGeneration":""})", "unknown"},
      {"install.json undecodable", "[]", "unknown"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeInstallerSystem system;
    system.installOld();
    system.records.files.erase("install.json");
    if (row.install) system.records.put(VGXGuardFile::install(), *row.install);
    VGXInstallerEngine engine(system);
    ASSERT_EQ(engine.install(501), VGXInstallerResult{});
    std::vector<std::string> expected;
    for (const char* phase :
         {"recorded", "drained", "bootedOut", "replaced", "bootstrapped", "verified"}) {
      expected.push_back(R"({"txID":"T1","op":"update","phase":")" + std::string(phase) +
                         R"(","installGeneration":")" + row.generation + R"("})");
    }
    EXPECT_EQ(recordPhases(system), expected);
  }

  // A first installation writes a new generation and never a maintenance record.
  FakeInstallerSystem fresh;
  VGXInstallerEngine engine(fresh);
  ASSERT_EQ(engine.install(501), VGXInstallerResult{});
  EXPECT_EQ(fresh.records.text(VGXGuardFile::install()), R"({"installGeneration":"T1"})");
  EXPECT_FALSE(wroteRecord(fresh));
}

TEST(InstallerEngineTest, UninstallRemovesOnlyAGuardKnownToBeGone) {
  struct Row {
    const char* name;
    std::function<void(FakeInstallerSystem&)> arrange;
    VGXInstallerResult result;
    Outcome outcome;
    bool removed;
  };
  using E = VGXInstallerError;
  const std::string bootedOut =
      R"({"txID":"T1","op":"uninstall","phase":"bootedOut","installGeneration":"G1"})";
  const Row rows[] = {
      {"the guard is drained, booted out and removed",
       [](FakeInstallerSystem&) {},
       {},
       {{}, {}, false, {}},
       true},
      {"held by another user: refused before any record",
       [](FakeInstallerSystem& s) { s.heldByOther = true; },
       std::unexpected(E::inUseByAnotherUser()),
       {"old", {}, true, {}},
       false},
      {"a drain that times out is undone",
       [](FakeInstallerSystem& s) { s.fail["beginDrain"] = "admin timeout"; },
       std::unexpected(E::rolledBack("admin timeout")),
       {"old", {}, true, {}},
       false},
      {"a failed bootout is undone",
       [](FakeInstallerSystem& s) { s.fail["bootout"] = "systemctl disable 1"; },
       std::unexpected(E::rolledBack("systemctl disable 1")),
       {"old", {}, true, {}},
       false},
      {"a journal on disk starts the guard again",
       [](FakeInstallerSystem& s) { s.records.put(VGXGuardFile::journal(), "{}"); },
       std::unexpected(E::rolledBack("journal present")),
       {"old", {}, true, {}},
       false},
      {"processes left: nothing removed, the record stays for the next resume",
       [](FakeInstallerSystem& s) {
         s.after["bootout"] = [](FakeInstallerSystem& m) { m.processesRemain = true; };
       },
       std::unexpected(E::failed("processes remain")),
       {"old", {}, false, bootedOut},
       false},
      {"still loaded after the bootout: nothing removed",
       [](FakeInstallerSystem& s) { s.bootoutLeavesLoaded = true; },
       std::unexpected(E::failed("still loaded")),
       {"old", {}, true, bootedOut},
       false},
      {"a service manager that cannot answer never reads as unloaded",
       [](FakeInstallerSystem& s) {
         s.after["bootout"] = [](FakeInstallerSystem& m) {
           m.fail["show"] = "systemctl show timeout";
         };
       },
       std::unexpected(E::failed("systemctl show timeout")),
       {"old", {}, false, bootedOut},
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeInstallerSystem system;
    system.installOld();
    row.arrange(system);
    VGXInstallerEngine engine(system);
    EXPECT_EQ(engine.uninstall(501), row.result);
    EXPECT_EQ(system.installed, row.outcome.installed);
    EXPECT_EQ(system.loaded, row.outcome.loaded);
    EXPECT_EQ(system.records.text(VGXGuardFile::maintenance()), row.outcome.record);
    EXPECT_EQ(called(system, "remove"), row.removed);
    if (!row.outcome.record) {
      EXPECT_FALSE(system.draining);
    }
  }
}

TEST(InstallerEngineTest, ResumeFinishesOrUndoesWhatTheRecordSays) {
  struct Row {
    const char* name;
    std::function<void(FakeInstallerSystem&)> arrange;
    VGXInstallerResult result;
    Outcome outcome;
  };
  using E = VGXInstallerError;
  // The machine as a crash left it in the middle of an update.
  const auto swapped = [](FakeInstallerSystem& s) {
    s.previous = "old";
    s.installed = "new";
    s.loaded = false;
    s.running.reset();
  };
  const Row rows[] = {
      {"no record: nothing to do", [](FakeInstallerSystem&) {}, {}, {"old", {}, true, {}}},
      {"an unreadable record is left alone",
       [](FakeInstallerSystem& s) { s.records.put(VGXGuardFile::maintenance(), "x"); },
       std::unexpected(E::maintenancePending()),
       {"old", {}, true, "x"}},
      {"a lock that cannot be taken",
       [](FakeInstallerSystem& s) { s.lockFails = true; },
       std::unexpected(E::failed("lock")),
       {"old", {}, true, {}}},
      {"update recorded: the record goes, the guard runs on",
       [](FakeInstallerSystem& s) { s.putRecord("update", "recorded"); },
       {},
       {"old", {}, true, {}}},
      {"update drained: the drain ends",
       [](FakeInstallerSystem& s) {
         s.putRecord("update", "drained");
         s.draining = true;
       },
       {},
       {"old", {}, true, {}}},
      {"update booted out: the old guard is started again",
       [](FakeInstallerSystem& s) {
         s.putRecord("update", "bootedOut");
         s.loaded = false;
         s.running.reset();
       },
       {},
       {"old", {}, true, {}}},
      {"update replaced after the swap: the previous guard is restored",
       [=](FakeInstallerSystem& s) {
         s.putRecord("update", "replaced");
         swapped(s);
       },
       {},
       {"old", {}, true, {}}},
      {"update replaced before the swap: nothing to restore, not wedged",
       [](FakeInstallerSystem& s) {
         s.putRecord("update", "replaced");
         s.loaded = false;
         s.running.reset();
       },
       {},
       {"old", {}, true, {}}},
      {"update bootstrapped: the new guard is booted out and the old one restored",
       [=](FakeInstallerSystem& s) {
         s.putRecord("update", "bootstrapped");
         swapped(s);
         s.loaded = true;
         s.running = "new";
       },
       {},
       {"old", {}, true, {}}},
      {"update verified: the previous copy is dropped",
       [](FakeInstallerSystem& s) {
         s.putRecord("update", "verified");
         s.previous = "older";
       },
       {},
       {"old", {}, true, {}}},
      {"a restore that fails keeps the record",
       [=](FakeInstallerSystem& s) {
         s.putRecord("update", "replaced");
         swapped(s);
         s.fail["restore"] = "restore previous";
       },
       std::unexpected(E::failed("resume; rollback: failed(\"restore previous\")")),
       {"new", "old", false, {}}},
      {"an update phase nobody knows is left alone",
       [](FakeInstallerSystem& s) { s.putRecord("update", "staged"); },
       std::unexpected(E::maintenancePending()),
       {"old", {}, true, pending("update", "staged")}},
      {"uninstall recorded: undone",
       [](FakeInstallerSystem& s) { s.putRecord("uninstall", "recorded"); },
       {},
       {"old", {}, true, {}}},
      {"uninstall drained: undone and the drain ends",
       [](FakeInstallerSystem& s) {
         s.putRecord("uninstall", "drained");
         s.draining = true;
       },
       {},
       {"old", {}, true, {}}},
      {"uninstall booted out: the removal is finished",
       [](FakeInstallerSystem& s) {
         s.putRecord("uninstall", "bootedOut");
         s.loaded = false;
         s.running.reset();
       },
       {},
       {{}, {}, false, {}}},
      {"uninstall booted out before the bootout ran: it is done again, then the removal",
       [](FakeInstallerSystem& s) { s.putRecord("uninstall", "bootedOut"); },
       {},
       {{}, {}, false, {}}},
      {"uninstall booted out, the bootout failing again: nothing removed",
       [](FakeInstallerSystem& s) {
         s.putRecord("uninstall", "bootedOut");
         s.fail["bootout"] = "systemctl disable 1";
       },
       std::unexpected(E::failed("systemctl disable 1")),
       {"old", {}, true, pending("uninstall", "bootedOut")}},
      {"uninstall removed: the removal is finished",
       [](FakeInstallerSystem& s) {
         s.putRecord("uninstall", "removed");
         s.loaded = false;
         s.running.reset();
       },
       {},
       {{}, {}, false, {}}},
      {"uninstall booted out while the service manager cannot answer: nothing removed",
       [](FakeInstallerSystem& s) {
         s.putRecord("uninstall", "bootedOut");
         s.loaded = false;
         s.running.reset();
         s.fail["show"] = "systemctl show spawn 2";
       },
       std::unexpected(E::failed("systemctl show spawn 2")),
       {"old", {}, false, pending("uninstall", "bootedOut")}},
      {"an uninstall phase nobody knows is left alone",
       [](FakeInstallerSystem& s) { s.putRecord("uninstall", "verified"); },
       std::unexpected(E::maintenancePending()),
       {"old", {}, true, pending("uninstall", "verified")}},
      {"the guard's own uninstall while the application is gone is the guard's",
       [](FakeInstallerSystem& s) {
         s.putRecord("appMissingUninstall", "released");
         s.appPresent = false;
       },
       std::unexpected(E::maintenancePending()),
       {"old", {}, true, pending("appMissingUninstall", "released")}},
      {"the application came back: the guard is started again and the record goes",
       [](FakeInstallerSystem& s) {
         s.putRecord("appMissingUninstall", "released");
         s.loaded = false;
         s.running.reset();
       },
       {},
       {"old", {}, true, {}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeInstallerSystem system;
    system.installOld();
    row.arrange(system);
    VGXInstallerEngine engine(system);
    EXPECT_EQ(engine.resume(), row.result);
    expectOutcome(system, row.outcome);
  }
}

}  // namespace
}  // namespace vigilix
