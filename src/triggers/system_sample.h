#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "platform/base/date.h"
#include "triggers/sample_inputs.h"

namespace vigilix {

// One reading of everything the automatic rules look at. Rates are measured
// since the sampler's previous reading, so the first reading gives 0 for all.
struct SystemSample {
  // Moment of the reading, taken before anything else.
  platform::Date date;
  // Bundle identifiers of all running applications (those without one are skipped).
  std::set<std::string> runningBundleIdentifiers;
  // The providing power source is "AC Power".
  bool isOnPowerAdapter = false;
  // Active displays that are not built in.
  std::int64_t externalDisplayCount = 0;
  // Received plus sent on every device-backed interface except loopback.
  double networkBytesPerSecond = 0;
  // Busy share of all CPU ticks, 0-100.
  double cpuUsagePercent = 0;
  // Absent when not joined or when the name cannot be read.
  std::optional<std::string> wifiNetworkName;
  std::optional<std::string> frontmostBundleIdentifier;
  bool isMicrophoneInUse = false;
  bool isCameraInUse = false;
  // The default output device is running.
  bool isAudioPlaying = false;
  // Read plus written on all physical disks, each byte once.
  double diskBytesPerSecond = 0;

  bool operator==(const SystemSample&) const = default;
};

// Source of samples. Not thread-safe: one owner calls it from one serial queue.
// Never fails: a source that cannot be read yields its neutral value, and so
// does one `inputs` leaves out.
class SystemSampling {
 public:
  virtual ~SystemSampling() = default;
  virtual SystemSample sample(const SampleInputs& inputs) = 0;
  SystemSample sample() { return sample(SampleInputs::all()); }
};

}  // namespace vigilix
