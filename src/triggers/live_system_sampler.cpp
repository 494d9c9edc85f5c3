#include "triggers/live_system_sampler.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "platform/fs/file_system.h"
#include "platform/power/live_power_source.h"
#include "platform/runloop/clock.h"

namespace vigilix {

namespace {

// The bytes moved since the previous reading. Only keys present in both
// count, and only when their counter did not go down: a counter that went
// down was reset (an interface re-created, a disk re-attached) and says
// nothing about this interval.
template <typename Counters>
double bytesSince(const Counters& current, const Counters& previous) {
  double total = 0;
  for (const auto& [key, counter] : current) {
    const auto before = previous.find(key);
    if (before == previous.end() || counter < before->second) continue;
    total += static_cast<double>(counter - before->second);
  }
  return total;
}

template <typename Counters>
double rateSince(Counters current, platform::Date now, std::optional<Counters>& previous,
                 std::optional<platform::Date>& previousDate) {
  double rate = 0;
  if (previous && previousDate) {
    const double elapsed = now - *previousDate;
    if (elapsed > 0) rate = bytesSince(current, *previous) / elapsed;
  }
  previous = std::move(current);
  previousDate = now;
  return rate;
}

// Ticks since the previous reading, modulo 2^64, so a counter that wrapped
// still gives the right difference. A "difference" in the upper half of the
// range is a counter that stepped back (idle and I/O wait can, a little, on
// tickless kernels), not 2^63 ticks that passed: it counts as none.
double ticksSince(std::uint64_t current, std::uint64_t previous) {
  const std::uint64_t difference = current - previous;
  if (difference > (UINT64_MAX >> 1)) return 0;
  return static_cast<double>(difference);
}

}  // namespace

SystemSources SystemSources::live() { return live(platform::FileSystem::root()); }

SystemSources SystemSources::live(const std::filesystem::path& root) {
  SystemSources sources;
  sources.applications = std::make_shared<platform::LiveRunningApplications>(root);
  sources.power = std::make_shared<platform::LivePowerSources>(root);
  sources.displays = std::make_shared<platform::LiveDisplays>(root);
  sources.network = std::make_shared<platform::LiveNetworkCounters>(root);
  sources.cpu = std::make_shared<platform::LiveCPUTickCounters>(root);
  sources.wifi = nullptr;
  sources.audio = std::make_shared<platform::LiveAudioDevices>(root);
  sources.camera = std::make_shared<platform::LiveCameraDevices>(root);
  sources.disks = std::make_shared<platform::LiveDiskCounters>(root);
  return sources;
}

LiveSystemSampler::LiveSystemSampler() : sources_(SystemSources::live()) {
  // The power sources the rest of the application sees, so that everything
  // agrees on the adapter (and a test platform's fake reaches the sampler).
  sources_.power = nullptr;
}

LiveSystemSampler::LiveSystemSampler(SystemSources sources) : sources_(std::move(sources)) {}

SystemSample LiveSystemSampler::sample(const SampleInputs& inputs) {
  SystemSample sample;
  sample.date = platform::Clock::current().now();

  if (inputs.applications && sources_.applications) {
    for (auto& identifier : sources_.applications->runningIdentifiers()) {
      sample.runningBundleIdentifiers.insert(std::move(identifier));
    }
  }

  if (inputs.power) {
    platform::PowerSources& power =
        sources_.power ? *sources_.power : platform::PowerSources::current();
    sample.isOnPowerAdapter = power.providingPowerSourceType() == platform::kPowerSourceACPower;
  }

  if (inputs.displays && sources_.displays) {
    const auto displays = sources_.displays->activeDisplays();
    sample.externalDisplayCount =
        std::count_if(displays.begin(), displays.end(),
                      [](const platform::ActiveDisplay& display) { return !display.isBuiltin; });
  }

  if (inputs.network) {
    sample.networkBytesPerSecond = networkBytesPerSecond(sample.date);
  } else {
    previousNetworkBytes_.reset();
  }
  if (inputs.cpu) {
    sample.cpuUsagePercent = cpuUsagePercent();
  } else {
    previousCPUTicks_.reset();
  }

  if (inputs.wifi) {
    sample.wifiNetworkName =
        (sources_.wifi ? *sources_.wifi : platform::WiFiInterface::current()).ssid();
  }
  if (inputs.applications && sources_.applications) {
    if (auto frontmost = sources_.applications->frontmostApplication()) {
      sample.frontmostBundleIdentifier = frontmost->bundleIdentifier;
    }
  }
  if (inputs.calls && sources_.audio) sample.isMicrophoneInUse = sources_.audio->isInputRunning();
  if (inputs.calls && sources_.camera) sample.isCameraInUse = sources_.camera->isAnyRunning();
  if (inputs.audio && sources_.audio) {
    sample.isAudioPlaying = sources_.audio->isDefaultOutputRunning();
  }

  if (inputs.disks) {
    sample.diskBytesPerSecond = diskBytesPerSecond(sample.date);
  } else {
    previousDiskBytes_.reset();
  }
  return sample;
}

double LiveSystemSampler::networkBytesPerSecond(platform::Date now) {
  platform::InterfaceByteCounters current;
  if (sources_.network) current = sources_.network->interfaceByteCounters();
  return rateSince(std::move(current), now, previousNetworkBytes_, previousNetworkDate_);
}

double LiveSystemSampler::diskBytesPerSecond(platform::Date now) {
  std::optional<platform::DiskByteCounters> current;
  if (sources_.disks) current = sources_.disks->diskByteCounters();
  if (!current) {
    previousDiskBytes_.reset();
    previousDiskDate_.reset();
    return 0;
  }
  return rateSince(std::move(*current), now, previousDiskBytes_, previousDiskDate_);
}

double LiveSystemSampler::cpuUsagePercent() {
  if (!sources_.cpu) return 0;
  const std::optional<platform::CPUTicks> current = sources_.cpu->read();
  if (!current) return 0;
  if (!previousCPUTicks_) {
    previousCPUTicks_ = current;
    return 0;
  }
  const platform::CPUTicks& previous = *previousCPUTicks_;
  const double user = ticksSince(current->user, previous.user);
  const double system = ticksSince(current->system, previous.system);
  const double idle = ticksSince(current->idle, previous.idle);
  const double nice = ticksSince(current->nice, previous.nice);
  const double total = user + system + idle + nice;
  double percent = 0;
  if (total > 0) percent = std::clamp((user + system + nice) / total * 100.0, 0.0, 100.0);
  previousCPUTicks_ = current;
  return percent;
}

}  // namespace vigilix
