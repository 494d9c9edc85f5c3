#include <errno.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
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

// Each row is an interface alone on a machine: whether it counts, and as how
// many bytes.
TEST(NetworkCountersTest, OnlyDeviceBackedInterfacesCountEachWithBothDirections) {
  struct Row {
    const char* name;
    bool backedByDevice;
    std::optional<std::uint64_t> expected;
  };
  const Row rows[] = {
      {"eth0", true, 5'000'000'123ULL},  // beyond 32 bits, exact
      {"wlan0", true, 5'000'000'123ULL},
      {"enp3s0", true, 5'000'000'123ULL},
      {"veth3a1f", false, std::nullopt},  // a container's end of a pair
      {"docker0", false, std::nullopt},   // bridge
      {"br-5e1c", false, std::nullopt},
      {"tun0", false, std::nullopt},
      {"tap0", false, std::nullopt},
      {"ifb0", false, std::nullopt},
      {"wg0", false, std::nullopt},  // VPN: its bytes also cross the device
      {"lo", false, std::nullopt},
      {"lo0", true, std::nullopt},  // loopback by name, whatever backs it
      {"loopback7", true, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeProcTree tree;
    tree.setInterface(row.name, 5'000'000'000ULL, 123, row.backedByDevice);
    InterfaceByteCounters expected;
    if (row.expected) expected[row.name] = *row.expected;
    EXPECT_EQ(LiveNetworkCounters(tree.root()).interfaceByteCounters(), expected);
  }
}

TEST(NetworkCountersTest, InterfacesWithoutBothNumbersAndMachinesWithoutTheFolderGiveNone) {
  FakeProcTree tree;
  EXPECT_TRUE(LiveNetworkCounters(tree.root()).interfaceByteCounters().empty());
  tree.writeFile("sys/class/net/eth1/statistics/rx_bytes", "5\n");  // no tx_bytes
  tree.writeFile("sys/class/net/eth2/statistics/rx_bytes", "x\n");
  tree.writeFile("sys/class/net/eth2/statistics/tx_bytes", "1\n");
  for (const char* name : {"eth1", "eth2"}) {
    std::filesystem::create_directories(
        tree.pathFor(std::string("sys/class/net/") + name + "/device"));
  }
  EXPECT_TRUE(LiveNetworkCounters(tree.root()).interfaceByteCounters().empty());
}

// Each row is one entry of /sys/block alone on a machine, with 100 sectors
// read and 300 written: whether its bytes count.
TEST(DiskCountersTest, OnlyPhysicalWholeDisksCount) {
  using Kind = FakeProcTree::DiskKind;
  struct Row {
    const char* name;
    Kind kind;
    bool counts;
  };
  const Row rows[] = {
      {"sda", Kind::Physical, true},
      {"nvme0n1", Kind::Physical, true},
      {"mmcblk0", Kind::Physical, true},
      {"vda", Kind::Physical, true},
      {"sda1", Kind::Partition, false},  // inside its disk
      {"dm-0", Kind::Virtual, false},    // LVM or LUKS above a disk
      {"md0", Kind::Virtual, false},     // RAID over disks
      {"loop0", Kind::Virtual, false},   // a file on a disk
      {"zram0", Kind::Virtual, false},   // compressed swap in memory
      {"ram0", Kind::Virtual, false},
      {"nbd0", Kind::Virtual, false},   // any other disk without a device
      {"dm-1", Kind::Physical, false},  // named layers never count
      {"md127", Kind::Physical, false},
      {"zram1", Kind::Physical, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeProcTree tree;
    tree.setDisk(row.name, 8, 0, 100, 300, row.kind);
    DiskByteCounters expected;
    if (row.counts) expected[diskIdentity(8, 0)] = 400 * 512;
    EXPECT_EQ(LiveDiskCounters(tree.root()).diskByteCounters(), expected);
  }
}

TEST(DiskCountersTest, AWriteThroughEncryptedLVMCountsOnceOnItsDisk) {
  using Kind = FakeProcTree::DiskKind;
  FakeProcTree tree;
  tree.setDisk("nvme0n1", 259, 0, 0, 1000);
  tree.setDisk("nvme0n1p3", 259, 3, 0, 1000, Kind::Partition);
  tree.setDisk("dm-0", 254, 0, 0, 1000, Kind::Virtual);  // LUKS
  tree.setDisk("dm-1", 254, 1, 0, 1000, Kind::Virtual);  // LVM volume
  tree.setDisk("zram0", 252, 0, 0, 5000, Kind::Virtual);
  EXPECT_EQ(LiveDiskCounters(tree.root()).diskByteCounters(),
            (DiskByteCounters{{diskIdentity(259, 0), 1000 * 512}}));
}

TEST(DiskCountersTest, ShortLinesAreSkippedAndIdentitiesKeepMajorAndMinorApart) {
  FakeProcTree tree;
  tree.setDisk("vda", 254, 0, 100, 300);
  tree.writeFile("proc/diskstats",
                 FileSystem::readFile(tree.pathFor("proc/diskstats")).value() + "   8 0 sdz 1 2\n");
  tree.writeFile("sys/block/sdz/dev", "8:0\n");
  std::filesystem::create_directories(tree.pathFor("sys/block/sdz/device"));
  EXPECT_EQ(LiveDiskCounters(tree.root()).diskByteCounters(),
            (DiskByteCounters{{diskIdentity(254, 0), 400 * 512}}));
  EXPECT_NE(diskIdentity(1, 0), diskIdentity(0, 1));
}

TEST(DiskCountersTest, DiskNamesWithASlashMatchTheirSysfsEntry) {
  // The kernel shows "cciss/c0d0" in diskstats but names its sysfs entry
  // "cciss!c0d0", since a slash cannot be part of a file name.
  FakeProcTree tree;
  tree.writeFile("sys/block/cciss!c0d0/dev", "104:0\n");
  std::filesystem::create_directories(tree.pathFor("sys/block/cciss!c0d0/device"));
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
