#include "sleepguard/core/process_table.h"

#include <gtest/gtest.h>

#include "sleepguard/core/logind_sleep_runner.h"
#include "testing/fake_logind_inhibitors.h"
#include "testing/fake_proc_tree.h"

namespace vigilix {
namespace {

constexpr const char* kGuard = "/usr/local/libexec/vigilix/vigilix-sleepguard";

TEST(ProcessTableTest, GuardProcessesByExecutable) {
  testing::FakeProcTree tree;
  tree.addProcess(1, kGuard, "init", kGuard);  // never pid 1
  tree.addProcess(30, kGuard, "VigilixSleepGua", kGuard);
  tree.addProcess(31, "/usr/bin/other", "other", "/usr/bin/other");
  tree.addProcess(32, kGuard, "VigilixSleepGua", std::string(kGuard) + " (deleted)");
  tree.addProcess(33, kGuard, "VigilixSleepGua", std::string(kGuard) + ".old");
  tree.addProcess(34, "", "kworker");
  const VGXProcessTable table(platform::ProcessListing(tree.root()),
                              std::make_shared<testing::FakeLogindInhibitors>());
  EXPECT_EQ(table.pids(kGuard), (std::vector<std::int32_t>{30, 32}));
  EXPECT_TRUE(table.pids("/usr/bin/absent").empty());
  EXPECT_TRUE(table.canListProcesses());
}

TEST(ProcessTableTest, AnyUnreadableListingMeansNobodyCanTell) {
  const struct {
    const char* name;
    bool procListed;
    bool locksRead;
    bool canList;
  } rows[] = {
      {"both read", true, true, true},
      {"no /proc", false, true, false},
      {"no logind", true, false, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    testing::FakeProcTree tree;
    if (row.procListed) tree.addProcess(30, kGuard, "guard", kGuard);
    auto logind = std::make_shared<testing::FakeLogindInhibitors>();
    logind->locks = {{kSleepSwitchWhat, kSleepSwitchWho, "why", kSleepSwitchMode, 0, 30}};
    if (!row.locksRead) logind->listFailure = platform::BusError{ENOENT, {}, {}};
    const VGXProcessTable table(platform::ProcessListing(tree.root()), logind);
    EXPECT_EQ(table.canListProcesses(), row.canList);
    EXPECT_EQ(table.pids(kGuard),
              row.procListed ? std::vector<std::int32_t>{30} : std::vector<std::int32_t>{});
    // A stray is known by its executable too, so both listings are needed.
    EXPECT_EQ(table.strayDisablerPIDs(),
              row.canList ? std::vector<std::int32_t>{30} : std::vector<std::int32_t>{});
  }
}

}  // namespace
}  // namespace vigilix
