#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/system/audio_devices.h"
#include "platform/system/camera_devices.h"
#include "platform/system/displays.h"
#include "platform/system/wifi_interface.h"
#include "testing/fake_proc_tree.h"

namespace vigilix::platform {
namespace {

using testing::FakeProcTree;

// Each row is one entry of /sys/class/drm alone on a machine.
TEST(DisplaysTest, ConnectedAndEnabledConnectorsAreActiveAndOwnScreensAreBuiltIn) {
  struct Row {
    const char* entry;
    const char* status;
    const char* enabled;
    std::optional<ActiveDisplay> expected;
  };
  const Row rows[] = {
      {"card0-eDP-1", "connected", "enabled", ActiveDisplay{"eDP-1", true}},
      {"card0-LVDS-1", "connected", "enabled", ActiveDisplay{"LVDS-1", true}},
      {"card0-DSI-2", "connected", "enabled", ActiveDisplay{"DSI-2", true}},
      {"card0-Virtual-1", "connected", "enabled", ActiveDisplay{"Virtual-1", true}},
      {"card0-HDMI-A-1", "connected", "enabled", ActiveDisplay{"HDMI-A-1", false}},
      {"card1-DP-3", "connected", "enabled", ActiveDisplay{"DP-3", false}},
      {"card1-DP-4", "connected", "disabled", std::nullopt},   // plugged in, switched off
      {"card0-eDP-2", "connected", "disabled", std::nullopt},  // lid closed
      {"card1-DP-5", "disconnected", "enabled", std::nullopt},
      {"card0-LVDS-2", "unknown", "enabled", std::nullopt},
      {"card0", "connected", "enabled", std::nullopt},  // the card itself
      {"renderD128", "connected", "enabled", std::nullopt},
      {"cardX-DP-1", "connected", "enabled", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.entry);
    FakeProcTree tree;
    tree.setDisplay(row.entry, row.status, row.enabled);
    std::vector<ActiveDisplay> expected;
    if (row.expected) expected.push_back(*row.expected);
    EXPECT_EQ(LiveDisplays(tree.root()).activeDisplays(), expected);
  }
}

TEST(DisplaysTest, ActiveDisplaysComeInTheFolderOrderAndNoneWithoutIt) {
  FakeProcTree tree;
  EXPECT_TRUE(LiveDisplays(tree.root()).activeDisplays().empty());
  tree.setDisplay("card1-DP-3", "connected");
  tree.setDisplay("card0-eDP-1", "connected");
  tree.setDisplay("card0-HDMI-A-1", "connected");
  tree.writeFile("sys/class/drm/card0-DP-9/status", "connected\n");  // no "enabled"
  EXPECT_EQ(LiveDisplays(tree.root()).activeDisplays(),
            (std::vector<ActiveDisplay>{{"HDMI-A-1", false}, {"eDP-1", true}, {"DP-3", false}}));
}

TEST(AudioDevicesTest, RunningCaptureIsInputAndRunningPlaybackIsOutput) {
  FakeProcTree tree;
  tree.setSoundSubstream("card0", "pcm0p", "sub0", "PREPARED");
  tree.setSoundSubstream("card0", "pcm0c", "sub0", "");
  tree.setSoundSubstream("card1", "pcm3p", "sub1", "RUNNING");
  LiveAudioDevices audio(tree.root());
  EXPECT_FALSE(audio.isInputRunning());
  EXPECT_TRUE(audio.isDefaultOutputRunning());

  tree.setSoundSubstream("card1", "pcm3p", "sub1", "XRUN");
  tree.setSoundSubstream("card0", "pcm1c", "sub2", "RUNNING");
  EXPECT_TRUE(audio.isInputRunning());
  EXPECT_FALSE(audio.isDefaultOutputRunning());
}

TEST(AudioDevicesTest, OnlyNumberedCardsDevicesAndSubstreamsCount) {
  FakeProcTree tree;
  // Names the sound folder also holds, or look-alikes, that are no substreams.
  tree.setSoundSubstream("cards", "pcm0p", "sub0", "RUNNING");
  tree.setSoundSubstream("card0", "pcmXp", "sub0", "RUNNING");
  tree.setSoundSubstream("card0", "pcm0p", "subX", "RUNNING");
  tree.writeFile("proc/asound/card0/pcm0c/sub0/status", "owner_pid: 1\nstate: RUNNING\n");
  LiveAudioDevices audio(tree.root());
  EXPECT_FALSE(audio.isDefaultOutputRunning());
  EXPECT_FALSE(audio.isInputRunning()) << "the state is the status's first line";

  FakeProcTree empty;
  EXPECT_FALSE(LiveAudioDevices(empty.root()).isInputRunning());
  EXPECT_FALSE(LiveAudioDevices(empty.root()).isDefaultOutputRunning());
}

// Each row lays out the open files of some processes; the camera runs while
// one of them holds a video device.
TEST(CameraDevicesTest, ACameraRunsWhileSomeProcessHoldsAVideoDeviceOpen) {
  struct Open {
    std::int32_t pid;
    int descriptor;
    const char* target;
  };
  struct Row {
    const char* name;
    std::vector<Open> open;
    bool running;
    // A folder of proc that is not a process, holding a video device link.
    const char* strayFolder = nullptr;
  };
  const Row rows[] = {
      {"no process", {}, false},
      {"a video device", {{1200, 0, "/dev/pts/1"}, {1200, 7, "/dev/video0"}}, true},
      {"another number", {{1200, 7, "/dev/video12"}}, true},
      {"held by a later process", {{4, 1, "/dev/null"}, {9000, 3, "/dev/video1"}}, true},
      {"only other devices",
       {{1200, 1, "/dev/snd/pcmC0D0c"}, {1200, 2, "socket:[991]"}, {1200, 3, "/dev/dri/card0"}},
       false},
      {"a name that only begins alike",
       {{1200, 4, "/dev/videocard"}, {1200, 5, "/dev/video"}},
       false},
      {"a file named like one elsewhere", {{1200, 4, "/home/u/dev/video0"}}, false},
      {"outside the process folders", {}, false, "proc/net"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeProcTree tree;
    for (const Open& open : row.open) tree.openFile(open.pid, open.descriptor, open.target);
    if (row.strayFolder) {
      std::filesystem::create_directories(tree.pathFor(row.strayFolder) / "fd");
      std::filesystem::create_symlink("/dev/video0", tree.pathFor(row.strayFolder) / "fd" / "3");
    }
    EXPECT_EQ(LiveCameraDevices(tree.root()).isAnyRunning(), row.running);
  }
}

}  // namespace
}  // namespace vigilix::platform
