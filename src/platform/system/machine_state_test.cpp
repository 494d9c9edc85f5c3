#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/system/audio_devices.h"
#include "platform/system/camera_devices.h"
#include "platform/system/displays.h"
#include "platform/system/running_applications.h"
#include "platform/system/wifi_interface.h"
#include "testing/fake_proc_tree.h"

namespace vigilix::platform {
namespace {

using testing::FakeProcTree;

TEST(DisplaysTest, ConnectedConnectorsAreActiveAndPanelsAreBuiltIn) {
  FakeProcTree tree;
  tree.setDisplay("card0-eDP-1", "connected");
  tree.setDisplay("card0-HDMI-A-1", "connected");
  tree.setDisplay("card1-DP-3", "connected");
  tree.setDisplay("card1-DP-4", "disconnected");
  tree.setDisplay("card0-LVDS-1", "unknown");
  tree.setDisplay("card0", "connected");       // the card itself
  tree.setDisplay("renderD128", "connected");  // not a connector
  tree.setDisplay("cardX-DP-1", "connected");

  EXPECT_EQ(LiveDisplays(tree.root()).activeDisplays(),
            (std::vector<ActiveDisplay>{{"HDMI-A-1", false}, {"eDP-1", true}, {"DP-3", false}}))
      << "in the order of the folder's sorted names";
  EXPECT_TRUE(isBuiltinConnector("LVDS-1"));
  EXPECT_TRUE(isBuiltinConnector("DSI-2"));
  EXPECT_FALSE(isBuiltinConnector("DP-1"));
  EXPECT_FALSE(isBuiltinConnector("Virtual-1"));
}

TEST(DisplaysTest, NoneWithoutTheFolder) {
  FakeProcTree tree;
  EXPECT_TRUE(LiveDisplays(tree.root()).activeDisplays().empty());
}

TEST(RunningApplicationsTest, IdentifiersComeFromTheExecutableThenTheKernelsName) {
  FakeProcTree tree;
  tree.addProcess(1, "/sbin/init splash", "systemd", "/usr/lib/systemd/systemd");
  tree.addProcess(42, "sshd: root@pts/0", "sshd", "/usr/sbin/sshd");
  tree.addProcess(77, "/opt/app/old", "old", "/opt/app/editor (deleted)");
  tree.addProcess(300, "python3 tool.py", "tool.py");  // executable not readable
  tree.addProcess(2, "", "kthreadd");                  // a kernel thread
  tree.writeFile("proc/self/cmdline", "x");
  tree.writeFile("proc/stat", "cpu 1 1 1 1\n");

  auto applications = LiveRunningApplications(tree.root()).runningApplications();
  std::vector<RunningApplication> expected{{1, "systemd", "systemd"},
                                           {2, std::nullopt, ""},
                                           {300, "tool.py", "tool.py"},
                                           {42, "sshd", "sshd"},
                                           {77, "editor", "old"}};
  EXPECT_EQ(applications, expected)
      << "argv rewritten by the process does not matter; the shown name is the kernel's";
  EXPECT_FALSE(LiveRunningApplications(tree.root()).frontmostApplication().has_value());
}

TEST(RunningApplicationsTest, NoneWithoutProc) {
  FakeProcTree tree;
  EXPECT_TRUE(LiveRunningApplications(tree.root()).runningApplications().empty());
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
