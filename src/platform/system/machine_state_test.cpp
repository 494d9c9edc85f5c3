#include <gtest/gtest.h>

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

TEST(NeutralSourcesTest, CameraAndWiFiGiveTheNeutralAnswer) {
  EXPECT_FALSE(LiveCameraDevices().isAnyRunning());
  EXPECT_FALSE(LiveWiFiInterface().ssid().has_value());
}

}  // namespace
}  // namespace vigilix::platform
