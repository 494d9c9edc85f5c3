#pragma once

#include <filesystem>
#include <memory>
#include <optional>

#include "platform/base/date.h"
#include "platform/power/power_sources.h"
#include "platform/system/audio_devices.h"
#include "platform/system/camera_devices.h"
#include "platform/system/cpu_ticks.h"
#include "platform/system/disk_counters.h"
#include "platform/system/displays.h"
#include "platform/system/network_counters.h"
#include "platform/system/running_applications.h"
#include "platform/system/wifi_interface.h"
#include "triggers/system_sample.h"

namespace vigilix {

// Where the sampler reads the machine. A null power source or Wi-Fi means
// the platform's one in force at each reading.
struct SystemSources {
  std::shared_ptr<platform::RunningApplications> applications;
  std::shared_ptr<platform::PowerSources> power;
  std::shared_ptr<platform::Displays> displays;
  std::shared_ptr<platform::NetworkCounters> network;
  std::shared_ptr<platform::CPUTickCounters> cpu;
  std::shared_ptr<platform::WiFiInterface> wifi;
  std::shared_ptr<platform::AudioDevices> audio;
  std::shared_ptr<platform::CameraDevices> camera;
  std::shared_ptr<platform::DiskCounters> disks;

  // The live readers of a machine whose /proc and /sys lie under `root`
  // (else under the file-system root), power sources included; the platform's Wi-Fi.
  static SystemSources live();
  static SystemSources live(const std::filesystem::path& root);
};

// Reads the real machine. Rates are measured between two consecutive calls,
// so the first call gives 0 for all three. Not thread-safe: its owner calls
// it from one serial queue.
class LiveSystemSampler final : public SystemSampling {
 public:
  // The live readers of this machine, with the platform's power sources.
  LiveSystemSampler();
  explicit LiveSystemSampler(SystemSources sources);

  using SystemSampling::sample;
  // A rate left out forgets its previous reading, so the next one it is
  // read for starts afresh rather than averaging over the gap.
  SystemSample sample(const SampleInputs& inputs) override;

  double networkBytesPerSecond(platform::Date now);
  double diskBytesPerSecond(platform::Date now);
  double cpuUsagePercent();

 private:
  SystemSources sources_;
  std::optional<platform::InterfaceByteCounters> previousNetworkBytes_;
  std::optional<platform::Date> previousNetworkDate_;
  std::optional<platform::DiskByteCounters> previousDiskBytes_;
  std::optional<platform::Date> previousDiskDate_;
  std::optional<platform::CPUTicks> previousCPUTicks_;
};

}  // namespace vigilix
