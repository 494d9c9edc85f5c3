// Every live reader of /proc and /sys made without a root reads under the
// file-system root, so the whole program can run against a fixture tree.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/power/live_power_source.h"
#include "platform/power/live_thermal_monitor.h"
#include "platform/process/process_listing.h"
#include "platform/system/audio_devices.h"
#include "platform/system/cpu_ticks.h"
#include "platform/system/disk_counters.h"
#include "platform/system/displays.h"
#include "platform/system/network_counters.h"
#include "platform/system/running_applications.h"
#include "testing/fake_proc_tree.h"
#include "testing/scoped_environment.h"
#include "triggers/live_system_sampler.h"

namespace vigilix {
namespace {

using testing::FakeProcTree;

// Each row lays out one kind of entry in the tree and reads it with a reader
// made without a root, while VIGILIX_ROOT names the tree. None of these
// entries is what this machine's own /proc and /sys hold.
TEST(LiveReadersRootTest, ReadersMadeWithoutARootReadTheTreeVigilixRootNames) {
  struct Row {
    const char* name;
    std::function<void(FakeProcTree&)> arrange;
    std::function<bool()> readsTheTree;
  };
  constexpr std::int32_t kPid = 3'999'999;  // above any pid_max a kernel allows
  const Row rows[] = {
      {"thermal sensors",
       [](auto& tree) {
         tree.setHwmon("hwmon0", "coretemp", {{200'000, 84'000, 100'000}});
       },
       [] {
         return platform::LiveThermalMonitor().thermalState() == platform::ThermalState::Critical;
       }},
      {"power supplies",
       [](auto& tree) {
         tree.setPowerSupply("VGXBAT9", {{"type", "Battery"}, {"capacity", "7"}});
       },
       [] {
         const auto listed = platform::LivePowerSources().readPowerSources();
         return listed && listed->size() == 1 && listed->front().currentCapacity == 7;
       }},
      {"process listing", [](auto& tree) { tree.addProcess(kPid, "vgx-fixture", "vgx-fixture"); },
       [] {
         const auto arguments = platform::ProcessListing().arguments(kPid);
         return arguments && *arguments == std::vector<std::string>{"vgx-fixture"};
       }},
      {"running applications",
       [](auto& tree) { tree.addProcess(kPid, "vgx-fixture", "vgx-fixture"); },
       [] {
         for (const auto& application : platform::LiveRunningApplications().runningApplications()) {
           if (application.processIdentifier == kPid) return true;
         }
         return false;
       }},
      {"processor ticks",
       [](auto& tree) { tree.setCPU({.user = 123'456'789, .idle = 987'654'321}); },
       [] {
         const auto ticks = platform::LiveCPUTickCounters().read();
         return ticks.has_value() && SystemSources::live().cpu->read() == ticks &&
                platform::LiveCPUTickCounters(FakeProcTree().root()).read() != ticks;
       }},
      {"network counters", [](auto& tree) { tree.setInterface("vgx0", 11, 22); },
       [] {
         return platform::LiveNetworkCounters().interfaceByteCounters().contains("vgx0") &&
                SystemSources::live().network->interfaceByteCounters().contains("vgx0");
       }},
      {"disk counters", [](auto& tree) { tree.setDisk("vgxd", 259, 0, 1, 1); },
       [] {
         const auto disks = platform::LiveDiskCounters().diskByteCounters();
         return disks && disks->size() == 1;
       }},
      {"displays", [](auto& tree) { tree.setDisplay("card0-VGX-1", "connected"); },
       [] {
         const auto displays = platform::LiveDisplays().activeDisplays();
         return displays.size() == 1 && displays.front().name == "VGX-1";
       }},
      {"sound substreams",
       [](auto& tree) { tree.setSoundSubstream("card0", "pcm0c", "sub0", "RUNNING"); },
       [] { return platform::LiveAudioDevices().isInputRunning(); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeProcTree tree;
    row.arrange(tree);
    testing::ScopedEnvironment root("VIGILIX_ROOT", tree.root().string());
    EXPECT_TRUE(row.readsTheTree());
  }
}

}  // namespace
}  // namespace vigilix
