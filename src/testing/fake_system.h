#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/system/active_window.h"
#include "platform/system/audio_devices.h"
#include "platform/system/camera_devices.h"
#include "platform/system/cpu_ticks.h"
#include "platform/system/disk_counters.h"
#include "platform/system/displays.h"
#include "platform/system/network_counters.h"
#include "platform/system/running_applications.h"
#include "platform/system/wifi_interface.h"

namespace vigilix::testing {

// Readers of the machine whose answers a test sets in their public fields.
// Each starts with the neutral answer. A none value makes the reading fail.

class FakeRunningApplications : public platform::RunningApplications {
 public:
  std::vector<platform::RunningApplication> applications;
  std::optional<platform::RunningApplication> frontmost;

  std::vector<platform::RunningApplication> runningApplications() override { return applications; }
  std::optional<platform::RunningApplication> frontmostApplication() override { return frontmost; }
  // Adds a running application with this identifier (none: without one).
  platform::RunningApplication& add(std::optional<std::string> bundleIdentifier);
};

class FakeDisplays : public platform::Displays {
 public:
  std::vector<platform::ActiveDisplay> displays;
  std::vector<platform::ActiveDisplay> activeDisplays() override { return displays; }
};

class FakeNetworkCounters : public platform::NetworkCounters {
 public:
  platform::InterfaceByteCounters counters;
  platform::InterfaceByteCounters interfaceByteCounters() override { return counters; }
};

class FakeCPUTickCounters : public platform::CPUTickCounters {
 public:
  std::optional<platform::CPUTicks> ticks;
  std::optional<platform::CPUTicks> read() override { return ticks; }
};

class FakeDiskCounters : public platform::DiskCounters {
 public:
  std::optional<platform::DiskByteCounters> counters = platform::DiskByteCounters{};
  std::optional<platform::DiskByteCounters> diskByteCounters() override { return counters; }
};

class FakeWiFiInterface : public platform::WiFiInterface {
 public:
  std::optional<std::string> networkName;
  std::optional<std::string> ssid() override { return networkName; }
};

class FakeAudioDevices : public platform::AudioDevices {
 public:
  bool inputRunning = false;
  bool outputRunning = false;
  bool isInputRunning() override { return inputRunning; }
  bool isDefaultOutputRunning() override { return outputRunning; }
};

class FakeCameraDevices : public platform::CameraDevices {
 public:
  bool running = false;
  bool isAnyRunning() override { return running; }
};

class FakeActiveWindowOwner : public platform::ActiveWindowOwner {
 public:
  std::optional<std::int32_t> process;
  std::optional<std::int32_t> processIdentifier() override { return process; }
};

// Makes `owner` the platform's active-window owner while it lives.
class ScopedActiveWindowOwner {
 public:
  explicit ScopedActiveWindowOwner(platform::ActiveWindowOwner& owner)
      : previous_(platform::ActiveWindowOwner::setCurrent(&owner)) {}
  ~ScopedActiveWindowOwner() { platform::ActiveWindowOwner::setCurrent(previous_); }
  ScopedActiveWindowOwner(const ScopedActiveWindowOwner&) = delete;
  ScopedActiveWindowOwner& operator=(const ScopedActiveWindowOwner&) = delete;

 private:
  platform::ActiveWindowOwner* previous_;
};

}  // namespace vigilix::testing
