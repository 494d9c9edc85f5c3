#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>

#include "direct/backup/time_machine_feature.h"
#include "hub/trigger_configuration_store.h"
#include "hub_fixture.h"
#include "testing/temporary_folder.h"

extern char** environ;

namespace vigilix::scenarios {
namespace {

// A process that the process table names like a backup program: a copy of
// sleep under that name.
class FakeBackupProgram {
 public:
  explicit FakeBackupProgram(const std::string& name)
      : folder_(testing::makeTemporaryFolder("vigilix-backup")) {
    const auto program = folder_ / name;
    std::filesystem::copy_file("/bin/sleep", program);
    const std::string path = program.string();
    char* argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>("60"), nullptr};
    if (posix_spawn(&pid_, path.c_str(), nullptr, nullptr, argv, environ) != 0) pid_ = 0;
  }
  ~FakeBackupProgram() { end(); }
  void end() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      pid_ = 0;
    }
    std::filesystem::remove_all(folder_);
  }
  bool started() const { return pid_ > 0; }

 private:
  std::filesystem::path folder_;
  pid_t pid_ = 0;
};

class HubBackupTest : public HubScenario {
 public:
  ~HubBackupTest() override {
    feature.reset();
    VGXTriggerBridge::slots().extraTriggerReasonsProvider = nullptr;
  }
  void storeRules(bool automation, bool whileBackup) {
    TriggerConfiguration rules;
    rules.isEnabled = automation;
    rules.whileTimeMachineBacksUp = whileBackup;
    VGXTriggerConfigurationStore::save(rules, defaults());
  }
  void installFeature() {
    std::weak_ptr<VGXTriggerBridge> weak = hub;
    feature = VGXTimeMachineFeature::make(
        VGXTimeMachineSampler::make(std::make_shared<VGXProcessCommandRunner>(), 60), defaults(),
        [weak] {
          if (auto bridge = weak.lock()) bridge->refreshNow();
        });
    feature->install();
    platform.runUntilIdle();
  }
  std::shared_ptr<VGXTimeMachineFeature> feature;
};

// The live process table read by the live lister: a running backup keeps the
// computer awake through the hub, and its end lets it sleep at the next look.
TEST_F(HubBackupTest, ARunningBackupProgramKeepsTheComputerAwake) {
  struct Row {
    const char* name;
    bool automation;
    bool whileBackup;
    const char* program;  // none: no fake program
    bool awake;
  };
  const Row rows[] = {
      {"restic running", true, true, "restic", true},
      {"borgmatic running", true, true, "borgmatic", true},
      {"another program running", true, true, "rsync", false},
      {"no program", true, true, nullptr, false},
      {"the setting off", true, false, "restic", false},
      {"automatic keep-awake off", false, true, "restic", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    storeRules(row.automation, row.whileBackup);
    startHub();
    std::optional<FakeBackupProgram> program;
    if (row.program) {
      program.emplace(row.program);
      ASSERT_TRUE(program->started());
    }
    installFeature();
    EXPECT_EQ(hub->snapshot().isAwake, row.awake);
    if (row.awake) {
      EXPECT_EQ(hub->currentDecision().reasons, std::vector<TriggerReason>{});
      EXPECT_NE(hub->headerReasonLine().find("A backup is running"), std::string::npos)
          << hub->headerReasonLine();
      program->end();
      platform.advance(60);
      EXPECT_FALSE(hub->snapshot().isAwake);
    }
    feature.reset();
    hub.reset();
    platform.runUntilIdle();
  }
}

}  // namespace
}  // namespace vigilix::scenarios
