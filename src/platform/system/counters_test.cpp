#include <errno.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/fs/file_system.h"
#include "platform/system/cpu_ticks.h"
#include "platform/system/disk_counters.h"
#include "platform/system/network_counters.h"
#include "testing/fake_proc_tree.h"

namespace vigilix::platform {
namespace {

using testing::FakeProcTree;

class CountersTest : public ::testing::Test {
 protected:
  void TearDown() override { FileSystem::clearInjectedFailures(); }
  FakeProcTree tree;
};

TEST_F(CountersTest, CPUTicksFoldTheKernelsEightCountersIntoFour) {
  tree.setCPU({.user = 100,
               .nice = 7,
               .system = 50,
               .idle = 1000,
               .iowait = 30,
               .irq = 4,
               .softirq = 5,
               .steal = 6,
               .guest = 90,
               .guestNice = 3});
  const auto ticks = LiveCPUTickCounters(tree.root()).read();
  ASSERT_TRUE(ticks.has_value());
  EXPECT_EQ(ticks->user, 100u) << "guest time is already inside user";
  EXPECT_EQ(ticks->nice, 7u);
  EXPECT_EQ(ticks->system, 65u) << "system + irq + softirq + steal";
  EXPECT_EQ(ticks->idle, 1030u) << "idle + iowait";
}

TEST_F(CountersTest, CPUTicksReadTheTotalLineAndFullSixtyFourBitValues) {
  EXPECT_EQ(parseProcStat("cpu0 1 2 3 4\ncpu  10 20 30 40\n"),
            (CPUTicks{.user = 10, .system = 30, .idle = 40, .nice = 20}))
      << "the per-core lines are not the total; an old kernel stops after idle";
  EXPECT_EQ(parseProcStat("cpu 18446744073709551615 0 0 0 0 0 0 0 0 0")->user, UINT64_MAX);
  EXPECT_FALSE(parseProcStat("cpu 1 2 3\n").has_value()) << "fewer than four counters";
  EXPECT_FALSE(parseProcStat("cpu 1 2 x 4\n").has_value());
  EXPECT_FALSE(parseProcStat("intr 1 2 3 4\n").has_value());
  EXPECT_FALSE(parseProcStat("").has_value());
}

TEST_F(CountersTest, CPUTicksAreNoneWhenTheFileIsMissingOrUnreadable) {
  EXPECT_FALSE(LiveCPUTickCounters(tree.root()).read().has_value());
  tree.setCPU({.user = 1, .idle = 1});
  FileSystem::injectFailure(FileSystem::Operation::Read, tree.pathFor("proc/stat"), EACCES);
  EXPECT_FALSE(LiveCPUTickCounters(tree.root()).read().has_value());
}

TEST_F(CountersTest, NetworkSumsBothDirectionsAndSkipsLoopbackNames) {
  tree.setInterface("eth0", 5'000'000'000ULL, 123);
  tree.setInterface("wlan0", 10, 20);
  tree.setInterface("lo", 999, 999);
  tree.setInterface("lo0", 999, 999);
  tree.setInterface("loopback7", 999, 999);
  tree.writeFile("sys/class/net/tun0/statistics/rx_bytes", "5\n");  // no tx_bytes
  tree.writeFile("sys/class/net/bad0/statistics/rx_bytes", "x\n");
  tree.writeFile("sys/class/net/bad0/statistics/tx_bytes", "1\n");

  const InterfaceByteCounters counters = LiveNetworkCounters(tree.root()).interfaceByteCounters();
  EXPECT_EQ(counters, (InterfaceByteCounters{{"eth0", 5'000'000'123ULL}, {"wlan0", 30}}))
      << "counters beyond 32 bits stay exact; incomplete interfaces are left out";
}

TEST_F(CountersTest, NetworkIsEmptyWithoutTheFolder) {
  EXPECT_TRUE(LiveNetworkCounters(tree.root()).interfaceByteCounters().empty());
}

TEST_F(CountersTest, DisksCountWholeDisksInBytesKeyedByDeviceNumber) {
  tree.setDisk("vda", 254, 0, 100, 300);
  tree.setDisk("vda1", 254, 1, 90, 290, /*wholeDisk=*/false);
  tree.setDisk("nvme0n1", 259, 0, 1, 0);
  tree.writeFile("proc/diskstats",
                 FileSystem::readFile(tree.pathFor("proc/diskstats")).value() + "   8 0 sdz 1 2\n");
  tree.writeFile("sys/block/sdz/dev", "8:0\n");

  const auto counters = LiveDiskCounters(tree.root()).diskByteCounters();
  ASSERT_TRUE(counters.has_value());
  EXPECT_EQ(*counters,
            (DiskByteCounters{{diskIdentity(254, 0), 400 * 512}, {diskIdentity(259, 0), 512}}))
      << "partitions are inside their disk; a short line is skipped";
  EXPECT_NE(diskIdentity(1, 0), diskIdentity(0, 1));
}

TEST_F(CountersTest, DiskNamesWithASlashMatchTheirSysfsEntry) {
  // The kernel shows "cciss/c0d0" in diskstats but names its sysfs entry
  // "cciss!c0d0", since a slash cannot be part of a file name.
  tree.writeFile("sys/block/cciss!c0d0/dev", "104:0\n");
  tree.writeFile("proc/diskstats",
                 " 104 0 cciss/c0d0 5 0 30 0 6 0 70 0 0 0 0\n"
                 " 104 1 cciss/c0d0p1 5 0 30 0 6 0 70 0 0 0 0\n");
  EXPECT_EQ(LiveDiskCounters(tree.root()).diskByteCounters(),
            (DiskByteCounters{{diskIdentity(104, 0), 100 * 512}}));
}

TEST_F(CountersTest, DisksAreNoneWhenTheyCannotBeLookedUp) {
  EXPECT_FALSE(LiveDiskCounters(tree.root()).diskByteCounters().has_value()) << "empty machine";
  tree.setDisk("vda", 254, 0, 1, 1);
  EXPECT_TRUE(LiveDiskCounters(tree.root()).diskByteCounters().has_value());
  FileSystem::injectFailure(FileSystem::Operation::Read, tree.pathFor("proc/diskstats"), EIO);
  EXPECT_FALSE(LiveDiskCounters(tree.root()).diskByteCounters().has_value());
}

}  // namespace
}  // namespace vigilix::platform
