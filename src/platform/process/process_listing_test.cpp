#include "platform/process/process_listing.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "testing/fake_proc_tree.h"

namespace vigilix::platform {
namespace {

using Arguments = std::vector<std::string>;

Arguments numbered(std::size_t count) {
  Arguments arguments;
  for (std::size_t i = 0; i < count; ++i) arguments.push_back("a" + std::to_string(i));
  return arguments;
}

std::string argumentsOf(std::size_t count) {
  std::string bytes;
  for (const std::string& argument : numbered(count)) bytes += argument + '\0';
  return bytes;
}

TEST(ProcessListingTest, CommandLines) {
  using namespace std::string_literals;
  struct Row {
    const char* name;
    std::string bytes;
    std::optional<Arguments> arguments;
  };
  const Row rows[] = {
      {"terminated strings", "/usr/bin/tool\0-a\0x y\0"s, Arguments{"/usr/bin/tool", "-a", "x y"}},
      {"a rewritten title without terminator", "guard: idle"s, Arguments{"guard: idle"}},
      {"an empty argument is kept", "tool\0\0last\0"s, Arguments{"tool", "", "last"}},
      {"a kernel thread has none", ""s, std::nullopt},
      {"256 arguments are listed", argumentsOf(256), numbered(256)},
      {"257 arguments are too many", argumentsOf(257), std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(parseCommandLine(row.bytes), row.arguments);
  }
}

TEST(ProcessListingTest, ListsTheProcessesOfATemporaryTree) {
  testing::FakeProcTree tree;
  tree.addProcess(1, "/sbin/init", "init", "/sbin/init");
  tree.addProcess(2, "", "kthreadd");  // no exe, no arguments
  tree.addProcess(40, "/usr/bin/tool -a 1", "tool", "/usr/bin/tool");
  tree.addProcess(41, "/opt/guard", "guard", "/opt/guard (deleted)");
  tree.addProcess(42, "", "gone", "/usr/bin/gone");  // torn down: link but no arguments
  tree.writeFile("proc/43/cmdline", argumentsOf(257));
  tree.writeFile("proc/self/cmdline", "x");
  tree.writeFile("proc/sys/kernel/random/boot_id", "x");
  tree.writeFile("proc/ 7/cmdline", "x");
  tree.writeFile("proc/99999999999/cmdline", "x");

  const ProcessListing listing(tree.root());
  EXPECT_EQ(listing.listAllPIDs(), (std::vector<std::int32_t>{1, 2, 40, 41, 42, 43}));
  EXPECT_EQ(listing.listProcesses(), (std::vector<ProcessSnapshot>{
                                         {1, "/sbin/init", {"/sbin/init"}},
                                         {40, "/usr/bin/tool", {"/usr/bin/tool", "-a", "1"}},
                                         {41, "/opt/guard (deleted)", {"/opt/guard"}},
                                     }));
  EXPECT_EQ(listing.executablePath(41), "/opt/guard (deleted)");
  EXPECT_EQ(listing.executablePath(2), std::nullopt);
  EXPECT_EQ(listing.executablePath(0), std::nullopt);
}

TEST(ProcessListingTest, AMissingProcFolderCannotBeListed) {
  testing::FakeProcTree tree;
  const ProcessListing listing(tree.root());
  EXPECT_EQ(listing.listAllPIDs(), std::nullopt);
  EXPECT_EQ(listing.listProcesses(), std::nullopt);
}

TEST(ProcessListingTest, Zombies) {
  const struct {
    const char* stat;
    bool zombie;
  } rows[] = {
      {"10 (sleep) S 1 10 10 0", false},  {"11 (sleep) Z 1 11 11 0", true},
      {"12 (odd) Z name) R 1 12", false}, {"13 (odd) R name) Z 1 13", true},
      {"14 (truncated) ", false},         {"", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.stat);
    EXPECT_EQ(statShowsZombie(row.stat), row.zombie);
  }
  testing::FakeProcTree tree;
  tree.writeFile("proc/11/stat", "11 (sleep) Z 1 11 11 0");
  const ProcessListing listing(tree.root());
  EXPECT_TRUE(listing.isZombie(11));
  EXPECT_FALSE(listing.isZombie(15));  // no such process
}

TEST(ProcessListingTest, ParentsAndStartTimes) {
  const struct {
    const char* name;
    std::string stat;
    std::optional<ProcessStat> fields;
  } rows[] = {
      {"a full line", "7 (a) b) S 3 7 7 0 -1 0 0 0 0 0 1 2 0 0 20 0 1 0 4321 1000 10",
       ProcessStat{3, 4321}},
      {"a kernel thread's flags", "2 (kthreadd) S 0 0 0 0 -1 2129984 0 0 0 0 1 2 0 0 20 0 1 0 4321",
       ProcessStat{0, 4321, 2129984}},
      {"cut before the start time", "7 (a) S 3 7 7 0 -1 0 0 0 0 0 1 2 0 0 20 0 1 0", std::nullopt},
      {"a parent that is no number", "7 (a) S x 7 7 0 -1 0 0 0 0 0 1 2 0 0 20 0 1 0 4321",
       std::nullopt},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(parseProcessStat(row.stat), row.fields);
    if (row.fields) {
      EXPECT_EQ(row.fields->isKernelThread(), row.fields->flags == 2129984);
    }
  }
  EXPECT_EQ(parseBootTime("cpu 1 2\nbtime 1700000000\nprocesses 9\n"), 1700000000);
  EXPECT_EQ(parseBootTime("cpu 1 2\n"), std::nullopt);

  testing::FakeProcTree tree;
  tree.setBootTime(1'700'000'000);
  tree.setProcessStat(40, 12, 250 * static_cast<std::uint64_t>(::sysconf(_SC_CLK_TCK)));
  const ProcessListing listing(tree.root());
  EXPECT_EQ(listing.record(40), (ProcessRecord{12, 1'700'000'250}));
  EXPECT_EQ(listing.record(41), std::nullopt);
}

TEST(ProcessListingTest, TheLiveListingHoldsThisProcess) {
  const ProcessListing listing;
  const auto processes = listing.listProcesses();
  ASSERT_TRUE(processes.has_value());
  const auto self = std::find_if(processes->begin(), processes->end(), [](const auto& process) {
    return process.pid == static_cast<std::int32_t>(::getpid());
  });
  ASSERT_NE(self, processes->end());
  EXPECT_EQ(self->executablePath, std::filesystem::read_symlink("/proc/self/exe").string());
  EXPECT_FALSE(self->arguments.empty());
  EXPECT_FALSE(listing.isZombie(::getpid()));
  const auto record = listing.record(::getpid());
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(record->parent, static_cast<std::int32_t>(::getppid()));
  EXPECT_EQ(listing.record(::getpid()), record);  // the same start time on every read
}

}  // namespace
}  // namespace vigilix::platform
