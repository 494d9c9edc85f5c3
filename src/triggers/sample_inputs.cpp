#include "triggers/sample_inputs.h"

namespace vigilix {

SampleInputs SampleInputs::all() {
  return {.applications = true,
          .power = true,
          .displays = true,
          .network = true,
          .cpu = true,
          .wifi = true,
          .calls = true,
          .audio = true,
          .disks = true};
}

SampleInputs SampleInputs::forConfiguration(const TriggerConfiguration& configuration) {
  if (!configuration.isEnabled) return {};
  return {.applications = !configuration.appBundleIdentifiers.empty(),
          .power = configuration.whenOnPowerAdapter || configuration.onlyWhileOnPower,
          .displays = configuration.whenExternalDisplayConnected,
          .network = configuration.networkThresholdBytesPerSecond.has_value(),
          .cpu = configuration.cpuThresholdPercent.has_value(),
          .wifi = !configuration.wifiNetworkNames.empty(),
          .calls = configuration.duringCalls,
          .audio = configuration.whileAudioPlaying,
          .disks = configuration.diskThresholdBytesPerSecond.has_value()};
}

}  // namespace vigilix
