#include "triggers/live_system_sampler.h"

#include <errno.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/fs/file_system.h"
#include "testing/fake_proc_tree.h"
#include "testing/fake_system.h"
#include "testing/test_platform.h"
#include "triggers/sample_inputs.h"

namespace vigilix {
namespace {

using platform::FileSystem;
using testing::FakeProcTree;

// The live readers on a temporary tree, on virtual time.
class LiveSystemSamplerTest : public ::testing::Test {
 protected:
  void TearDown() override { FileSystem::clearInjectedFailures(); }

  SystemSample sampleAfter(double seconds) {
    platform.advanceClockWithoutRunning(seconds);
    return sampler.sample();
  }
  void setCPU(std::uint64_t busy, std::uint64_t idle) { tree.setCPU({.user = busy, .idle = idle}); }

  testing::TestPlatform platform;
  FakeProcTree tree;
  LiveSystemSampler sampler{SystemSources::live(tree.root())};
};

TEST_F(LiveSystemSamplerTest, AnEmptyMachineGivesNeutralValues) {
  const SystemSample first = sampler.sample();
  const SystemSample second = sampleAfter(5);
  SystemSample expected;
  expected.date = platform.now();
  expected.isOnPowerAdapter = true;  // no battery at all
  EXPECT_EQ(second, expected);
  EXPECT_EQ(first.date, platform.now() - 5) << "the date is the moment of the reading";
}

TEST_F(LiveSystemSamplerTest, FirstSampleGivesZeroRatesThenRatesBetweenReadings) {
  tree.setInterface("eth0", 1'000'000, 0);
  tree.setDisk("vda", 254, 0, 0, 0);
  setCPU(100, 100);
  const SystemSample first = sampler.sample();
  EXPECT_EQ(first.networkBytesPerSecond, 0);
  EXPECT_EQ(first.diskBytesPerSecond, 0);
  EXPECT_EQ(first.cpuUsagePercent, 0);

  tree.setInterface("eth0", 4'000'000, 2'000'000);  // 5,000,000 more
  tree.setDisk("vda", 254, 0, 10'000, 10'000);      // 20,000 sectors
  setCPU(130, 190);                                 // 30 busy of 120
  const SystemSample second = sampleAfter(5);
  EXPECT_DOUBLE_EQ(second.networkBytesPerSecond, 1'000'000);
  EXPECT_DOUBLE_EQ(second.diskBytesPerSecond, 20'000 * 512 / 5.0);
  EXPECT_DOUBLE_EQ(second.cpuUsagePercent, 25);
}

TEST_F(LiveSystemSamplerTest, NewAndResetInterfacesAddNothingAndLoopbackNeverCounts) {
  tree.setInterface("eth0", 1000, 1000);
  tree.setInterface("wlan0", 900'000, 0);
  tree.setInterface("lo", 0, 0);
  sampler.sample();

  tree.setInterface("eth0", 6000, 1000);  // +5000
  tree.setInterface("wlan0", 10, 0);      // re-created: went down
  tree.setInterface("eth1", 777'777, 0);  // new
  tree.setInterface("lo", 50'000'000, 50'000'000);
  EXPECT_DOUBLE_EQ(sampleAfter(5).networkBytesPerSecond, 1000);

  tree.setInterface("wlan0", 5010, 0);  // counts again from its new base
  tree.setInterface("eth1", 777'777, 0);
  EXPECT_DOUBLE_EQ(sampleAfter(5).networkBytesPerSecond, 1000);
}

TEST_F(LiveSystemSamplerTest, SixtyFourBitNetworkCountersDoNotWrapAtFourGigabytes) {
  tree.setInterface("eth0", 4'294'967'000ULL, 0);
  sampler.sample();
  tree.setInterface("eth0", 4'294'967'000ULL + 10'000, 0);
  EXPECT_DOUBLE_EQ(sampleAfter(10).networkBytesPerSecond, 1000);
}

TEST_F(LiveSystemSamplerTest, ASameOrEarlierDateGivesZeroAndRebasesTheCounters) {
  tree.setInterface("eth0", 0, 0);
  tree.setDisk("vda", 254, 0, 0, 0);
  sampler.sample();

  tree.setInterface("eth0", 50'000, 0);
  tree.setDisk("vda", 254, 0, 100, 0);
  const SystemSample same = sampler.sample();  // no time passed
  EXPECT_EQ(same.networkBytesPerSecond, 0);
  EXPECT_EQ(same.diskBytesPerSecond, 0);

  tree.setInterface("eth0", 60'000, 0);
  platform.setNow(platform.now() - 30);  // the clock was set back
  EXPECT_EQ(sampler.sample().networkBytesPerSecond, 0);

  tree.setInterface("eth0", 70'000, 0);
  EXPECT_DOUBLE_EQ(sampleAfter(2).networkBytesPerSecond, 5000) << "measured from the re-base";
}

TEST_F(LiveSystemSamplerTest, PartitionsAndReattachedDisksAddNothing) {
  tree.setDisk("vda", 254, 0, 0, 0);
  tree.setDisk("vda1", 254, 1, 0, 0, FakeProcTree::DiskKind::Partition);
  tree.setDisk("sdb", 8, 16, 1'000'000, 0);
  sampler.sample();

  tree.setDisk("vda", 254, 0, 10, 0);
  tree.setDisk("vda1", 254, 1, 10, 0, FakeProcTree::DiskKind::Partition);
  tree.setDisk("sdb", 8, 16, 4, 0);  // unplugged and back: counters restarted
  EXPECT_DOUBLE_EQ(sampleAfter(1).diskBytesPerSecond, 10 * 512);
}

TEST_F(LiveSystemSamplerTest, AFailedDiskLookupForgetsThePreviousReading) {
  tree.setDisk("vda", 254, 0, 0, 0);
  sampler.sample();
  tree.setDisk("vda", 254, 0, 1000, 0);
  FileSystem::injectFailure(FileSystem::Operation::Read, tree.pathFor("proc/diskstats"), EIO);
  EXPECT_EQ(sampleAfter(5).diskBytesPerSecond, 0);

  FileSystem::clearInjectedFailures();
  EXPECT_EQ(sampleAfter(5).diskBytesPerSecond, 0) << "starts again from no previous reading";
  tree.setDisk("vda", 254, 0, 2000, 0);
  EXPECT_DOUBLE_EQ(sampleAfter(5).diskBytesPerSecond, 1000 * 512 / 5.0);
}

// The busy share of the ticks that moved between two readings 5 s apart.
TEST_F(LiveSystemSamplerTest, CPUShareIsTheBusyPartOfTheTicksThatMoved) {
  using Line = FakeProcTree::CPULine;
  struct Row {
    const char* name;
    Line before, after;
    double percent;
  };
  const Row rows[] = {
      // Positional: user, nice, system, idle, iowait, irq, softirq, steal.
      {"iowait counts as idle, interrupts and steal as busy: 40 busy of 100",
       {},
       {10, 10, 5, 40, 20, 5, 5, 5},
       40},
      {"ticks that did not move", {.user = 500, .idle = 500}, {.user = 500, .idle = 500}, 0},
      // user moves 100 through the wrap.
      {"counters that wrap",
       {.user = UINT64_MAX - 49, .idle = 1000},
       {.user = 50, .idle = 1300},
       25},
      // Idle total 5100 -> 5095 is no ticks, not 2^64 of them: only the 100 busy ones moved.
      {"a counter that stepped back",
       {.user = 1000, .idle = 5000, .iowait = 100},
       {.user = 1100, .idle = 4995, .iowait = 100},
       100},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    tree.setCPU(row.before);
    sampleAfter(5);
    tree.setCPU(row.after);
    EXPECT_DOUBLE_EQ(sampleAfter(5).cpuUsagePercent, row.percent);
  }
}

TEST_F(LiveSystemSamplerTest, AFailedCPUReadGivesZeroAndKeepsThePreviousTicks) {
  setCPU(0, 0);
  sampler.sample();
  tree.remove("proc/stat");
  EXPECT_EQ(sampleAfter(5).cpuUsagePercent, 0);
  setCPU(50, 50);
  EXPECT_DOUBLE_EQ(sampleAfter(5).cpuUsagePercent, 50) << "measured from the kept ticks";
}

// Each row is one machine's connectors: (entry, status, enabled).
TEST(LiveSystemSamplerDisplaysTest, ExternalDisplaysAreTheShowingOnesThatAreNotBuiltIn) {
  struct Connector {
    const char* entry;
    const char* status;
    const char* enabled;
  };
  struct Row {
    const char* name;
    std::vector<Connector> connectors;
    std::int64_t expected;
  };
  const Row rows[] = {
      {"lid closed, two external displays",
       {{"card0-eDP-1", "connected", "disabled"},
        {"card0-HDMI-A-1", "connected", "enabled"},
        {"card0-DP-2", "connected", "enabled"}},
       2},
      {"only the built-in panel",
       {{"card0-eDP-1", "connected", "enabled"}, {"card0-HDMI-A-1", "disconnected", "disabled"}},
       0},
      {"an external display switched off",
       {{"card0-eDP-1", "connected", "enabled"}, {"card0-DP-2", "connected", "disabled"}},
       0},
      {"a virtual machine's own screen", {{"card0-Virtual-1", "connected", "enabled"}}, 0},
      {"no displays", {}, 0},
  };
  testing::TestPlatform platform;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeProcTree tree;
    for (const Connector& c : row.connectors) tree.setDisplay(c.entry, c.status, c.enabled);
    EXPECT_EQ(LiveSystemSampler(SystemSources::live(tree.root())).sample().externalDisplayCount,
              row.expected);
  }
}

TEST_F(LiveSystemSamplerTest, PowerAdapterAppsAndSoundComeFromTheTree) {
  tree.setPowerSupply("BAT0", {{"type", "Battery"}, {"status", "Discharging"}, {"capacity", "50"}});
  tree.setPowerSupply("AC", {{"type", "Mains"}, {"online", "0"}});
  tree.addProcess(10, "/usr/bin/firefox", "firefox", "/usr/lib/firefox/firefox");
  tree.addProcess(11, "/usr/bin/firefox -contentproc", "Isolated Web Co",
                  "/usr/lib/firefox/firefox");
  tree.addProcess(2, "", "kthreadd");
  tree.setSoundSubstream("card0", "pcm0c", "sub0", "RUNNING");

  SystemSample sample = sampler.sample();
  EXPECT_FALSE(sample.isOnPowerAdapter);
  EXPECT_EQ(sample.runningBundleIdentifiers, std::set<std::string>{"firefox"})
      << "one entry per identifier; processes without one are skipped";
  EXPECT_TRUE(sample.isMicrophoneInUse);
  EXPECT_FALSE(sample.isAudioPlaying);
  EXPECT_FALSE(sample.isCameraInUse);
  EXPECT_FALSE(sample.wifiNetworkName.has_value()) << "no Wi-Fi installed";
  EXPECT_FALSE(sample.frontmostBundleIdentifier.has_value()) << "no active window";

  tree.setPowerSupply("AC", {{"online", "1"}});
  EXPECT_TRUE(sampler.sample().isOnPowerAdapter);
}

// Every field reaches the sample from its own source.
TEST(LiveSystemSamplerSourcesTest, EachSourceFillsItsField) {
  testing::TestPlatform platform;
  auto applications = std::make_shared<testing::FakeRunningApplications>();
  auto wifi = std::make_shared<testing::FakeWiFiInterface>();
  auto audio = std::make_shared<testing::FakeAudioDevices>();
  auto camera = std::make_shared<testing::FakeCameraDevices>();
  auto displays = std::make_shared<testing::FakeDisplays>();
  SystemSources sources;
  sources.applications = applications;
  sources.wifi = wifi;
  sources.audio = audio;
  sources.camera = camera;
  sources.displays = displays;
  LiveSystemSampler sampler(sources);

  applications->add("com.example.Editor");
  applications->add(std::nullopt);
  applications->frontmost = platform::RunningApplication{7, "com.example.Editor"};
  wifi->networkName = "Office";
  audio->outputRunning = true;
  camera->running = true;
  displays->displays = {{"DP-1", false}, {"eDP-1", true}, {"HDMI-A-1", false}};
  platform.power.sources.setProvidingPowerSourceType("Battery Power");

  SystemSample sample = sampler.sample();
  EXPECT_EQ(sample.runningBundleIdentifiers, std::set<std::string>{"com.example.Editor"});
  EXPECT_EQ(sample.frontmostBundleIdentifier, "com.example.Editor");
  EXPECT_EQ(sample.wifiNetworkName, "Office");
  EXPECT_TRUE(sample.isAudioPlaying);
  EXPECT_FALSE(sample.isMicrophoneInUse);
  EXPECT_TRUE(sample.isCameraInUse);
  EXPECT_EQ(sample.externalDisplayCount, 2);
  EXPECT_FALSE(sample.isOnPowerAdapter) << "no power source given: the platform's";

  applications->frontmost = platform::RunningApplication{8, std::nullopt};
  audio->inputRunning = true;
  platform.power.sources.setProvidingPowerSourceType(std::nullopt);
  sample = sampler.sample();
  EXPECT_FALSE(sample.frontmostBundleIdentifier.has_value());
  EXPECT_TRUE(sample.isMicrophoneInUse);
  EXPECT_FALSE(sample.isOnPowerAdapter) << "an unknown providing type is not the adapter";
  platform.power.sources.setProvidingPowerSourceType("AC Power");
  EXPECT_TRUE(sampler.sample().isOnPowerAdapter);
}

// Each rule reads only its own input: on a busy machine, a configuration
// sees the inputs of its rules and neutral values for everything else.
TEST(LiveSystemSamplerSourcesTest, ARuleReadsOnlyItsOwnInputs) {
  testing::TestPlatform platform;
  FakeProcTree tree;
  tree.addProcess(10, "/usr/bin/firefox", "firefox", "/usr/lib/firefox/firefox");
  tree.setSoundSubstream("card0", "pcm0c", "sub0", "RUNNING");
  tree.setPowerSupply("AC", {{"type", "Mains"}, {"online", "1"}});
  struct Row {
    const char* name;
    std::function<void(TriggerConfiguration&)> rules;
    bool apps, power, microphone, rates;
  };
  const Row rows[] = {
      {"automation off reads nothing", [](TriggerConfiguration& c) { c.isEnabled = false; }, false,
       false, false, false},
      {"a schedule alone reads nothing", [](TriggerConfiguration&) {}, false, false, false, false},
      {"an app rule reads the process table",
       [](TriggerConfiguration& c) { c.appBundleIdentifiers = {"firefox"}; }, true, false, false,
       false},
      {"the adapter rule reads the power sources",
       [](TriggerConfiguration& c) { c.whenOnPowerAdapter = true; }, false, true, false, false},
      {"the on-power gate reads the power sources",
       [](TriggerConfiguration& c) { c.onlyWhileOnPower = true; }, false, true, false, false},
      {"calls read the microphone", [](TriggerConfiguration& c) { c.duringCalls = true; }, false,
       false, true, false},
      {"thresholds read the counters",
       [](TriggerConfiguration& c) {
         c.networkThresholdBytesPerSecond = 1, c.cpuThresholdPercent = 1;
         c.diskThresholdBytesPerSecond = 1;
       },
       false, false, false, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TriggerConfiguration configuration;
    configuration.isEnabled = true;
    row.rules(configuration);
    const SampleInputs inputs = SampleInputs::forConfiguration(configuration);
    LiveSystemSampler sampler(SystemSources::live(tree.root()));
    tree.setInterface("eth0", 0, 0);
    tree.setDisk("vda", 254, 0, 0, 0);
    tree.setCPU({.user = 0, .idle = 0});
    sampler.sample(inputs);
    tree.setInterface("eth0", 5000, 0);
    tree.setDisk("vda", 254, 0, 10, 0);
    tree.setCPU({.user = 50, .idle = 50});
    platform.advanceClockWithoutRunning(5);
    const SystemSample sample = sampler.sample(inputs);
    EXPECT_EQ(sample.runningBundleIdentifiers.contains("firefox"), row.apps);
    EXPECT_EQ(sample.isOnPowerAdapter, row.power);
    EXPECT_EQ(sample.isMicrophoneInUse, row.microphone);
    EXPECT_EQ(sample.networkBytesPerSecond > 0, row.rates);
    EXPECT_EQ(sample.cpuUsagePercent > 0, row.rates);
    EXPECT_EQ(sample.diskBytesPerSecond > 0, row.rates);
  }
}

// A rate read again after a pause starts afresh instead of averaging over it.
TEST_F(LiveSystemSamplerTest, ARateLeftOutStartsAfreshWhenReadAgain) {
  const SampleInputs rates{.network = true, .cpu = true, .disks = true};
  tree.setInterface("eth0", 0, 0);
  setCPU(0, 0);
  sampler.sample(rates);
  tree.setInterface("eth0", 1'000'000, 0);
  setCPU(100, 0);
  platform.advanceClockWithoutRunning(5);
  sampler.sample(SampleInputs{});
  platform.advanceClockWithoutRunning(5);
  const SystemSample first = sampler.sample(rates);
  EXPECT_EQ(first.networkBytesPerSecond, 0);
  EXPECT_EQ(first.cpuUsagePercent, 0);
}

// The machine's live inputs on a tree: a process holds the camera, the
// desktop's active window and Wi-Fi are the platform's installed ones. The
// camera's open files are walked only while a rule on calls looks.
TEST_F(LiveSystemSamplerTest, CameraFrontmostAndWiFiComeFromTheMachine) {
  tree.addProcess(40, "/usr/bin/zoom", "zoom", "/opt/zoom/zoom");
  tree.openFile(40, 31, "/dev/video0");
  testing::FakeActiveWindowOwner window;
  window.process = 40;
  const testing::ScopedActiveWindowOwner activeWindow(window);
  testing::FakeWiFiInterface wifi;
  wifi.networkName = "Office";
  platform::WiFiInterface* const before = platform::WiFiInterface::setCurrent(&wifi);

  TriggerConfiguration calls;
  calls.isEnabled = true;
  calls.duringCalls = true;
  TriggerConfiguration apps = calls;
  apps.duringCalls = false;
  apps.appBundleIdentifiers = {"zoom"};
  TriggerConfiguration network = apps;
  network.appBundleIdentifiers = {};
  network.wifiNetworkNames = {"Office"};
  TriggerConfiguration disabled = calls;
  disabled.isEnabled = false;
  struct Row {
    const char* name;
    SampleInputs inputs;
    bool camera, frontmost, wifi;
  };
  const Row rows[] = {
      {"every input", SampleInputs::all(), true, true, true},
      {"a rule on calls", SampleInputs::forConfiguration(calls), true, false, false},
      {"an app rule: the open files are not walked", SampleInputs::forConfiguration(apps), false,
       true, false},
      {"a Wi-Fi rule", SampleInputs::forConfiguration(network), false, false, true},
      {"automation off", SampleInputs::forConfiguration(disabled), false, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const SystemSample sample = sampler.sample(row.inputs);
    EXPECT_EQ(sample.isCameraInUse, row.camera);
    EXPECT_EQ(sample.frontmostBundleIdentifier,
              row.frontmost ? std::optional<std::string>("zoom") : std::nullopt);
    EXPECT_EQ(sample.wifiNetworkName,
              row.wifi ? std::optional<std::string>("Office") : std::nullopt);
  }
  platform::WiFiInterface::setCurrent(before);
}

}  // namespace
}  // namespace vigilix
