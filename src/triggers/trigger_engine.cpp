#include "triggers/trigger_engine.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/base/text.h"

namespace vigilix {

using platform::equalsIgnoringCase;

TriggerEngine::TriggerEngine(TriggerConfiguration configuration, platform::Calendar calendar)
    : configuration_(std::move(configuration)), calendar_(std::move(calendar)) {}

void TriggerEngine::setConfiguration(TriggerConfiguration configuration) {
  configuration_ = std::move(configuration);
  resetHysteresis();
}

void TriggerEngine::resetHysteresis() {
  networkHysteresis_ = {};
  diskHysteresis_ = {};
  cpuHysteresis_ = {};
}

bool TriggerEngine::isAppActive(const std::string& bundleIdentifier,
                                const SystemSample& sample) const {
  const auto& running = sample.runningBundleIdentifiers;
  const bool isRunning = std::any_of(running.begin(), running.end(), [&](const std::string& id) {
    return equalsIgnoringCase(id, bundleIdentifier);
  });
  if (!isRunning) return false;
  const auto& frontmostOnly = configuration_.frontmostOnlyBundleIdentifiers;
  const bool needsFront =
      std::any_of(frontmostOnly.begin(), frontmostOnly.end(),
                  [&](const std::string& id) { return equalsIgnoringCase(id, bundleIdentifier); });
  if (!needsFront) return true;
  return sample.frontmostBundleIdentifier &&
         equalsIgnoringCase(*sample.frontmostBundleIdentifier, bundleIdentifier);
}

TriggerDecision TriggerEngine::evaluate(const SystemSample& sample) {
  const TriggerConfiguration& config = configuration_;
  // The gates come first and leave the sustain state frozen.
  if (!config.isEnabled) return {};
  if (config.onlyWhileOnPower && !sample.isOnPowerAdapter) return {};

  std::vector<TriggerReason> reasons;
  for (const std::string& identifier : config.appBundleIdentifiers) {
    if (isAppActive(identifier, sample)) reasons.push_back(TriggerReason::appRunning(identifier));
  }
  if (config.whenOnPowerAdapter && sample.isOnPowerAdapter) {
    reasons.push_back(TriggerReason::powerAdapter());
  }
  if (config.whenExternalDisplayConnected && sample.externalDisplayCount >= 1) {
    reasons.push_back(TriggerReason::externalDisplay());
  }
  // Every threshold rule is fed on every evaluation, matched or not, so
  // their streaks follow the samples without gaps.
  if (config.networkThresholdBytesPerSecond &&
      networkHysteresis_.update(sample.networkBytesPerSecond,
                                *config.networkThresholdBytesPerSecond, config.sustainSeconds,
                                sample.date)) {
    reasons.push_back(TriggerReason::networkActivity());
  }
  if (config.cpuThresholdPercent &&
      cpuHysteresis_.update(sample.cpuUsagePercent, *config.cpuThresholdPercent,
                            config.sustainSeconds, sample.date)) {
    reasons.push_back(TriggerReason::cpuUsage());
  }
  if (sample.wifiNetworkName) {
    const auto& names = config.wifiNetworkNames;
    const auto found = std::find(names.begin(), names.end(), *sample.wifiNetworkName);
    if (found != names.end()) reasons.push_back(TriggerReason::wifiNetwork(*found));
  }
  if (config.schedule && config.schedule->isActive(sample.date, calendar_)) {
    reasons.push_back(TriggerReason::schedule());
  }
  if (config.duringCalls && (sample.isMicrophoneInUse || sample.isCameraInUse)) {
    reasons.push_back(TriggerReason::inCall());
  }
  if (config.whileAudioPlaying && sample.isAudioPlaying) {
    reasons.push_back(TriggerReason::audioPlaying());
  }
  if (config.diskThresholdBytesPerSecond &&
      diskHysteresis_.update(sample.diskBytesPerSecond, *config.diskThresholdBytesPerSecond,
                             config.sustainSeconds, sample.date)) {
    reasons.push_back(TriggerReason::diskActivity());
  }
  return TriggerDecision::withReasons(std::move(reasons));
}

}  // namespace vigilix
